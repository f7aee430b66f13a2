#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "Findings.h"
#include "semantics/Smobjectfactory.h"

using namespace swde;
using namespace swde::test;

namespace {

enum class Rule { None, PostalCode, Share };

// What an object made for the name does with a bad postal code and an
// improper share: the class shows in its behaviour.
Codes ruleFindings(const smObjectFactory& f, const AnsiString& name) {
  auto o = f.createObject(name);
  EXPECT_EQ(o->typeName, name);
  o->checkAttribute("ZN", *o->addAttribute("G5KOD", "", "00950"));
  o->checkAttribute("UL", *o->addAttribute("G5UD", "", "3/2"));
  return codes(*o);
}

TEST(ObjectFactory, EveryTypeNameGetsItsRule) {
  struct Case {
    const char* name;
    Rule rule;
  };
  const Case cases[] = {
      {"G5ADR", Rule::PostalCode},
      {"G5BUD", Rule::None},
      {"G5O_BUD", Rule::None},
      {"G5G_BUD", Rule::None},
      {"G5DOK", Rule::None},
      {"G5DZE", Rule::None},
      {"G5O_DZE", Rule::None},
      {"G5G_DZE", Rule::None},
      {"G5DZW", Rule::None},
      {"G5GRN", Rule::None},
      {"G5INS", Rule::None},
      {"G5JDR", Rule::None},
      {"G5JEW", Rule::None},
      {"G5O_JEW", Rule::None},
      {"G5G_JEW", Rule::None},
      {"G5JRZ", Rule::Share},
      {"G5KKL", Rule::None},
      {"G5G_KKL", Rule::None},
      {"G5KLU", Rule::None},
      {"G5LKL", Rule::None},
      {"G5MLZ", Rule::None},
      {"G5OBR", Rule::None},
      {"G5O_OBR", Rule::None},
      {"G5G_OBR", Rule::None},
      {"G5OSF", Rule::None},
      {"G5OSZ", Rule::None},
      {"G5PDZ", Rule::Share},
      {"G5PZG", Rule::None},
      {"G5RST", Rule::None},
      {"G5G_RST", Rule::None},
      {"G5UDD", Rule::Share},
      {"G5UDW", Rule::Share},
      {"G5UDZ", Rule::Share},
      {"G5UZG", Rule::None},
      {"G5G_UZG", Rule::None},
      {"G5ZMN", Rule::None},
      // names without a class of their own get the plain object
      {"g5adr", Rule::None},
      {"G5ADR ", Rule::None},
      {"G5O_ADR", Rule::None},
      {"G5G_JRZ", Rule::None},
      {"G5UD", Rule::None},
      {"", Rule::None},
      {"XYZ", Rule::None},
  };
  smObjectFactory f;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Codes expected = c.rule == Rule::PostalCode ? Codes{6028}
                           : c.rule == Rule::Share    ? Codes{6017}
                                                      : Codes{};
    EXPECT_EQ(ruleFindings(f, c.name), expected);
  }
}

TEST(ObjectFactory, ObjectsAreIndependentAndStartClean) {
  smObjectFactory f;
  auto a = f.createObject("G5DZE");
  auto b = f.createObject("G5DZE");
  ASSERT_NE(a.get(), b.get());
  a->addAttribute("G5IDD", "", "1");
  EXPECT_EQ(b->getAttribute("G5IDD"), nullptr);
  EXPECT_EQ(b->getFirstError(), nullptr);
  EXPECT_EQ(b->status, "");
  EXPECT_EQ(b->baseType, "");
}

}  // namespace
