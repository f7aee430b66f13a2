#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Findings.h"
#include "metadata/Metadata.h"
#include "platform/CodePage.h"
#include "semantics/Smobject.h"

using namespace swde;
using namespace swde::test;

namespace {

// A small annex: the type G5DZE (an RO record) with attributes of every
// mandatory level, one filed under a field name of its own, and references.
class ObjectChecks : public ::testing::Test {
 protected:
  Metadata annex;
  Metadata file;

  void SetUp() override {
    RecordType* t = annex.getTypesSection()->addType("G5DZE", "RO", "");
    t->addAttribute("G5IDD", "")->mandatoryLevel = 1;
    t->addAttribute("G5NRD", "NUMER_DZ")->mandatoryLevel = 2;  // annex field name
    t->addAttribute("G5PEW", "")->mandatoryLevel = 3;
    t->addAttribute("G5DTU", "");
    t->addAttribute("G5DTW", "");
    t->addAttribute("G5KLS", "")->multiple = true;
    ReferenceDef* jdr = t->addReference("G5RJDR", "");
    jdr->mandatoryLevel = 1;
    jdr->addRefTypeName("G5JDR");
    ReferenceDef* pod = t->addReference("G5RPOD", "");
    pod->mandatoryLevel = 2;
    pod->multiple = true;
    t->addReference("G5RDOK", "");  // level 3

    AttribsSection* sp = annex.getAttribsSection();
    sp->addAttribute("G5IDD")->type = "ZN";
    sp->addAttribute("G5NRD")->type = "ZN";
    sp->addAttribute("G5PEW")->type = "FL";
    sp->addAttribute("G5DTU")->type = "DH";
    sp->addAttribute("G5DTW")->type = "DN";
  }

