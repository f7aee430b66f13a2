#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "Findings.h"
#include "metadata/Metadata.h"
#include "semantics/G5adr.h"
#include "semantics/G5jrz.h"
#include "semantics/Smobject.h"
#include "support/PolishLocale.h"

using namespace swde;
using namespace swde::test;

namespace {

// The grammar of the seven base types, one value at a time, with no
// metadata behind it (the range check then finds nothing to judge).
TEST(ValueChecks, GrammarOfTheBaseTypes) {
  struct Case {
    const char* type;
    const char* value;
    int code;  // 0: passes
  };
  const Case cases[] = {
      // real numbers
      {"FL", "", 0},
      {"FL", "1.5", 0},
      {"FL", "-2", 0},
      {"FL", "+3.0e5", 0},
      {"FL", "1E-3", 0},
      {"FL", ".5", 0},
      {"FL", "5.", 0},
      {"FL", " 7 ", 0},
      {"FL", "1,5", 6013},
      {"FL", "abc", 6013},
      {"FL", "1e", 6013},
      {"FL", ".", 6013},
      {"FL", "+-1", 6013},
      {"FL", "1.5x", 6013},
      {"FL", "inf", 6013},
      {"FL", "nan", 6013},
      {"FL", "0x1p3", 6013},
      {"FL", "1e999", 6013},
      {"FL", "1e-400", 6013},  // too small for a double
      {"FL", "  ", 6013},
      {"FL", "1;2", 6033},
      // integers
      {"NO", "", 0},
      {"NO", "12", 0},
      {"NO", "-12", 0},
      {"NO", " 12 ", 0},
      {"NO", "9223372036854775807", 0},
      {"NO", "9223372036854775808", 6014},
      {"NO", "1.5", 6014},
      {"NO", "x", 6014},
      {"NO", "1 2", 6014},
      {"NO", "1;2", 6033},
      // logical values
      {"LN", "", 0},
      {"LN", "1", 0},
      {"LN", "0", 0},
      {"LN", " 1 ", 0},
      {"LN", "2", 6015},
      {"LN", "true", 6015},
      {"LN", "01", 6015},
      {"LN", "1;2", 6033},
      // fractions: the grammar only; whether it is proper is a rule of the
      // share classes
      {"UL", "", 0},
      {"UL", "1/2", 0},
      {"UL", "1/1", 0},
      {"UL", "3/2", 0},
      {"UL", "1 1/2", 0},
      {"UL", " 1/2 ", 0},
      {"UL", "   ", 0},
      {"UL", "1/0", 6016},
      {"UL", "a/b", 6016},
      {"UL", "1", 6016},
      {"UL", "1/", 6016},
      {"UL", "/2", 6016},
      {"UL", "1/2/3", 6016},
      {"UL", "-1/2", 6016},
      {"UL", "1/-2", 6016},
      {"UL", "x 1/2", 6016},
      {"UL", "1 / 2", 6016},
      {"UL", "99999999999999999999/1", 6016},
      {"UL", "1;2", 6033},
      // dates
      {"DN", "", 0},
      {"DN", "2004.01.05", 0},
      {"DN", "2004.13.45", 0},  // no range test
      {"DN", "2004-01-05", 6018},
      {"DN", "04.01.05", 6018},
      {"DN", "   ", 6018},
      {"DN", "          ", 6018},
      {"DN", "2O04.01.05", 6018},  // a letter O
      {"DN", "2004.01.0", 6018},
      {"DN", "2004.01.05 ", 6018},
      {"DN", " 2004.01.05", 6018},
      {"DN", "+004.01.05", 6018},
      {"DN", "2004.-1.05", 6018},
      {"DN", "2004/01/05", 6018},
      {"DN", "1;2", 6033},
      // times
      {"HR", "", 0},
      {"HR", "   ", 0},
      {"HR", "12:30:15", 0},
      {"HR", "12:30:15.12345", 0},
      {"HR", "99:99:99", 0},
      {"HR", "12:30:15.1", 6019},
      {"HR", "12-30-15", 6019},
      {"HR", "1a:30:15", 6019},
      {"HR", "12:30", 6019},
      {"HR", "12:30:15:12345", 6019},
      {"HR", "12:30:15.1234x", 6019},
      {"HR", " 2:30:15", 6019},
      {"HR", "1;:30:15", 6033},
      // dates and times
      {"DH", "", 0},
      {"DH", "  ", 0},
      {"DH", "2004.01.05-12:30:15", 0},
      {"DH", "2004.01.05-12:30:15.12345", 0},
      {"DH", "2004.01.05 12:30:15", 6020},
      {"DH", "2004.01.05-12:30", 6020},
      {"DH", "2004.01.05-1x:30:15", 6020},
      {"DH", "2004.01.05-12:30:15.123+5", 6020},
      {"DH", "2004-01-05-12:30:15", 6020},
      {"DH", "2004.01.05", 6020},
      {"DH", "2004.01.05-12:30:15;", 6033},
      // other type codes: no grammar, not even the ";" test
      {"ZN", "1;2", 0},
      {"fl", "abc", 0},
      {"", "abc", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " '" + c.value + "'");
    smObject o("T");
    smAttribute* a = o.addAttribute("A", "", c.value);
    o.checkAttribute(c.type, *a);
    EXPECT_EQ(codes(o), c.code ? Codes{c.code} : Codes{});
  }
}

TEST(ValueChecks, NumbersDoNotFollowTheLocale) {
  testsupport::PolishLocale polish;
  if (!polish) GTEST_SKIP() << "no Polish locale";
  EXPECT_TRUE(smObject::isCorrectFloatData("1.5"));
  EXPECT_FALSE(smObject::isCorrectFloatData("1,5"));
  smObject o("T");
  o.checkAttribute("FL", *o.addAttribute("A", "", "2,25"));
  o.checkAttribute("FL", *o.addAttribute("B", "", "2.25"));
  EXPECT_EQ(codes(o), Codes{6013});
}

// Records the attributes that reach the type-specific rule.
class HookedObject : public smObject {
 public:
  using smObject::smObject;
  void checkAttribValue(const smAttribute& attribute) override {
    reached.push_back(attribute.code);
  }
  std::vector<AnsiString> reached;
};

class RangeChecks : public ::testing::Test {
 protected:
  Metadata annex;

