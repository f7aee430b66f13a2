#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "metadata/Metadata.h"

using namespace swde;

namespace {

// One name-keyed container of the model, seen through its own operations.
struct Container {
  std::string what;
  std::function<const AnsiString*(const AnsiString&)> add;  // key stored in the new entry
  std::function<const AnsiString*(const AnsiString&)> get;
  std::function<bool(const AnsiString&)> present;  // null where the container has no such call
  std::function<const AnsiString*()> first;
  std::function<const AnsiString*()> next;
  const char* holds = nullptr;  // an entry made by the fixture
};

template <class T>
const AnsiString* nameOf(T* entry) {
  return entry ? &entry->name : nullptr;
}
template <class T>
const AnsiString* keyOf(T* entry) {
  return entry ? &entry->key : nullptr;
}

class ModelContainers : public ::testing::Test {
 protected:
  Metadata model;
  RecordType* type = nullptr;
  Dictionary* dictionary = nullptr;

  std::vector<Container> all() {
    type = model.getTypesSection()->addType("T", "RO", "");
    dictionary = model.getDictsSection()->addDictionary("D");
    TypesSection* ts = model.getTypesSection();
    AttribsSection* as = model.getAttribsSection();
    ContextSection* cs = model.getContextSection();
    DictsSection* ds = model.getDictsSection();
    GraphSection* gs = model.getGraphSection();
    RecordType* rt = type;
    Dictionary* dc = dictionary;
    return {
        {"types", [=](auto& k) { return nameOf(ts->addType(k, "RO", "")); },
         [=](auto& k) { return nameOf(ts->getType(k)); },
         [=](auto& k) { return ts->isTypePresent(k); }, [=] { return nameOf(ts->getFirstType()); },
         [=] { return nameOf(ts->getNextType()); }, "T"},
        {"attribute types", [=](auto& k) { return nameOf(as->addAttribute(k)); },
         [=](auto& k) { return nameOf(as->getAttribute(k)); },
         [=](auto& k) { return as->isAttributeTypePresent(k); },
         [=] { return nameOf(as->getFirstAttributeType()); },
         [=] { return nameOf(as->getNextAttributeType()); }},
        {"relation types", [=](auto& k) { return nameOf(as->addRelation(k)); },
         [=](auto& k) { return nameOf(as->getRelation(k)); },
         [=](auto& k) { return as->isRelationTypePresent(k); },
         [=] { return nameOf(as->getFirstRelationType()); },
         [=] { return nameOf(as->getNextRelationType()); }},
        {"contexts", [=](auto& k) { return nameOf(cs->addRecord(k)); },
         [=](auto& k) { return nameOf(cs->getRecord(k)); }, nullptr,
         [=] { return nameOf(cs->getFirstContext()); },
         [=] { return nameOf(cs->getNextContext()); }},
        {"user contexts", [=](auto& k) { return nameOf(cs->addUsrRecord(k)); },
         [=](auto& k) { return nameOf(cs->getUsrRecord(k)); }, nullptr,
         [=] { return nameOf(cs->getFirstUsrContext()); },
         [=] { return nameOf(cs->getNextUsrContext()); }},
        {"dictionaries", [=](auto& k) { return nameOf(ds->addDictionary(k)); },
         [=](auto& k) { return nameOf(ds->getDictionary(k)); },
         [=](auto& k) { return ds->isDictionaryPresent(k); },
         [=] { return nameOf(ds->getFirstDictionary()); },
         [=] { return nameOf(ds->getNextDictionary()); }, "D"},
        {"dictionary items", [=](auto& k) { return keyOf(dc->addItem(k)); },
         [=](auto& k) { return keyOf(dc->getItem(k)); },
         [=](auto& k) { return dc->isItemPresent(k); }, [=] { return keyOf(dc->getFirstItem()); },
         [=] { return keyOf(dc->getNextItem()); }},
        {"NK styles", [=](auto& k) { return nameOf(gs->addStyleNK(k)); },
         [=](auto& k) { return nameOf(gs->getStyleNK(k)); },
         [=](auto& k) { return gs->isStyleNKPresent(k); },
         [=] { return nameOf(gs->getFirstStyleNK()); },
         [=] { return nameOf(gs->getNextStyleNK()); }},
        {"FD styles", [=](auto& k) { return nameOf(gs->addStyleFD(k)); },
         [=](auto& k) { return nameOf(gs->getStyleFD(k)); },
         [=](auto& k) { return gs->isStyleFDPresent(k); },
         [=] { return nameOf(gs->getFirstStyleFD()); },
         [=] { return nameOf(gs->getNextStyleFD()); }},
        {"ZD styles", [=](auto& k) { return nameOf(gs->addStyleZD(k)); },
         [=](auto& k) { return nameOf(gs->getStyleZD(k)); },
         [=](auto& k) { return gs->isStyleZDPresent(k); },
         [=] { return nameOf(gs->getFirstStyleZD()); },
         [=] { return nameOf(gs->getNextStyleZD()); }},
        {"VD styles", [=](auto& k) { return nameOf(gs->addStyleVD(k)); },
         [=](auto& k) { return nameOf(gs->getStyleVD(k)); },
         [=](auto& k) { return gs->isStyleVDPresent(k); },
         [=] { return nameOf(gs->getFirstStyleVD()); },
         [=] { return nameOf(gs->getNextStyleVD()); }},
        {"JD styles", [=](auto& k) { return nameOf(gs->addStyleJD(k)); },
         [=](auto& k) { return nameOf(gs->getStyleJD(k)); },
         [=](auto& k) { return gs->isStyleJDPresent(k); },
         [=] { return nameOf(gs->getFirstStyleJD()); },
         [=] { return nameOf(gs->getNextStyleJD()); }},
        {"attribute definitions", [=](auto& k) { return keyOf(rt->addAttribute(k, "")); },
         [=](auto& k) { return keyOf(rt->getAttribute(k)); },
         [=](auto& k) { return rt->isAttributePresent(k); },
         [=] { return keyOf(rt->getFirstAttr()); }, [=] { return keyOf(rt->getNextAttr()); }},
        {"reference definitions", [=](auto& k) { return keyOf(rt->addReference(k, "")); },
         [=](auto& k) { return keyOf(rt->getReference(k)); },
         [=](auto& k) { return rt->isReferencePresent(k); },
         [=] { return keyOf(rt->getFirstReference()); },
         [=] { return keyOf(rt->getNextReference()); }},
    };
  }
};

std::vector<AnsiString> walk(const Container& c) {
  std::vector<AnsiString> keys;
  for (const AnsiString* k = c.first(); k; k = c.next()) keys.push_back(*k);
  return keys;
}

TEST_F(ModelContainers, EveryContainerKeepsTheRules) {
  for (const Container& c : all()) {
    SCOPED_TRACE(c.what);
    // A fresh cursor: next before any first gives nothing.
    EXPECT_EQ(c.next(), nullptr);
    if (!c.holds) {
      EXPECT_EQ(c.first(), nullptr);
    }
    EXPECT_EQ(c.next(), nullptr);

    // Byte order of the keys, not the order of adding; 0xB9 (cp1250 "ą")
    // sorts above every ASCII letter.
    for (const char* k : {"b", "\xB9", "a", "B"}) {
      const AnsiString* added = c.add(k);
      ASSERT_NE(added, nullptr) << k;
      EXPECT_EQ(*added, k);
    }
    std::vector<AnsiString> expected = {"B", "a", "b", "\xB9"};
    if (c.holds) expected.insert(expected.begin() + 1, c.holds);  // "D" and "T" sort after "B"
    EXPECT_EQ(walk(c), expected);

    // A second add of a present key gives null and keeps the first entry.
    const AnsiString* before = c.get("a");
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(c.add("a"), nullptr);
    EXPECT_EQ(c.get("a"), before);
    EXPECT_EQ(walk(c).size(), expected.size());

    // Keys are case-sensitive; an absent key gives null.
    EXPECT_EQ(c.get("A"), nullptr);
    EXPECT_EQ(c.get(""), nullptr);
    if (c.present) {
      EXPECT_TRUE(c.present("B"));
      EXPECT_FALSE(c.present("A"));
    }

    // At the end the cursor stays at the end; first starts over.
    EXPECT_EQ(c.next(), nullptr);
    EXPECT_EQ(c.next(), nullptr);
    ASSERT_NE(c.first(), nullptr);
    EXPECT_EQ(*c.first(), "B");
  }
}

TEST(Metadata, OwnsFiveEmptySections) {
  Metadata m;
  ASSERT_NE(m.getContextSection(), nullptr);
  ASSERT_NE(m.getAttribsSection(), nullptr);
  ASSERT_NE(m.getTypesSection(), nullptr);
  ASSERT_NE(m.getDictsSection(), nullptr);
  ASSERT_NE(m.getGraphSection(), nullptr);
  EXPECT_EQ(m.getTypesSection()->getFirstType(), nullptr);
  EXPECT_EQ(m.getTypesSection()->flags, 0);
  EXPECT_EQ(m.getTypesSection()->crc.getValue(), 0u);
  // Two models do not share their sections.
  Metadata other;
  m.getTypesSection()->addType("G5DZE", "RO", "");
  EXPECT_FALSE(other.getTypesSection()->isTypePresent("G5DZE"));
}

TEST(RecordType, AddTypeKeepsItsThreeTextsAndDefaults) {
  TypesSection types;
  RecordType* t = types.addType("G5DZE", "RO", "G5O_DZE");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->name, "G5DZE");
  EXPECT_EQ(t->baseType, "RO");
  EXPECT_EQ(t->nameAsRead, "G5O_DZE");
  EXPECT_EQ(t->mandatoryLevel, 3);
  EXPECT_EQ(t->comment, "");
  EXPECT_FALSE(t->isComplex());
  // A second type of the same name changes nothing, whatever its texts.
  EXPECT_EQ(types.addType("G5DZE", "RC", "x"), nullptr);
  EXPECT_EQ(types.getType("G5DZE")->baseType, "RO");
  EXPECT_TRUE(types.addType("G5KLU", "RC", "")->isComplex());
  EXPECT_FALSE(types.addType("G5X", "rc", "")->isComplex());
}