  // An object of G5DZE with every mandatory entry and a current status.
  std::unique_ptr<smObject> complete(const char* type = "G5DZE") {
    auto o = std::make_unique<smObject>(type);
    o->status = "00";
    o->baseType = "RO";
    o->line = 10;
    o->position = 300;
    o->addAttribute("G5IDD", "", "142301_1.0001.12");
    o->addAttribute("G5NRD", "", "12");
    o->addRelation("G5RJDR", "");
    o->addRelation("G5RPOD", "");
    return o;
  }
};

TEST_F(ObjectChecks, CompleteObjectHasNoFinding) {
  auto o = complete();
  EXPECT_TRUE(o->checkMain(&annex, &file));
  EXPECT_EQ(codes(*o), Codes{});
  // A null file model counts as an empty one.
  auto p = complete();
  EXPECT_TRUE(p->checkMain(&annex, nullptr));
  EXPECT_EQ(codes(*p), Codes{});
}

TEST_F(ObjectChecks, TypeMustBeDefined) {
  const AnsiString expected6007 = plat::cp("Brak definicji rekordu G5XYZ w sekcji metadanych");
  {
    SCOPED_TRACE("no file metadata, type missing in the annex: refused");
    auto o = complete("G5XYZ");
    EXPECT_FALSE(o->checkMain(&annex, &file));
    EXPECT_EQ(codesAndKinds(*o), (CodesAndKinds{{6007, 0}}));
    EXPECT_EQ(o->getFirstError()->message, expected6007);
    EXPECT_EQ(o->getFirstError()->line, 10u);
    EXPECT_EQ(o->getFirstError()->position, 300u);
    EXPECT_EQ(o->getAttribute("G5IDD"), nullptr) << "maps cleared";
    EXPECT_EQ(o->getRelation("G5RJDR"), nullptr);
  }
  {
    SCOPED_TRACE("file metadata without the type, annex with it: one 6007, checked in full");
    auto o = complete();
    o->setExistMetadata(true);
    o->addAttribute("G5PEW", "", "abc");
    EXPECT_TRUE(o->checkMain(&annex, &file));
    EXPECT_EQ(codes(*o), (Codes{6007, 6013}));
    EXPECT_EQ(o->getFirstError()->message,
              plat::cp("Brak definicji rekordu G5DZE w sekcji metadanych"));
  }
  {
    SCOPED_TRACE("the same with a null file model");
    auto o = complete();
    o->setExistMetadata(true);
    EXPECT_TRUE(o->checkMain(&annex, nullptr));
    EXPECT_EQ(codes(*o), (Codes{6007}));
  }
  {
    SCOPED_TRACE("file metadata with the type: no 6007");
    file.getTypesSection()->addType("G5DZE", "RO", "");
    auto o = complete();
    o->setExistMetadata(true);
    EXPECT_TRUE(o->checkMain(&annex, &file));
    EXPECT_EQ(codes(*o), (Codes{6001, 6001, 6002, 6002}))
        << "the file's type declares none of them";
  }
  {
    SCOPED_TRACE("missing everywhere: one 6007 and refused");
    auto o = complete("G5XYZ");
    o->setExistMetadata(true);
    EXPECT_FALSE(o->checkMain(&annex, &file));
    EXPECT_EQ(codes(*o), (Codes{6007}));
    EXPECT_EQ(o->getAttribute("G5IDD"), nullptr);
  }
  {
    SCOPED_TRACE("no models at all");
    auto o = complete();
    EXPECT_FALSE(o->checkMain(nullptr, nullptr));
    EXPECT_EQ(codes(*o), (Codes{6007}));
  }
}

TEST_F(ObjectChecks, Status) {
  struct Case {
    const char* status;
    bool checked;
    Codes found;
  };
  const Case cases[] = {
      {"00", true, {6013}},      {"01", true, {6013}},        {"02", true, {6013}},
      {"10", true, {6013}},      {"11", true, {6013}},        {"12", true, {6013}},
      {"20", false, {}},         {"21", false, {}},           {"22", false, {}},
      {"3", true, {6024, 6013}}, {"", true, {6024, 6013}},    {"13", true, {6024, 6013}},
      {"0", true, {6024, 6013}}, {"00 ", true, {6024, 6013}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    auto o = complete();
    o->status = c.status;
    o->addAttribute("G5PEW", "", "abc");  // shows whether the values were checked
    EXPECT_EQ(o->checkMain(&annex, &file), c.checked);
    EXPECT_EQ(codes(*o), c.found);
    EXPECT_EQ(o->getAttribute("G5IDD") != nullptr, c.checked);
  }
}

TEST_F(ObjectChecks, BaseType) {
  auto other = complete();
  other->baseType = "RP";
  other->checkMain(&annex, &file);
  EXPECT_EQ(codesAndKinds(*other), (CodesAndKinds{{6006, 0}}));
  EXPECT_EQ(other->getFirstError()->message, plat::cp("Niepoprawny typ bazowy rekordu G5DZE"));
}

// An empty base type states nothing and is never compared: the annex's
// definition decides when it states one, else the file's own definition.
TEST(BaseTypeCheck, EmptyBaseTypeIsNotStated) {
  const char* absent = nullptr;
  struct Case {
    const char* annex;  // base type of the annex's definition; null: no definition
    const char* file;   // the same for the file's own definition
    const char* object;
    bool raised;
  };
  const Case cases[] = {
      {"", "RO", "RO", false},   {"", "RP", "RO", true},      // annex empty, file set
      {"RO", "", "RO", false},   {"RP", "", "RO", true},      // annex set, file empty
      {"", "", "RO", false},     {"", "", "", false},         // both empty
      {"RO", "RO", "RO", false}, {"RP", "RP", "RO", true},    // both set, equal
      {"RO", "RP", "RO", false}, {"RP", "RO", "RO", true},    // both set, different
      {"", absent, "RO", false}, {"RP", absent, "RO", true},  // only the annex defines it
      {absent, "", "RO", false}, {absent, "RC", "RO", true},  // only the file defines it
      {"RP", "RP", "", false},                                // the object states none
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "annex " << (c.annex ? c.annex : "-") << ", file "
                                    << (c.file ? c.file : "-") << ", object " << c.object);
    Metadata annex, file;
    if (c.annex) annex.getTypesSection()->addType("G5ABC", c.annex, "");
    if (c.file) file.getTypesSection()->addType("G5ABC", c.file, "");
    smObject o("G5ABC");
    o.status = "00";
    o.baseType = c.object;
    o.setExistMetadata(c.file != nullptr);
    EXPECT_TRUE(o.checkMain(&annex, &file));
    EXPECT_EQ(codes(o), c.raised ? Codes{6006} : Codes{});
  }
}

TEST_F(ObjectChecks, AttributesAndRelationsOutsideTheTypeAreWarnings) {
  auto o = complete();
  smAttribute* extra = o->addAttribute("G5XXX", "", "1");
  extra->line = 12;
  extra->position = 400;
  smRelation* rel = o->addRelation("G5RXX", "");
  rel->line = 13;
  rel->position = 450;
  o->checkMain(&annex, &file);
  EXPECT_EQ(codesAndKinds(*o), (CodesAndKinds{{6001, 1}, {6002, 1}}));
  smError* e = o->getFirstError();
  EXPECT_EQ(e->message, plat::cp("Atrybut G5XXX nie jest zdefiniowany dla rekordu G5DZE"));
  EXPECT_EQ(e->line, 12u);
  EXPECT_EQ(e->position, 400u);
  e = o->getNextError();
  EXPECT_EQ(e->message, plat::cp("Relacja G5RXX nie jest zdefinowana dla rekordu G5DZE"));
  EXPECT_EQ(e->line, 13u);
  EXPECT_EQ(e->position, 450u);

  // The file's own type is asked first: what it declares is no finding.
  RecordType* own = file.getTypesSection()->addType("G5DZE", "RO", "");
  for (const char* a : {"G5IDD", "G5NRD", "G5XXX"}) own->addAttribute(a, "");
  for (const char* r : {"G5RJDR", "G5RPOD", "G5RXX"}) own->addReference(r, "");
  auto p = complete();
  p->setExistMetadata(true);
  p->addAttribute("G5XXX", "", "1");
  p->addRelation("G5RXX", "");
  p->checkMain(&annex, &file);
  EXPECT_EQ(codes(*p), Codes{});
}

TEST_F(ObjectChecks, MandatoryAttributesAndRelations) {
  struct Case {
    const char* what;
    std::vector<const char*> attributes;
    std::vector<const char*> relations;
    CodesAndKinds found;
  };
  const std::vector<Case> cases = {
      {"level 1 attribute missing", {"G5NRD"}, {"G5RJDR", "G5RPOD"}, {{6008, 0}}},
      {"level 2 attribute missing", {"G5IDD"}, {"G5RJDR", "G5RPOD"}, {{6008, 1}}},
      {"level 3 missing: nothing", {"G5IDD", "G5NRD"}, {"G5RJDR", "G5RPOD"}, {}},
      {"level 1 relation missing", {"G5IDD", "G5NRD"}, {"G5RPOD"}, {{6009, 0}}},
      {"level 2 relation missing", {"G5IDD", "G5NRD"}, {"G5RJDR"}, {{6009, 1}}},
      {"all missing", {}, {}, {{6008, 0}, {6008, 1}, {6009, 0}, {6009, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    smObject o("G5DZE");
    o.status = "00";
    for (const char* a : c.attributes) o.addAttribute(a, "", "1");
    for (const char* r : c.relations) o.addRelation(r, "");
    o.checkMain(&annex, &file);
    EXPECT_EQ(codesAndKinds(o), c.found);
  }
  // The messages name the attribute and the type; an attribute that the
  // annex files under a field name of its own is named by that name.
  smObject o("G5DZE");
  o.status = "00";
  o.checkMain(&annex, &file);
  std::vector<AnsiString> messages;
  for (smError* e = o.getFirstError(); e; e = o.getNextError()) messages.push_back(e->message);
  EXPECT_EQ(messages, (std::vector<AnsiString>{
                          plat::cp("Brak wymaganego atrybutu G5IDD w rekordzie G5DZE"),
                          plat::cp("Brak wymaganego atrybutu NUMER_DZ w rekordzie G5DZE"),
                          plat::cp("Brak wymaganej relacji G5RJDR w rekordzie G5DZE"),
                          plat::cp("Brak wymaganej relacji G5RPOD w rekordzie G5DZE"),
                      }));
}

// A complex record never carries its element relations: its components
// point at it, and the pass across records counts them. A mandatory element
// relation is no missing relation of the complex record itself.
TEST_F(ObjectChecks, ElementRelationsAreNotLookedForInTheComplexRecord) {
  RecordType* k = annex.getTypesSection()->addType("G5KOMP", "RC", "");
  ReferenceDef* part = k->addReference("G5RCZ", "");
  part->element = true;
  part->mandatoryLevel = 1;
  ReferenceDef* plain = k->addReference("G5RJDR", "");
  plain->mandatoryLevel = 1;
  smObject o("G5KOMP");
  o.status = "00";
  o.checkMain(&annex, &file);
  EXPECT_EQ(codesAndKinds(o), (CodesAndKinds{{6009, 0}}));
  ASSERT_NE(o.getFirstError(), nullptr);
  EXPECT_EQ(o.getFirstError()->message,
            plat::cp("Brak wymaganej relacji G5RJDR w rekordzie G5KOMP"));
}

TEST_F(ObjectChecks, MandatoryEntriesAreMatchedByCodeWhateverTheirNames) {
  // A file without its own ST: the object's attributes carry their codes,
  // while the annex files G5NRD under "NUMER_DZ". No false 6008.
  auto o = complete();
  o->checkMain(&annex, &file);
  EXPECT_EQ(codes(*o), Codes{});

  // A file that renames the attribute and the relation: the object carries
  // the file's names.
  RecordType* own = file.getTypesSection()->addType("G5DZE", "RO", "");
  own->addAttribute("G5IDD", "");
  own->addAttribute("G5NRD", "NR");
  own->addReference("G5RJDR", "JEDN");
  own->addReference("G5RPOD", "");
  smObject renamed("G5DZE");
  renamed.status = "00";
  renamed.setExistMetadata(true);
  renamed.addAttribute("G5IDD", "", "1");
  renamed.addAttribute("G5NRD", "NR", "12");
  renamed.addRelation("G5RJDR", "JEDN");
  renamed.addRelation("G5RPOD", "");
  renamed.checkMain(&annex, &file);
  EXPECT_EQ(codes(renamed), Codes{});

  // Missing, it is reported under the file's name.
  smObject missing("G5DZE");
  missing.status = "00";
  missing.setExistMetadata(true);
  missing.addAttribute("G5IDD", "", "1");
  missing.addRelation("G5RPOD", "");
  missing.checkMain(&annex, &file);
  std::vector<AnsiString> messages;
  for (smError* e = missing.getFirstError(); e; e = missing.getNextError())
    messages.push_back(e->message);
  EXPECT_EQ(messages, (std::vector<AnsiString>{
                          plat::cp("Brak wymaganego atrybutu NR w rekordzie G5DZE"),
                          plat::cp("Brak wymaganej relacji JEDN w rekordzie G5DZE"),
                      }));
}

TEST_F(ObjectChecks, RelationTargets) {
  struct Case {
    const char* code;
    const char* target;
    Codes found;
  };
  const Case cases[] = {
      {"G5RJDR", "G5JDR", {}},     {"G5RJDR", "G5BUD", {6010}}, {"G5RJDR", "g5jdr", {6010}},
      {"G5RJDR", "", {}},           // a relation by record identifier names no target type
      {"G5RDOK", "G5DOK", {6010}},  // a reference without allowed targets
      {"G5RXX", "G5DOK", {6002}},   // not in the annex type: only the warning
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.code) + " -> " + c.target);
    auto o = complete();
    smRelation* r =
        c.code == std::string("G5RJDR") ? o->getRelation("G5RJDR") : o->addRelation(c.code, "");
    r->targetType = c.target;
    o->checkMain(&annex, &file);
    EXPECT_EQ(codes(*o), c.found);
  }
  auto o = complete();
  o->getRelation("G5RJDR")->targetType = "G5BUD";
  o->checkMain(&annex, &file);
  ASSERT_NE(o->getFirstError(), nullptr);
  EXPECT_EQ(o->getFirstError()->message,
            plat::cp("Typ wskazywany przez wiązanie G5RJDR w obiekcie G5DZE niezgodny z "
                     "załącznikiem"));
  EXPECT_EQ(o->getFirstError()->line, 10u);
}

TEST_F(ObjectChecks, Multiplicity) {
  auto o = complete();
  o->addAttribute("G5IDD", "", "again");
  o->addAttribute("G5KLS", "", "R");  // multiple: any number
  o->addAttribute("G5KLS", "", "Ps");
  o->addRelation("G5RJDR", "");
  o->addRelation("G5RPOD", "");  // multiple
  o->checkMain(&annex, &file);
  EXPECT_EQ(codesAndKinds(*o), (CodesAndKinds{{6011, 0}, {6012, 0}}));
  smError* e = o->getFirstError();
  EXPECT_EQ(e->message, plat::cp("Niepoprawna ilość wystąpień atrybutu G5IDD w rekordzie G5DZE"));
  EXPECT_EQ(o->getNextError()->message,
            plat::cp("Niepoprawna ilość wystąpień relacji G5RJDR w rekordzie G5DZE"));

  // Counted by code: two entries of one code under two names are two, and
  // the finding names the first in name order, not the first added.
  auto p = complete();
  p->addAttribute("G5NRD", "NR", "13");
  p->addAttribute("G5NRD", "A_NR", "14");
  p->checkMain(&annex, &file);
  EXPECT_EQ(codes(*p), (Codes{6011}));
  EXPECT_EQ(p->getFirstError()->message,
            plat::cp("Niepoprawna ilość wystąpień atrybutu A_NR w rekordzie G5DZE"));

  // Cleared entries are not counted any more.
  auto q = complete();
  q->addAttribute("G5IDD", "", "again");
  q->addRelation("G5RJDR", "");
  q->clearMaps();
  q->addAttribute("G5IDD", "", "1");
  q->addAttribute("G5NRD", "", "12");
  q->addRelation("G5RJDR", "");
  q->addRelation("G5RPOD", "");
  q->checkMain(&annex, &file);
  EXPECT_EQ(codes(*q), Codes{});
}

TEST_F(ObjectChecks, ValuesAreCheckedUnderTheAttributeCode) {
  // G5PEW is a real number in the annex; a file that renames it still has its
  // value checked.
  RecordType* own = file.getTypesSection()->addType("G5DZE", "RO", "");
  for (const char* a : {"G5IDD", "G5NRD"}) own->addAttribute(a, "");
  own->addAttribute("G5PEW", "POW");
  for (const char* r : {"G5RJDR", "G5RPOD"}) own->addReference(r, "");
  auto o = complete();
  o->setExistMetadata(true);
  smAttribute* a = o->addAttribute("G5PEW", "POW", "1,5");
  a->line = 20;
  o->checkMain(&annex, &file);
  EXPECT_EQ(codes(*o), (Codes{6013}));
  EXPECT_EQ(o->getFirstError()->line, 20u);
  EXPECT_NE(o->getFirstError()->message.find("POW"), AnsiString::npos);

  // An attribute without a type in the annex's attribute section is not
  // value-checked.
  auto p = complete();
  p->addAttribute("G5KLS", "", "1;2");
  p->checkMain(&annex, nullptr);
  EXPECT_EQ(codes(*p), Codes{});
}

TEST_F(ObjectChecks, Dates) {
  struct Case {
    const char* created;   // null: no G5DTU attribute
    const char* verified;  // null: no G5DTW attribute
    Codes found;
  };
  const Case cases[] = {
      {nullptr, nullptr, {}},
      {nullptr, "", {}},  // without a creation date nothing is judged
      {nullptr, "2004.01.05", {}},
      {"", nullptr, {6003}},
      {";", nullptr, {6033, 6003}},
      {"", "", {6003, 6004}},
      {"2004.01.05-12:00:00", nullptr, {}},
      {"2004.01.05-12:00:00", "", {6004}},
      {"2004.01.05-12:00:00", ";", {6033, 6004}},
      {"2004.01.05-12:00:00", "2004.01.04", {6005}},
      {"2004.01.05-12:00:00", "2004.01.05", {}},  // the same day
      {"2004.01.05-12:00:00", "2004.01.06", {}},
      {"2004.01.05-12:00:00.12345", "2003.12.31", {6005}},
      {"2004.01.05-12:00:00", "2004.1.04", {6018}},   // malformed: not compared
      {"2004.01.05-12:00:00", "2003;01.04", {6033}},  // any value error stops the comparison
      {"2004.01.05", "2003.01.01", {6020}},           // malformed creation date
      {"2004.01.05-12:00:00;", "2003.01.01", {6033}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.created ? c.created : "(none)") + " / " +
                 (c.verified ? c.verified : "(none)"));
    auto o = complete();
    if (c.created) o->addAttribute("G5DTU", "", c.created)->line = 31;
    if (c.verified) o->addAttribute("G5DTW", "", c.verified)->line = 32;
    EXPECT_TRUE(o->checkMain(&annex, &file));
    EXPECT_EQ(codes(*o), c.found);
    for (smError* e = o->getFirstError(); e; e = o->getNextError()) {
      if (e->code == 6003) {
        EXPECT_EQ(e->line, 31u);
      }
      if (e->code == 6004 || e->code == 6005) {
        EXPECT_EQ(e->line, 32u);
      }
    }
  }
  auto o = complete();
  o->addAttribute("G5DTU", "", "2004.01.05-12:00:00");
  o->addAttribute("G5DTW", "", "2004.01.04");
  o->checkMain(&annex, &file);
  EXPECT_EQ(o->getFirstError()->message,
            plat::cp("Data weryfikacji obiektu G5DZE wcześniejsza niż data jego utworzenia"));
}

TEST_F(ObjectChecks, DatesWithoutFormatChecksCompareTheirDateParts) {
  // An annex that gives no type for the two dates: the values reach the
  // comparison as they are, both cut to "rrrr.mm.dd".
  Metadata bare;
  RecordType* t = bare.getTypesSection()->addType("G5DZE", "RO", "");
  t->addAttribute("G5DTU", "");
  t->addAttribute("G5DTW", "");
  struct Case {
    const char* created;
    const char* verified;
    Codes found;
  };
  const Case cases[] = {
      {"2004.01.05-12:00:00", "2004.01.05-08:00:00", {}},
      {"2004.01.05-12:00:00", "2004.01.04-23:59:59", {6005}},
      {"2004.01.05", "2004.01.05-00:00:00", {}},
      {"2004", "2003", {6005}},  // short values are never read past their end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.created) + " / " + c.verified);
    smObject o("G5DZE");
    o.status = "00";
    o.addAttribute("G5DTU", "", c.created);
    o.addAttribute("G5DTW", "", c.verified);
    o.checkMain(&bare, nullptr);
    EXPECT_EQ(codes(o), c.found);
  }
}

}  // namespace
