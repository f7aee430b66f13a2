// Definitions found by code: the first in key order wins, whatever order the
// definitions were added in, and the walks keep key order.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "metadata/Metadata.h"

using namespace swde;

namespace {

// The index trusts that a definition's code and key never change.
static_assert(!std::is_assignable_v<decltype((std::declval<AttributeDef&>().code)), AnsiString>);
static_assert(!std::is_assignable_v<decltype((std::declval<AttributeDef&>().key)), AnsiString>);
static_assert(!std::is_assignable_v<decltype((std::declval<ReferenceDef&>().code)), AnsiString>);
static_assert(!std::is_assignable_v<decltype((std::declval<ReferenceDef&>().key)), AnsiString>);

struct Add {
  const char* code;
  const char* field;
};

struct Lookup {
  std::string code;
  const char* key;  // of the definition found; null for none
};

struct Case {
  const char* what;
  std::vector<Add> adds;
  std::vector<Lookup> lookups;
};

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {"a later definition with a smaller key wins",
       {{"C", "K2"}, {"C", "K1"}},
       {{"C", "K1"}, {"K1", nullptr}}},
      {"an earlier definition with a smaller key stays",
       {{"C", "K1"}, {"C", "K2"}, {"C", "K3"}},
       {{"C", "K1"}}},
      {"three of one code, the smallest key in the middle",
       {{"C", "K2"}, {"C", "K0"}, {"C", "K9"}},
       {{"C", "K0"}}},
      {"filed under its code, then under a field name before it",
       {{"C", ""}, {"C", "B"}},
       {{"C", "B"}, {"B", nullptr}}},
      {"a refused definition is not found by its code",
       {{"A", ""}, {"Z", "A"}},
       {{"A", "A"}, {"Z", nullptr}}},
      {"unknown codes, the empty one among them",
       {{"G5IDD", ""}, {"G5NRD", "NUMER"}},
       {{"", nullptr},
        {"G5", nullptr},
        {"G5IDDX", nullptr},
        {"g5idd", nullptr},
        {"G5IDD", "G5IDD"}}},
      {"the empty code is a code like any other",
       {{"", "F"}, {"", "E"}, {"X", ""}},
       {{"", "E"}, {"X", "X"}}},
      {"codes that begin one another, and bytes above 127",
       {{"G5", "x1"}, {"G5A", "x0"}, {"\xA5", "x2"}, {"A", "x3"}, {"\xA5\xA5", "x4"}},
       {{"G5", "x1"},
        {"G5A", "x0"},
        {"\xA5", "x2"},
        {"\xA5\xA5", "x4"},
        {"A", "x3"},
        {"G", nullptr},
        {"G5AA", nullptr},
        {"\xA6", nullptr}}},
  };
  return all;
}

const char* keyOrNull(const AttributeDef* d) {
  return d ? d->key.c_str() : nullptr;
}
const char* keyOrNull(const ReferenceDef* d) {
  return d ? d->key.c_str() : nullptr;
}

void expectKey(const char* found, const char* expected) {
  if (expected)
    EXPECT_STREQ(found, expected);
  else
    EXPECT_EQ(found, nullptr) << "found " << found;
}

TEST(LookupByCode, TheFirstDefinitionInKeyOrderWins) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.what);
    RecordType t("T", "RO", "");
    for (const Add& a : c.adds) {
      t.addAttribute(a.code, a.field);
      t.addReference(a.code, a.field);
    }
    for (const Lookup& l : c.lookups) {
      SCOPED_TRACE("code \"" + l.code + "\"");
      expectKey(keyOrNull(t.getAttributeByCode(l.code)), l.key);
      expectKey(keyOrNull(t.getReferenceByCode(l.code)), l.key);
      // A view into a longer text finds the same.
      const std::string padded = l.code + "#";
      expectKey(keyOrNull(t.getAttributeByCode(std::string_view(padded).substr(0, l.code.size()))),
                l.key);
    }
  }
}

TEST(LookupByCode, AgreesWithAWalkWhateverTheOrderOfAdding) {
  // Three codes over six keys; every order of adding them.
  const std::vector<Add> adds = {{"B", "k5"}, {"A", "k3"}, {"B", "k1"},
                                 {"A", "k4"}, {"C", ""},   {"B", "k2"}};
  std::vector<std::size_t> order(adds.size());
  std::iota(order.begin(), order.end(), 0);
  int orders = 0;
  do {
    ++orders;
    RecordType t("T", "RO", "");
    for (std::size_t i : order) {
      ASSERT_NE(t.addAttribute(adds[i].code, adds[i].field), nullptr);
      ASSERT_NE(t.addReference(adds[i].code, adds[i].field), nullptr);
    }
    // The walks are in key order, however the definitions came.
    std::vector<AnsiString> attrKeys, refKeys;
    std::vector<std::pair<AnsiString, AnsiString>> firstOfCode;  // code, key: the walk's answer
    for (AttributeDef* d = t.getFirstAttr(); d; d = t.getNextAttr()) {
      attrKeys.push_back(d->key);
      if (std::none_of(firstOfCode.begin(), firstOfCode.end(),
                       [&](const auto& p) { return p.first == d->code; }))
        firstOfCode.emplace_back(d->code, d->key);
    }
    for (ReferenceDef* d = t.getFirstReference(); d; d = t.getNextReference())
      refKeys.push_back(d->key);
    const std::vector<AnsiString> sorted = {"C", "k1", "k2", "k3", "k4", "k5"};
    ASSERT_EQ(attrKeys, sorted);
    ASSERT_EQ(refKeys, sorted);
    ASSERT_EQ(firstOfCode.size(), 3u);
    for (const auto& [code, key] : firstOfCode) {
      ASSERT_NE(t.getAttributeByCode(code), nullptr);
      ASSERT_EQ(t.getAttributeByCode(code)->key, key) << "code " << code;
      ASSERT_EQ(t.getReferenceByCode(code)->key, key) << "code " << code;
    }
    ASSERT_EQ(t.getAttributeByCode("D"), nullptr);
  } while (std::next_permutation(order.begin(), order.end()));
  EXPECT_EQ(orders, 720);
}

}  // namespace