TEST(RecordType, DefinitionsAreFiledUnderTheFieldNameOrTheCode) {
  RecordType t("T", "RO", "");
  AttributeDef* plain = t.addAttribute("A", "");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->key, "A");
  EXPECT_EQ(plain->code, "A");
  EXPECT_FALSE(plain->hasKey);
  EXPECT_EQ(plain->mandatoryLevel, 3);
  EXPECT_FALSE(plain->multiple);

  AttributeDef* keyed = t.addAttribute("C", "X");
  ASSERT_NE(keyed, nullptr);
  EXPECT_EQ(keyed->key, "X");
  EXPECT_EQ(keyed->code, "C");
  EXPECT_TRUE(keyed->hasKey);
  EXPECT_EQ(t.getAttribute("C"), nullptr);
  EXPECT_EQ(t.getAttribute("X"), keyed);
  EXPECT_EQ(t.getAttributeByCode("C"), keyed);
  EXPECT_EQ(t.getAttributeByCode("X"), nullptr);
  // The key is what must be unique: another code under a taken key is refused.
  EXPECT_EQ(t.addAttribute("X", ""), nullptr);
  EXPECT_EQ(t.addAttribute("Z", "A"), nullptr);
  EXPECT_EQ(t.getAttribute("A"), plain);

  // References follow the same rules, in a map of their own.
  ReferenceDef* ref = t.addReference("R", "K");
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->key, "K");
  EXPECT_EQ(ref->code, "R");
  EXPECT_TRUE(ref->hasKey);
  EXPECT_FALSE(ref->element);
  EXPECT_FALSE(ref->multiple);
  EXPECT_EQ(ref->mandatoryLevel, 3);
  EXPECT_EQ(t.getReferenceByCode("R"), ref);
  EXPECT_EQ(t.getReference("R"), nullptr);
  EXPECT_NE(t.addReference("A", ""), nullptr);  // an attribute key does not block a reference
  EXPECT_EQ(t.addReference("Q", "K"), nullptr);
}

