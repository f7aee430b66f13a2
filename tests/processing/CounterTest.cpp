#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "processing/bzCounter.h"

namespace {

using plat::cp;
using swde::bzComplexKeyCounter;
using swde::bzSimpleKeyCounter;
using Lines = std::vector<std::string>;

Lines walk(bzSimpleKeyCounter& c) {
  Lines keys;
  bool found = false;
  for (auto at = c.getFirstElementCounter(found); found; at = c.getNextElementCounter(found))
    keys.push_back(at->first + "=" + std::to_string(at->second));
  return keys;
}

Lines walk(bzComplexKeyCounter& c, const std::string& prefix) {
  Lines keys;
  bool found = false;
  for (auto at = c.getFirstElementCounter(prefix, found); found;
       at = c.getNextElementCounter(found))
    keys.push_back(at->first);
  return keys;
}

TEST(bzCounter, AddCountsEachKeyAndFindGivesTheEntry) {
  bzSimpleKeyCounter c;
  EXPECT_EQ(c.add("G5DZE"), 1);
  EXPECT_EQ(c.add("G5DZE"), 2);
  EXPECT_EQ(c.add("G5BUD"), 1);
  EXPECT_EQ(c.add("G5DZE"), 3);
  EXPECT_EQ(c.add(""), 1);  // the empty key is a key like any other

  bool found = false;
  auto at = c.find("G5DZE", found);
  ASSERT_TRUE(found);
  EXPECT_EQ(at->second, 3);
  at = c.find("G5DZ", found);
  EXPECT_FALSE(found);
  EXPECT_EQ(at, c.end());
}

TEST(bzSimpleKeyCounter, WalksKeysInUnsignedByteOrder) {
  bzSimpleKeyCounter c;
  // "Ś" (0x8C) and "ą" (0xB9) sort behind every ASCII letter; a prefix
  // sorts before the longer key.
  for (const std::string& k : {cp("Śx"), std::string("ab"), std::string("a"), cp("ą"),
                               std::string("Z"), std::string("ab")})
    c.add(k);
  EXPECT_EQ(walk(c), (Lines{"Z=1", "a=1", "ab=2", cp("Śx") + "=1", cp("ą") + "=1"}));
}

TEST(bzSimpleKeyCounter, EmptyCounterAndTheEndAreStable) {
  bzSimpleKeyCounter c;
  bool found = true;
  EXPECT_EQ(c.getFirstElementCounter(found), c.end());
  EXPECT_FALSE(found);
  found = true;
  EXPECT_EQ(c.getNextElementCounter(found), c.end());
  EXPECT_FALSE(found);

  c.add("k");
  c.getFirstElementCounter(found);
  EXPECT_TRUE(found);
  c.getNextElementCounter(found);
  EXPECT_FALSE(found);
  // Asking again at the end stays at the end.
  EXPECT_EQ(c.getNextElementCounter(found), c.end());
  EXPECT_FALSE(found);
}

TEST(bzComplexKeyCounter, WalksTheKeysThatBeginWithThePrefix) {
  bzComplexKeyCounter c;
  for (const char* k : {"A", "AB", "ABC", "B", "AC", "ABD", "AAB"}) c.add(k);
  struct Case {
    std::string prefix;
    Lines keys;
  };
  const std::vector<Case> cases = {
      {"AB", {"AB", "ABC", "ABD"}},
      {"ABC", {"ABC"}},
      {"A", {"A", "AAB", "AB", "ABC", "ABD", "AC"}},
      {"", {}},  // an empty prefix finds nothing
      {"ABCD", {}},
      {"C", {}},
      {"0", {}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.prefix);
    EXPECT_EQ(walk(c, k.prefix), k.keys);
  }
  bool found = true;
  c.getFirstElementCounter("Z", found);
  EXPECT_FALSE(found);
  EXPECT_EQ(c.getNextElementCounter(found), c.end());
  EXPECT_FALSE(found);
}

class CounterReports : public ::testing::Test {
 protected:
  Lines statistics() {
    Lines lines;
    swde::reportStatistics(types, archival, attributes, relations, targets,
                           [&](const std::string& l) { lines.push_back(l); });
    return lines;
  }
  bzSimpleKeyCounter typesC, attributesC, relationsC;
  bzComplexKeyCounter archivalC, targetsC;
  bzSimpleKeyCounter* types = &typesC;
  bzComplexKeyCounter* archival = &archivalC;
  bzSimpleKeyCounter* attributes = &attributesC;
  bzSimpleKeyCounter* relations = &relationsC;
  bzComplexKeyCounter* targets = &targetsC;
};

TEST_F(CounterReports, StatisticsListEveryCounterInKeyOrder) {
  for (const char* k : {"G5DZE", "G5BUD", "G5DZE"}) typesC.add(k);
  archivalC.add("G5DZE");
  archivalC.add("G5JDR");  // archival only: not listed on its own
  attributesC.add("G5NRA");
  relationsC.add("G5RPOD");
  relationsC.add("G5RPOD");
  relationsC.add("G5RKRG");
  targetsC.add("G5RPOD?G5DZE");
  targetsC.add("G5RPOD?G5BUD");
  targetsC.add("G5RPOD?G5BUD");
  targetsC.add("G5RKRG?G5OBR");

  const Lines expected = {
      " ",
      cp("========= Raport spójności referencyjnej ========="),
      " ",
      "-------------- Typy aplikacyjne --------------",
      "Typ: G5BUD - 1",
      "Typ: G5DZE - 2 w tym archiwalnych : 1",
      " ",
      "-------------- Atrybuty --------------",
      "Atrybut: G5NRA - 1",
      " ",
      cp("-------------- Wiązania --------------"),
      cp("Wiązanie: G5RKRG - 1 w tym referencji na:"),
      "     ---->?G5OBR - 1",
      cp("Wiązanie: G5RPOD - 2 w tym referencji na:"),
      "     ---->?G5BUD - 2",
      "     ---->?G5DZE - 1",
  };
  EXPECT_EQ(statistics(), expected);
}

// A relation lists the targets counted under its own key only: those of a
// relation whose key it begins ("AB" under "A") and those of a relation that
// is a prefix of it ("A" under "AB") stay with their owner.
TEST_F(CounterReports, RelationListsOnlyItsOwnTargets) {
  for (const char* r : {"A", "AB", "AB", "B"}) relationsC.add(r);
  for (const char* k : {"A?X", "AB?Y", "AB?Y", "AB?", "A?ZZ", "AC?W", "B?A?B"}) targetsC.add(k);
  const std::string with = cp(" w tym referencji na:");
  const std::string relation = cp("Wiązanie: ");
  const Lines lines = statistics();
  ASSERT_GE(lines.size(), 5u);
  const Lines relationBlock(lines.begin() + 5, lines.end());  // behind the empty blocks
  const Lines expected = {
      cp("-------------- Wiązania --------------"),
      relation + "A - 1" + with,
      "     ---->?X - 1",
      "     ---->?ZZ - 1",
      relation + "AB - 2" + with,
      "     ---->? - 1",  // a target key with an empty target
      "     ---->?Y - 2",
      relation + "B - 1" + with,
      "     ---->?A?B - 1",  // only the first mark ends the relation's key
  };
  EXPECT_EQ(relationBlock, expected);
}

TEST_F(CounterReports, EmptyOrMissingCountersWriteNoHeaderButKeepTheBlankLines) {
  const Lines expected = {" ", cp("========= Raport spójności referencyjnej ========="), " ", " ",
                          " "};
  EXPECT_EQ(statistics(), expected);
  types = nullptr;
  archival = nullptr;
  attributes = nullptr;
  relations = nullptr;
  targets = nullptr;
  EXPECT_EQ(statistics(), expected);

  // A relation without a targets counter still gets its own line.
  relations = &relationsC;
  relationsC.add("R");
  const Lines lines = statistics();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[6], cp("Wiązanie: R - 1 w tym referencji na:"));
}

TEST(ReportErrors, SplitsEachKeyAtItsFirstQuestionMark) {
  bzSimpleKeyCounter c;
  for (const char* k : {"G5DZE?301", "G5DZE?301", "G5BUD?12?x", "noMark", "?7"}) c.add(k);
  Lines lines;
  swde::reportErrors(&c, [&](const std::string& l) { lines.push_back(l); });
  const std::string title = cp("========= Statystyki ostrzeżeń i błędów =========");
  const std::string code = cp("Kod ostrzeżenia (błędu): ");
  const std::string times = cp(" - ilość wystąpień: ");
  const Lines expected = {
      title,
      " ",
      "Typ:    " + code + "7" + times + "1",
      "Typ: G5BUD   " + code + "12?x" + times + "1",
      "Typ: G5DZE   " + code + "301" + times + "2",
      "Typ:    " + code + times + "1",
  };
  EXPECT_EQ(lines, expected);

  lines.clear();
  swde::reportErrors(nullptr, [&](const std::string& l) { lines.push_back(l); });
  EXPECT_EQ(lines, (Lines{title, " "}));
}

}  // namespace
