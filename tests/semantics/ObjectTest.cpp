#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <utility>
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

// Entries found by code: the first in name order wins (of one name, the first
// added), whatever order they were added in; relations follow the same rule.
TEST(SemanticObject, LookupByCodeFindsTheFirstEntryInNameOrder) {
  struct Add {
    const char* code;
    const char* name;
  };
  struct Lookup {
    const char* code;
    int entry;  // index into the adds of the entry found, -1 for none
  };
  struct Case {
    const char* what;
    std::vector<Add> adds;
    std::vector<Lookup> lookups;
  };
  const Case cases[] = {
      {"a later entry with a smaller name wins",
       {{"C", "N2"}, {"C", "N1"}},
       {{"C", 1}, {"N1", -1}}},
      {"of one name the first added wins", {{"C", "N"}, {"C", "N"}, {"C", "N"}}, {{"C", 0}}},
      {"named after its code, then a name before it", {{"C", ""}, {"C", "B"}}, {{"C", 1}}},
      {"a name before, one after, and the code itself",
       {{"C", "D"}, {"C", ""}, {"C", "A"}, {"C", "A"}},
       {{"C", 2}}},
      {"unknown codes, the empty one among them",
       {{"G5IDD", ""}, {"G5NRD", "NR"}},
       {{"", -1}, {"G5", -1}, {"G5IDDX", -1}, {"NR", -1}, {"G5NRD", 1}}},
      {"the empty code", {{"", ""}, {"X", ""}}, {{"", 0}, {"X", 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    smObject o("T");
    std::vector<smAttribute*> attributes;
    std::vector<smRelation*> relations;
    for (const Add& a : c.adds) {
      attributes.push_back(o.addAttribute(a.code, a.name, "v"));
      relations.push_back(o.addRelation(a.code, a.name));
    }
    for (const Lookup& l : c.lookups) {
      SCOPED_TRACE(std::string("code \"") + l.code + "\"");
      EXPECT_EQ(o.getAttributeByCode(l.code), l.entry < 0 ? nullptr : attributes[l.entry]);
      EXPECT_EQ(o.getRelationByCode(l.code), l.entry < 0 ? nullptr : relations[l.entry]);
    }
  }
}

TEST(SemanticObject, LookupByCodeAgreesWithNameOrderWhateverTheOrderOfAdding) {
  const std::vector<std::pair<const char*, const char*>> adds = {
      {"B", "n3"}, {"A", "n2"}, {"B", "n1"}, {"A", "n2"}, {"B", ""}, {"A", "n0"}};
  std::vector<std::size_t> order(adds.size());
  std::iota(order.begin(), order.end(), 0);
  do {
    smObject o("T");
    for (std::size_t i : order) o.addAttribute(adds[i].first, adds[i].second, "v");
    // What a walk in name order finds first: the smallest name, the first
    // added of that name.
    for (const char* code : {"A", "B"}) {
      const smAttribute* found = o.getAttributeByCode(code);
      ASSERT_NE(found, nullptr);
      AnsiString best;
      bool any = false;
      for (std::size_t i : order)
        if (adds[i].first == std::string(code)) {
          const AnsiString name = *adds[i].second ? adds[i].second : adds[i].first;
          if (!any || name < best) best = name, any = true;
        }
      ASSERT_EQ(found->name, best) << "code " << code;
      ASSERT_EQ(found, o.getAttribute(best)) << "the first added of that name";
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST(SemanticObject, LookupByCodeAfterClearingFindsOnlyTheNewEntries) {
  smObject o("T");
  o.addAttribute("C", "A", "old");
  o.addRelation("R", "A");
  o.clearMaps();
  EXPECT_EQ(o.getAttributeByCode("C"), nullptr);
  EXPECT_EQ(o.getRelationByCode("R"), nullptr);
  smAttribute* fresh = o.addAttribute("C", "Z", "new");
  smRelation* rel = o.addRelation("R", "Z");
  EXPECT_EQ(o.getAttributeByCode("C"), fresh) << "the cleared entry under a smaller name is gone";
  EXPECT_EQ(o.getRelationByCode("R"), rel);
}

}  // namespace
