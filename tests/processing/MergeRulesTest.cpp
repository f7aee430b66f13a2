#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "merge/Mgobject.h"
#include "platform/CodePage.h"
#include "processing/bzMergeRules.h"
#include "syntax/Sxcodes.h"

namespace {

using plat::cp;
using swde::bzMergeRules;
using swde::mgObject;
using Fields = std::vector<std::string_view>;

TEST(bzMergeRules, ListMembershipIsASearchInTheListText) {
  struct Case {
    const char* type;
    bool descriptive, geometric, merged;
    bzMergeRules::Kind kind;
  };
  const auto D = bzMergeRules::kindDescriptive, G = bzMergeRules::kindGeometric,
             U = bzMergeRules::kindUndecided;
  const Case cases[] = {
      {"G5O_DZE", true, false, false, D},
      {"G5O_BUD", true, false, false, D},  // the comma missing behind it changes nothing
      {"G5KLU", true, false, false, D},
      {"BUD G5KLU", true, false, false, D},  // across the missing comma
      {"G5PDZ", true, false, false, D},
      {"G5O_", true, false, false, D},  // a fragment of a listed name
      {"G5G_KKL", false, true, false, G},
      {"G5GRN", false, true, false, G},
      {"G5PZG", false, true, false, G},
      {"G5G_", false, true, false, G},
      {"G5KKL", false, false, true, U},
      {"G5DZE", false, false, true, U},
      {"G5DZE, G5BUD", false, false, true, U},
      {"G5", true, true, true, D},  // in all three; the descriptive list decides first
      {"G5DOK", false, false, false, U},
      {"g5o_dze", false, false, false, U},   // case counts
      {"G5O_DZE ", false, false, false, U},  // so does a blank
      {"", false, false, false, U},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(bzMergeRules::isDescriptiveType(c.type), c.descriptive);
    EXPECT_EQ(bzMergeRules::isGeometricType(c.type), c.geometric);
    EXPECT_EQ(bzMergeRules::isMergedType(c.type), c.merged);
    EXPECT_EQ(bzMergeRules::kindOfType(c.type), c.kind);
  }
  // A merged type's name, whole: no fragment and no run across the comma.
  for (const char* name : {"G5JEW", "G5OBR", "G5DZE", "G5BUD", "G5RST", "G5UZG", "G5KKL"})
    EXPECT_TRUE(bzMergeRules::isMergedTypeName(name)) << name;
  for (const char* name : {"G5", "G5DZE, G5BUD", "G5G_DZE", "G5DZE ", "", "G5KLU"})
    EXPECT_FALSE(bzMergeRules::isMergedTypeName(name)) << name;
}

TEST(bzMergeRules, ReaderOfEachType) {
  using R = bzMergeRules::Reader;
  struct Case {
    const char* type;
    R reader;
    bool anotherHasKey;
  };
  const Case cases[] = {
      {"G5G_JEW", R::geometry, false},     {"G5G_BUD", R::geometry, false},
      {"G5O_OBR", R::description, false},  {"G5O_DZE", R::description, false},
      {"G5G_UZG", R::another, true},       {"G5G_KKL", R::another, true},
      {"G5G_RST", R::another, false},      {"G5KLU", R::another, false},
      {"ABC", R::another, false},          {"", R::another, false},
      {"G5O_ABC", R::uncatalogued, false}, {"XG5G_DZE", R::uncatalogued, false},
      {"G5O_KLU", R::uncatalogued, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(bzMergeRules::readerOf(c.type), c.reader);
    EXPECT_EQ(bzMergeRules::anotherHasKey(c.type), c.anotherHasKey);
  }
}

TEST(bzMergeRules, RenamesOfTypesAndRelationsAndTheMergedType) {
  struct Case {
    const char* name;
    const char* type;      // typeRename (TD lines)
    const char* relation;  // relationRename (W, WE, WR, WG, WL)
    const char* merged;    // mergedType (SO objects)
  };
  const Case cases[] = {
      {"G5G_DZE", "G5DZE", "G5RDZE", "G5DZE"},
      {"G5O_DZE", "G5DZE", "G5RDZE", "G5DZE"},
      {"G5O_BUD", "G5BUD", "G5RBUD", "G5BUD"},
      {"G5G_RST", "G5G_RST", "G5RRST", "G5RST"},  // only the eight part types are renamed
      {"G5O_ABC", "G5O_ABC", "G5RABC", "G5ABC"},
      {"G5KKL", "G5KKL", "G5KKL", "G5KKL"},
      {"A_B_C", "A_B_C", "G5RB_C", "G5B_C"},  // a second "_" stays
      {"_X", "_X", "G5RX", "G5X"},
      {"X_", "X_", "G5R", "G5"},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(bzMergeRules::typeRename(c.name), c.type);
    EXPECT_EQ(bzMergeRules::relationRename(c.name), c.relation);
    EXPECT_EQ(bzMergeRules::mergedType(c.name), c.merged);
  }
}

TEST(bzMergeRules, FreeTextSplitsAtTheFirstSemicolon) {
  struct Case {
    std::string_view field, value, comment;
    bool separated;
  };
  const Case cases[] = {
      {"146501_1.0001.12;", "146501_1.0001.12", "", true},
      {"K1; uwaga; druga", "K1", " uwaga; druga", true},
      {"a,b;c", "a,b", "c", true},
      {";", "", "", true},
      {"bez srednika", "bez srednika", "", false},
      {"", "", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    const auto t = bzMergeRules::splitFreeText(c.field);
    EXPECT_EQ(t.value, c.value);
    EXPECT_EQ(t.comment, c.comment);
    EXPECT_EQ(t.separated, c.separated);
  }
  // Context keys are pairs: trimmed, and ordered by field 1 before the value.
  EXPECT_EQ(bzMergeRules::contextKey(" DN ", " 2 "), bzMergeRules::contextKey("DN", "2"));
  EXPECT_NE(bzMergeRules::contextKey("DN", "A2"), bzMergeRules::contextKey("DNA", "2"));
  EXPECT_LT(bzMergeRules::contextKey("DN", "Z"), bzMergeRules::contextKey("DNA", "A"));
}

// D lines of one object, in reading order, offered to the key search.
TEST(bzMergeRules, KeyIsTheValueOfTheFirstKeyLineOnly) {
  struct DLine {
    std::size_t fields;
    std::string_view attribute, last;
  };
  struct Case {
    const char* name;
    const char* objectType;
    std::vector<DLine> lines;
    bool found;
    std::string key;
  };
  const Case cases[] = {
      {"parcel", "G5O_DZE", {{4, "G5IDD", "146501_1.0001.12;"}}, true, "146501_1.0001.12"},
      {"comment cut", "G5G_DZE", {{4, "G5IDD", "K1 ; uwaga;x"}}, true, "K1"},
      {"blanks trimmed", "G5O_DZE", {{4, " G5IDD ", "  K1  "}}, true, "K1"},
      {"other lines first",
       "G5O_BUD",
       {{4, "G5IDD", "no;"}, {4, "G5NRO", "no;"}, {4, "G5IDB", "B7;"}},
       true,
       "B7"},
      {"first key line wins", "G5O_OBR", {{4, "G5NRO", "1;"}, {4, "G5NRO", "2;"}}, true, "1"},
      {"three fields: found, key empty, no second look",
       "G5O_DZE",
       {{3, "G5IDD", "K1;"}, {4, "G5IDD", "K2;"}},
       true,
       ""},
      {"empty value", "G5O_JEW", {{4, "G5IDJ", ";"}}, true, ""},
      {"each merged type has its attribute", "G5G_KKL", {{4, "G5IDK", "k;"}}, true, "k"},
      {"land use", "G5G_UZG", {{4, "G5IDT", "t;"}}, true, "t"},
      {"land class", "G5G_RST", {{4, "G5IDR", "r;"}}, true, "r"},
      {"wrong type for the attribute", "G5O_DZE", {{4, "G5IDB", "B;"}}, false, ""},
      {"no D line", "G5O_DZE", {}, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    mgObject o;
    o.mergedType = bzMergeRules::mergedType(c.objectType);
    bool found = false;
    for (const auto& l : c.lines)
      bzMergeRules::offerKeyLine(o, found, l.fields, l.attribute, l.last);
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(o.mergeKey, c.key);
  }
}

TEST(bzMergeRules, HeaderFieldsOfAnObject) {
  struct Case {
    Fields fields;
    std::vector<std::string> expected;  // kind, name, type, merged, id, record id, version
  };
  const Case cases[] = {
      {{"RO", "DZ", "G5O_DZE", "146501_1.0001.12", "7", "01"},
       {"RO", "DZ", "G5O_DZE", "G5DZE", "146501_1.0001.12", "7", "01"}},
      // identifiers are trimmed whatever the reader gives; name and kind as given
      {{"RO", " DZ ", " G5G_BUD ", " 5 ", " 9 ", " 02 ", "extra"},
       {"RO", " DZ ", "G5G_BUD", "G5BUD", "5", "9", "02"}},
      {{"RO", "X", "G5KLU"}, {"RO", "X", "G5KLU", "G5KLU", "", "", ""}},
      {{"RO"}, {"RO", "", "", "", "", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected[2]);
    mgObject o;
    bzMergeRules::setHeaderFields(o, c.fields.data(), c.fields.size());
    const std::vector<std::string> got = {
        o.recordKind.str(), o.recordName.str(), o.objectType.str(), o.mergedType.str(),
        o.objectId.str(),   o.recordId.str(),   o.version.str()};
    EXPECT_EQ(got, c.expected);
  }
}

TEST(bzMergeRules, LinesAreRewrittenForTheSpool) {
  struct Case {
    const char* name;
    int code;
    Fields fields;
    bool separator;
    std::string_view comment;
    bool skipComments, skipWhiteChars;
    std::string expected;
    mgObject::ReferenceLines refs;
  };
  const std::string meadow = cp("łąka, las;");  // the fields view it
  using swde::lcD, swde::lcP, swde::lcWG, swde::lcWL, swde::lcGL, swde::lcK;
  const Case cases[] = {
      {"relation kept",
       lcWL,
       {"WL", "G5RDZE", "12"},
       true,
       "",
       true,
       true,
       "WL,G5RDZE,12;\r\n",
       {0, 1, 0}},
      {"relation renamed",
       lcWL,
       {"WL", "G5R_DZE", "12"},
       true,
       "",
       true,
       true,
       "WL,G5RDZE,12;\r\n",
       {0, 1, 0}},
      {"relation with target type",
       lcWG,
       {"WG", "A", "B", "7"},
       true,
       "",
       true,
       true,
       "WG,A,B,7;\r\n",
       {1, 0, 0}},
      {"relation part renamed only once",
       lcWG,
       {"WG", "X_Y_Z", "T_U", "7"},
       true,
       "",
       true,
       true,
       "WG,G5RY_Z,T_U,7;\r\n",
       {1, 0, 0}},
      {"comment kept",
       lcWL,
       {"WL", "G5RDZE", "12"},
       true,
       " uwaga",
       false,
       true,
       "WL,G5RDZE,12; uwaga\r\n",
       {0, 1, 0}},
      {"comment skipped",
       lcWL,
       {"WL", "G5RDZE", "12"},
       true,
       " uwaga",
       true,
       true,
       "WL,G5RDZE,12;\r\n",
       {0, 1, 0}},
      // No input prefix: a target stays as it stands in every P form.
      {"point by key", lcP, {"P", "K", "305"}, true, "", true, true, "P,K,305;\r\n", {0, 0, 1}},
      {"point by type",
       lcP,
       {"P", "P", "T", "305"},
       true,
       "",
       true,
       true,
       "P,P,T,305;\r\n",
       {0, 0, 1}},
      {"point by geometry",
       lcP,
       {"P", "G", "305"},
       true,
       "",
       true,
       true,
       "P,G,305;\r\n",
       {0, 0, 1}},
      {"key attribute",
       lcD,
       {"D", "G5IDD", "X", "1;"},
       false,
       "",
       true,
       true,
       "D,G5IDD,X,1;\r\n",
       {}},
      {"D comment kept",
       lcD,
       {"D", "G5IDD", "X", "1 ; uwaga"},
       false,
       "",
       false,
       true,
       "D,G5IDD,X,1; uwaga\r\n",
       {}},
      {"D comment skipped",
       lcD,
       {"D", "G5IDD", "X", "1 ; uwaga"},
       false,
       "",
       true,
       true,
       "D,G5IDD,X,1;\r\n",
       {}},
      {"D blanks kept",
       lcD,
       {"D", " G5IDD", "X", " a,b ;c"},
       false,
       "",
       true,
       false,
       "D, G5IDD,X, a,b ;\r\n",
       {}},
      {"D value with commas",
       lcD,
       {"D", "OPIS", "X", meadow},
       false,
       "",
       false,
       true,
       cp("D,OPIS,X,łąka, las;\r\n"),
       {}},
      {"no terminator", lcK, {"K", "1"}, false, "", false, true, "K,1\r\n", {}},
      {"geometry line", lcGL, {"GL"}, true, "c", false, true, "GL;c\r\n", {}},
      {"empty field", lcK, {"K", "", "2"}, true, "", true, true, "K,,2;\r\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const bzMergeRules rules(c.skipComments, c.skipWhiteChars);
    std::string text = "before\r\n";
    mgObject::ReferenceLines refs;
    rules.appendLine(c.code, c.fields.data(), c.fields.size(), c.separator, c.comment, text, refs);
    EXPECT_EQ(text, "before\r\n" + c.expected);
    EXPECT_EQ(refs.wg, c.refs.wg);
    EXPECT_EQ(refs.wl, c.refs.wl);
    EXPECT_EQ(refs.p, c.refs.p);
  }
}

TEST(bzMergeRules, KeptIdentifiersByKindOfInput) {
  const std::string id32(32, '7');
  struct Case {
    std::uint8_t kind;
    const char* type;
    std::string id;
    int code;
    std::string kept;
    std::string message;
  };
  const std::uint8_t D = bzMergeRules::kindDescriptive, G = bzMergeRules::kindGeometric;
  const std::vector<Case> cases = {
      {D, "G5O_DZE", "146501_1.0001.12", 0, "146501_1.0001.12", ""},
      {D, "G5KLU", "5", 0, "5", ""},
      {D, "G5DOK", "5", 0, "O5", ""},
      {D, "G5O_ABC", "5", 0, "O5", ""},  // only a fragment of a listed name is listed
      {D, "G5PZG", "5", 20007, "",
       cp("Obiekt geometryczny G5PZG wystąpił w pliku zawierającym obiekty z części opisowej")},
      {D, "G5DZE", "5", 20009, "",
       cp("Obiekt G5DZE typowy dla pliku scalonego wystąpił w pliku zawierajacym obiekty z "
          "części opisowej")},
      {D, "G5DOK", "", 0, "O", ""},  // no identifier: in no list
      {D, "G5PZG", "", 0, "O", ""},
      {G, "G5PZG", "5", 0, "5", ""},
      {G, "G5DOK", "5", 0, "G5", ""},
      {G, "G5O_DZE", "5", 20008, "",
       cp("Obiekt opisowy G5O_DZE wystąpił w pliku zawierającym obiekty z części geometrycznej")},
      {G, "G5KKL", "5", 20009, "",
       cp("Obiekt G5KKL typowy dla pliku scalonego wystąpił w pliku zawierajacym obiekty z "
          "części geometrycznej")},
      {G, "G5DZE", "", 0, "G", ""},
      {0, "G5O_DZE", "5", 20010, "",
       cp("Nie udało się określić rodzaju pliku. Prawdopodobnie plik zawiera obiekty z części "
          "opisowej i z części geometrycznej")},
      {3, "G5DOK", "5", 20010, "", swde::mgErrorText(20010)},
      // 32 characters are the most the merged file takes.
      {D, "G5O_DZE", id32, 0, id32, ""},
      {G, "G5DOK", std::string(31, '7'), 0, "G" + std::string(31, '7'), ""},
      {D, "G5DOK", id32, 107, "O" + id32, cp("Identyfikator 'O" + id32 + "' jest zbyt długi")},
      {G, "G5DOK", id32, 107, "G" + id32, cp("Identyfikator 'G" + id32 + "' jest zbyt długi")},
      {G, "G5G_DZE", id32 + "8", 107, id32 + "8",
       cp("Identyfikator '" + id32 + "8' jest zbyt długi")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.id + " kind " + std::to_string(c.kind));
    bzMergeRules rules(true, true);
    mgObject o;
    o.objectType = c.type;
    o.objectId = c.id;
    const auto v = rules.makeNewRecordIds(o, c.kind);
    EXPECT_EQ(v.code, c.code);
    EXPECT_EQ(v.kept(), c.code == 0);
    EXPECT_EQ(v.message, c.message);
    if (c.code == 0 || c.code == 107) {
      EXPECT_EQ(o.keptId, c.kept);
    }
    EXPECT_EQ(o.newRecordId, "1");
  }
}

// One counter over both inputs, taken by rejected objects too.
TEST(bzMergeRules, NewRecordIdsRunAcrossInputsAndRejects) {
  bzMergeRules rules(true, true);
  struct Step {
    std::uint8_t kind;
    const char* type;
    const char* id;
    bool kept;
    const char* newId;
  };
  const Step steps[] = {
      {bzMergeRules::kindDescriptive, "G5O_DZE", "1", true, "1"},
      {bzMergeRules::kindDescriptive, "G5PZG", "2", false, "2"},  // rejected, number taken
      {bzMergeRules::kindDescriptive, "G5DOK", "3", true, "3"},
      {bzMergeRules::kindGeometric, "G5G_DZE", "1", true, "4"},  // the second input goes on
      {bzMergeRules::kindGeometric, "G5DZE", "5", false, "5"},
      {bzMergeRules::kindGeometric, "G5GRN", "6", true, "6"},
  };
  for (const auto& s : steps) {
    mgObject o;
    o.objectType = s.type;
    o.objectId = s.id;
    EXPECT_EQ(rules.makeNewRecordIds(o, s.kind).kept(), s.kept) << s.type;
    EXPECT_EQ(o.newRecordId, s.newId) << s.type;
  }
  EXPECT_EQ(rules.nextRecordId(), 7u);
}

TEST(bzMergeRules, ObjectListsSortByIdThenTypeWithEqualKeysInReverseReadingOrder) {
  struct Read {
    const char* id;
    const char* type;
  };
  // In reading order; the record id tells the objects apart.
  const Read reads[] = {
      {"5", "G5O_DZE"}, {"10", "G5O_DZE"},   {"5", "G5KLU"},   {"5", "G5O_DZE"}, {"", "G5DOK"},
      {"5", "G5O_DZE"}, {"\xB3", "G5O_DZE"}, {"z", "G5O_DZE"}, {"5", "G5O_DZ"},
  };
  std::vector<std::unique_ptr<mgObject>> list;
  int n = 0;
  for (const auto& r : reads) {
    auto o = std::make_unique<mgObject>();
    o->objectId = r.id;
    o->objectType = r.type;
    o->recordId = std::to_string(++n);
    list.push_back(std::move(o));
  }
  bzMergeRules::sortObjects(list);
  std::vector<std::string> order;
  for (const auto& o : list) order.push_back(o->objectId + "/" + o->objectType + "/" + o->recordId);
  const std::vector<std::string> expected = {
      "/G5DOK/5",       "10/G5O_DZE/2", "5/G5KLU/3",   "5/G5O_DZ/9",
      "5/G5O_DZE/6",    "5/G5O_DZE/4",  "5/G5O_DZE/1", "z/G5O_DZE/8",
      "\xB3/G5O_DZE/7",  // bytes compare unsigned: above every ASCII letter
  };
  EXPECT_EQ(order, expected);

  // Raw pointers sort the same way: equal keys read as 1, 4, 6 come out as
  // 6, 4, 1.
  std::vector<mgObject*> raw;
  for (auto it = list.rbegin(); it != list.rend(); ++it) raw.push_back(it->get());
  bzMergeRules::sortObjects(raw);
  order.clear();
  for (const mgObject* o : raw) order.push_back(o->recordId.str());
  EXPECT_EQ(order, (std::vector<std::string>{"5", "2", "3", "9", "6", "4", "1", "8", "7"}));
}

// Lists long enough to be sorted in parts on several threads and merged
// (two parts, then as many as the cores give): the same order as one sort
// by the same rule, ids that share their first eight or sixteen bytes and
// repeated keys included, up to a list of one key.
TEST(bzMergeRules, LongListsSortInPartsAsInOne) {
  struct Case {
    int objects;
    std::uint32_t ids;  // distinct numbers behind the prefixes
  } const cases[] = {{70000, 20000}, {300000, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.objects);
    std::vector<std::unique_ptr<mgObject>> list;
    std::uint32_t seed = 12345;
    auto next = [&] {
      seed = seed * 1103515245u + 12345u;
      return seed >> 8;
    };
    for (int i = 0; i < c.objects; ++i) {
      auto o = std::make_unique<mgObject>();
      const std::uint32_t r = next();
      o->objectId = (r % 3 == 0   ? "146501_1.0001."
                     : r % 3 == 1 ? "146501_1.00010001."
                                  : "") +
                    std::to_string(next() % c.ids);
      o->objectType = r % 5 == 0 ? "G5KLU" : "G5O_DZE";
      o->recordId = std::to_string(i);
      list.push_back(std::move(o));
    }
    std::vector<const mgObject*> reference;
    for (const auto& o : list) reference.push_back(o.get());
    // Equal keys in reverse reading order: reversed, then a stable sort.
    std::reverse(reference.begin(), reference.end());
    std::stable_sort(reference.begin(), reference.end(), [](const mgObject* a, const mgObject* b) {
      return bzMergeRules::objectLess(*a, *b);
    });
    bzMergeRules::sortObjects(list);
    ASSERT_EQ(list.size(), reference.size());
    for (std::size_t i = 0; i < list.size(); ++i) ASSERT_EQ(list[i].get(), reference[i]) << i;
  }
}

}  // namespace