  void SetUp() override {
    RecordType* t = annex.getTypesSection()->addType("T", "RO", "");
    t->addAttribute("M1", "")->mandatoryLevel = 1;
    t->addAttribute("M2", "")->mandatoryLevel = 2;
    t->addAttribute("M3", "")->mandatoryLevel = 3;
    t->addAttribute("M0", "")->mandatoryLevel = 0;
    AttributeDef* list = t->addAttribute("L", "LISTA");
    list->mandatoryLevel = 1;
    list->AddValue("jeden", "1");
    list->AddValue("dwa", "2");
    t->addAttribute("N", "")->mandatoryLevel = 1;
    for (const char* a : {"M1", "M2", "M3", "M0", "L", "X"})
      annex.getAttribsSection()->addAttribute(a)->type = "ZN";
    annex.getAttribsSection()->addAttribute("N")->type = "NO";
    t->addAttribute("U", "")->mandatoryLevel = 2;
    annex.getAttribsSection()->addAttribute("U")->type = "UL";
  }
};

TEST_F(RangeChecks, EmptinessAllowedValuesAndTheRule) {
  struct Case {
    const char* code;
    const char* value;
    CodesAndKinds found;
    bool reachesRule;
  };
  const std::vector<Case> cases = {
      {"M1", "", {{6022, 0}}, true},
      {"M1", "  ", {{6022, 0}}, true},
      {"M2", "", {{6022, 1}}, true},
      {"M3", "", {}, false},
      {"M0", "", {}, true},
      {"M1", "x", {}, true},
      {"L", "1", {}, true},
      {"L", " 2", {}, true},
      {"L", "3", {{6021, 0}}, false},
      {"L", "jeden", {{6021, 0}}, false},  // allowed values are their numbers, not texts
      {"L", "", {{6022, 0}}, true},
      {"N", "", {{6022, 0}}, true},  // an empty number reaches the emptiness rule
      {"N", "x", {{6014, 0}}, false},
      {"U", "", {{6022, 1}}, true},  // an empty fraction passes its grammar
      {"U", "1/0", {{6016, 0}}, false},
      {"X", "anything", {}, true},  // a type without its definition: only the rule
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.code) + " '" + c.value + "'");
    HookedObject o("T");
    o.status = "00";
    o.addAttribute(c.code, "", c.value);
    o.checkMain(&annex, nullptr);
    CodesAndKinds found;
    for (auto [code, kind] : codesAndKinds(o))
      if (code != 6001 && code != 6008) found.emplace_back(code, kind);
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(o.reached,
              c.reachesRule ? std::vector<AnsiString>{c.code} : std::vector<AnsiString>{});
  }
}