TEST(RecordType, LookupByCodeInsideAWalkLeavesTheCursorAlone) {
  RecordType t("T", "RO", "");
  t.addAttribute("c1", "k1");
  t.addAttribute("c2", "k2");
  t.addAttribute("c3", "k3");
  t.addReference("r1", "");
  t.addReference("r2", "");
  std::vector<AnsiString> seen;
  for (AttributeDef* d = t.getFirstAttr(); d; d = t.getNextAttr()) {
    seen.push_back(d->key);
    EXPECT_NE(t.getAttributeByCode("c3"), nullptr);
    EXPECT_EQ(t.getAttributeByCode("none"), nullptr);
  }
  EXPECT_EQ(seen, (std::vector<AnsiString>{"k1", "k2", "k3"}));
  seen.clear();
  for (ReferenceDef* d = t.getFirstReference(); d; d = t.getNextReference()) {
    seen.push_back(d->key);
    EXPECT_NE(t.getReferenceByCode("r2"), nullptr);
  }
  EXPECT_EQ(seen, (std::vector<AnsiString>{"r1", "r2"}));
  // The first of several definitions of one code, in key order.
  t.addAttribute("c1", "a0");
  EXPECT_EQ(t.getAttributeByCode("c1")->key, "a0");
}

TEST(AttributeDef, AllowedValuesAreKeyedByTheirNumber) {
  AttributeDef d("K", "C");
  EXPECT_EQ(d.getPossibleValuesCount(), 0u);
  EXPECT_FALSE(d.isValuePresent(""));
  d.AddValue("opis", "1");
  EXPECT_TRUE(d.isValuePresent("1"));
  EXPECT_FALSE(d.isValuePresent("opis"));
  EXPECT_TRUE(d.isStringValuePresent("opis"));
  EXPECT_FALSE(d.isStringValuePresent("1"));
  // A value already present keeps its first text.
  d.AddValue("inny", "1");
  EXPECT_EQ(d.getPossibleValuesCount(), 1u);
  EXPECT_TRUE(d.isStringValuePresent("opis"));
  EXPECT_FALSE(d.isStringValuePresent("inny"));
  d.AddValue("", "2");
  EXPECT_EQ(d.getPossibleValuesCount(), 2u);
  EXPECT_TRUE(d.isStringValuePresent(""));
}

