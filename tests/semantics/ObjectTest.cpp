#include <gtest/gtest.h>

#include <vector>

#include "Findings.h"
#include "semantics/Smobject.h"

using namespace swde;
using namespace swde::test;

namespace {

TEST(SemanticObject, AttributesAreStoredByNameOrCode) {
  smObject o("G5DZE");
  smAttribute* dtu = o.addAttribute("G5DTU", "", "2004.01.05-12:00:00");
  ASSERT_NE(dtu, nullptr);
  EXPECT_EQ(dtu->name, "G5DTU");
  EXPECT_EQ(dtu->code, "G5DTU");
  EXPECT_EQ(o.getAttribute("G5DTU"), dtu);

  // A renamed attribute is found under its name; by code only through the code.
  smAttribute* renamed = o.addAttribute("G5PEW", "POW", "1.5");
  EXPECT_EQ(o.getAttribute("POW"), renamed);
  EXPECT_EQ(o.getAttribute("G5PEW"), nullptr);
  EXPECT_EQ(o.getAttributeByCode("G5PEW"), renamed);
  EXPECT_EQ(o.getAttributeByCode("POW"), nullptr);

  // Several of one name: the first added comes first.
  smAttribute* first = o.addAttribute("G5NRD", "", "1");
  o.addAttribute("G5NRD", "", "2");
  EXPECT_EQ(o.getAttribute("G5NRD"), first);
  EXPECT_EQ(o.getAttributeByCode("G5NRD"), first);

  smRelation* rel = o.addRelation("G5RPOD", "");
  EXPECT_EQ(rel->name, "G5RPOD");
  EXPECT_EQ(rel->code, "G5RPOD");
  smRelation* named = o.addRelation("G5RJDR", "JEDN");
  EXPECT_EQ(o.getRelation("JEDN"), named);
  EXPECT_EQ(o.getRelation("G5RJDR"), nullptr);
  EXPECT_EQ(o.getRelationByCode("G5RJDR"), named);
  EXPECT_EQ(o.getRelationByCode("JEDN"), nullptr);

  o.clearMaps();
  EXPECT_EQ(o.getAttribute("G5DTU"), nullptr);
  EXPECT_EQ(o.getAttributeByCode("G5PEW"), nullptr);
  EXPECT_EQ(o.getRelationByCode("G5RPOD"), nullptr);
}

TEST(SemanticObject, ErrorCursor) {
  smObject o("T");
  EXPECT_EQ(o.getNextError(), nullptr);
  EXPECT_EQ(o.getFirstError(), nullptr);
  EXPECT_EQ(o.getNextError(), nullptr);

  // Three findings through the value checks of a plain object.
  for (const char* v : {"x", "y", "z"}) {
    smAttribute* a = o.addAttribute("N", "", v);
    o.checkAttribute("NO", *a);
  }
  EXPECT_EQ(o.getNextError(), nullptr) << "a drained list stays drained";
  smError* e = o.getFirstError();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->code, seBadInteger);
  EXPECT_NE(o.getNextError(), nullptr);
  EXPECT_NE(o.getNextError(), nullptr);
  EXPECT_EQ(o.getNextError(), nullptr);
  EXPECT_EQ(o.getNextError(), nullptr);
  EXPECT_EQ(o.getFirstError(), e);
  EXPECT_EQ(codes(o), (Codes{6014, 6014, 6014}));

  // Dropping the attributes keeps the findings.
  o.clearMaps();
  EXPECT_EQ(codes(o).size(), 3u);
}

TEST(SemanticObject, FindingsCarryTheAttributePlaceAndTheTypeName) {
  smObject o("G5DZE");
  smAttribute* a = o.addAttribute("G5PEW", "", "abc");
  a->line = 77;
  a->position = 6000000000ull;  // beyond 32 bits
  o.checkAttribute("FL", *a);
  smError* e = o.getFirstError();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->code, seBadFloat);
  EXPECT_EQ(e->kind, smError::kError);
  EXPECT_EQ(e->section, 49);
  EXPECT_EQ(e->line, 77u);
  EXPECT_EQ(e->position, 6000000000ull);
  EXPECT_EQ(e->objectName, "G5DZE");
  EXPECT_EQ(e->message,
            smError(seBadFloat, std::vector<TVarRec>{"G5PEW", "G5DZE"}.data(), 1).message);
}

}  // namespace