TEST(ValueChecks, PostalCode) {
  struct Case {
    const char* value;
    bool ok;
  };
  const Case cases[] = {
      {"00-950", true},  {"", true},         {"00950", false},   {"0-0950", false},
      {"00-95", false},  {"00-9500", false}, {"00-9-0", false},  {"ab-cde", false},
      {"+0-950", false}, {" 0-950", false},  {"00-950 ", false}, {"00- 95", false},
      {"00-+95", false}, {"   ", false},     {"0a-950", false},  {"-00950", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    G5ADR o("G5ADR");
    smAttribute* a = o.addAttribute("G5KOD", "", c.value);
    a->line = 4;
    o.checkAttribute("ZN", *a);
    EXPECT_EQ(codes(o), c.ok ? Codes{} : Codes{6028});
    if (!c.ok) {
      EXPECT_EQ(o.getFirstError()->line, 4u);
      EXPECT_EQ(o.getFirstError()->message,
                smError(seBadPostalCode, std::vector<TVarRec>{"G5ADR"}.data(), 0).message);
    }
  }
  // Another code is not a postal code.
  G5ADR o("G5ADR");
  o.checkAttribute("ZN", *o.addAttribute("G5KOD2", "", "x"));
  EXPECT_EQ(codes(o), Codes{});
}

TEST(ValueChecks, ShareMustBeAProperFraction) {
  struct Case {
    const char* value;
    Codes found;
  };
  const Case cases[] = {
      {"1/2", {}},
      {"1/1", {}},
      {"2/3", {}},
      {"", {}},
      {"3/2", {6017}},
      {"0/1", {6017}},
      {"1 1/2", {6017}},
      {"0 1/2", {6017}},
      {"1/0", {6016}},  // malformed: no
                        // second finding
      {"1;2", {6033}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    G5JRZ o("G5JRZ");
    o.checkAttribute("UL", *o.addAttribute("G5UD", "", c.value));
    EXPECT_EQ(codes(o), c.found);
  }
  // Only the share is judged.
  G5JRZ other("G5JRZ");
  other.checkAttribute("UL", *other.addAttribute("G5XX", "", "3/2"));
  EXPECT_EQ(codes(other), Codes{});
  // An improper fraction of another attribute leaves nothing behind for a
  // share that is not a fraction type.
  G5JRZ stale("G5JRZ");
  stale.checkAttribute("UL", *stale.addAttribute("G5XX", "", "3/2"));
  stale.checkAttribute("ZN", *stale.addAttribute("G5UD", "", "abc"));
  EXPECT_EQ(codes(stale), Codes{});
  // The plain object has no such rule.
  smObject plain("G5JRZ");
  plain.checkAttribute("UL", *plain.addAttribute("G5UD", "", "3/2"));
  EXPECT_EQ(codes(plain), Codes{});
}

}  // namespace