TEST(Definitions, CommentsAndTargetTypes) {
  AttributeDef a("K", "C");
  ReferenceDef r("K", "C");
  EXPECT_EQ(a.getComment(0), "");
  EXPECT_EQ(r.getComment(0), "");
  for (const char* c : {"pierwszy", "", "trzeci"}) {
    a.addComment(c);
    r.addComment(c);
  }
  EXPECT_EQ(a.getComment(0), "pierwszy");
  EXPECT_EQ(a.getComment(1), "");
  EXPECT_EQ(a.getComment(2), "trzeci");
  EXPECT_EQ(a.getComment(3), "");
  EXPECT_EQ(a.getComment(~0u), "");
  EXPECT_EQ(r.getComment(2), "trzeci");
  EXPECT_EQ(r.getComment(3), "");

  EXPECT_FALSE(r.isRefTypeNamePresent("G5DZE"));
  const AnsiString name = "G5DZE";
  r.addRefTypeName(name);
  r.addRefTypeName(name);
  r.addRefTypeName("G5BUD");
  EXPECT_TRUE(r.isRefTypeNamePresent("G5DZE"));
  EXPECT_TRUE(r.isRefTypeNamePresent("G5BUD"));
  EXPECT_FALSE(r.isRefTypeNamePresent("g5dze"));
  EXPECT_FALSE(r.isRefTypeNamePresent("G5DZ"));
}

TEST(SumCRC, IsTheStandardSumOverTheSharedTable) {
  SumCRC s;
  EXPECT_EQ(s.crc, 0xFFFFFFFFu);
  EXPECT_EQ(s.getValue(), 0u);
  s.put(std::string_view("123456789"));
  EXPECT_EQ(s.getValue(), 0xCBF43926u);
  EXPECT_EQ(s.crc, 0x340BC6D9u);
  // Chained from a register, byte by byte with only the low 8 bits.
  SumCRC parts;
  parts.put(std::string_view("1234"));
  SumCRC resumed(parts.crc);
  for (char c : std::string_view("56789")) resumed.put(c + 0x100);
  EXPECT_EQ(resumed.crc, s.crc);
}

struct Entry {
  explicit Entry(const AnsiString& key) : key(key) {}
  AnsiString key;
};

TEST(NamedMap, AFilingThatFailsLeavesTheMapAsItWas) {
  NamedMap<Entry> map;
  map.add("a");
  map.add("c");
  ASSERT_EQ(map.first()->key, "a");  // a walk in progress
  int filed = 0;
  EXPECT_THROW(map.addFiled("b",
                            [&](Entry*) {
                              ++filed;
                              throw std::runtime_error("index full");
                            }),
               std::runtime_error);
  EXPECT_EQ(filed, 1);
  EXPECT_EQ(map.size(), 2u);
  EXPECT_FALSE(map.contains("b"));
  EXPECT_EQ(map.next()->key, "c") << "the walk goes on where it was";
  EXPECT_EQ(map.next(), nullptr);

  // The key is free again; a filing that succeeds sees the new entry.
  Entry* seen = nullptr;
  Entry* b = map.addFiled("b", [&](Entry* e) { seen = e; });
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(seen, b);
  // A key already present is refused before any filing.
  EXPECT_EQ(map.addFiled("b", [&](Entry*) { ADD_FAILURE() << "filed a refused entry"; }), nullptr);
  // Lookups take views, also into a longer text.
  EXPECT_EQ(map.get(std::string_view("bcd").substr(0, 1)), b);
  EXPECT_TRUE(map.contains(std::string_view("c")));
}

}  // namespace
