// The reference metadata that ships beside the program: it loads, and its
// content is what the checks may take as the standard without erring on
// valid data.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>

#include "metadata/Metadata.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "processing/bzMdAnalyzer.h"
#include "processing/bzSemanticProcess.h"
#include "semantics/Smobject.h"
#include "semantics/Smobjectfactory.h"
#include "support/RunObjects.h"

using namespace swde;
using plat::cp;

namespace {

using RunObjects = testsupport::CreatedRun;

class Owner : public bzSemanticProcess {
 public:
  Owner(RunKey key, RunObjects& r)
      : bzSemanticProcess(key, &r.files, &r.report, &r.settings, &r.state) {}
  AnsiString getTitle() const override { return "test"; }

 protected:
  int process() override { return 0; }
};

// The identifier the merge pairs each merged type by.
const std::map<std::string, std::string> kMergedTypes = {
    {"G5JEW", "G5IDJ"}, {"G5OBR", "G5NRO"}, {"G5RST", "G5IDR"}, {"G5DZE", "G5IDD"},
    {"G5BUD", "G5IDB"}, {"G5UZG", "G5IDT"}, {"G5KKL", "G5IDK"},
};

// The merged type a name stands for: itself or its G5O_/G5G_ variant.
std::string mergedTypeOf(const std::string& name) {
  if (kMergedTypes.count(name)) return name;
  if (name.size() == 7 && (name.rfind("G5O_", 0) == 0 || name.rfind("G5G_", 0) == 0)) {
    const std::string base = "G5" + name.substr(4);
    if (kMergedTypes.count(base)) return base;
  }
  return {};
}

// The attribute codes each type must carry, with their levels.
std::map<std::string, int> expectedAttributes(const std::string& type) {
  std::map<std::string, int> out;
  if (const std::string merged = mergedTypeOf(type); !merged.empty())
    out[kMergedTypes.at(merged)] = 1;
  if (type == "G5ADR") out["G5KOD"] = 3;
  for (const char* t : {"G5JRZ", "G5PDZ", "G5UDD", "G5UDW", "G5UDZ"})
    if (type == t) out["G5UD"] = 3;
  return out;
}

}  // namespace

TEST(ShippedMetadata, LoadsBesideTheProgramWithTheAgreedContent) {
  RunObjects r;
  Metadata model;
  bzRun<Owner> owner(r);
  bzMdAnalyzer loader(&owner, 700);
  loader.annexMetadata = &model;
  try {
    loader.loadFromFileXML();  // metadata_def.xml beside the test programs, as beside olven
  } catch (const plat::Exception& e) {
    FAIL() << plat::cp1250ToUtf8(e.Message());
  }

  // The root.
  const std::string date = bzMdAnalyzer::m_schemaDate;
  ASSERT_EQ(date.size(), 10u) << date;
  for (std::size_t i : {4u, 7u}) EXPECT_EQ(date[i], '.') << date;
  EXPECT_EQ(bzMdAnalyzer::m_schemaVersion, "1");
  EXPECT_EQ(bzMdAnalyzer::m_schemaProfile, cp("Katalog obiektów G5 - zakres podstawowy"));

  // SP: the attribute types the date, fraction and postal rules and the
  // merge's keys need, and the three relations.
  AttribsSection* sp = model.getAttribsSection();
  const std::set<std::string> kinds = {"ZN", "FL", "NO", "UL", "SL", "LN", "DN", "HR", "DH"};
  std::map<std::string, std::string> spTypes;
  for (AttribType* a = sp->getFirstAttributeType(); a; a = sp->getNextAttributeType()) {
    EXPECT_TRUE(kinds.count(a->type)) << a->name << " " << a->type;
    spTypes[a->name] = a->type;
  }
  std::map<std::string, std::string> wantedSp = {
      {"G5DTU", "DH"}, {"G5DTW", "DN"}, {"G5UD", "UL"}, {"G5KOD", "ZN"}};
  for (const auto& [type, id] : kMergedTypes) wantedSp[id] = "ZN";
  EXPECT_EQ(spTypes, wantedSp);
  for (const char* rel : {"G5RDZE", "G5ROBR", "G5RJDR"})
    EXPECT_TRUE(sp->isRelationTypePresent(rel)) << rel;

  // ST: exactly the factory's types, each with its own class.
  smObjectFactory factory;
  TypesSection* st = model.getTypesSection();
  std::set<std::string> names;
  for (RecordType* t = st->getFirstType(); t; t = st->getNextType()) {
    SCOPED_TRACE(t->name);
    names.insert(t->name);
    const std::unique_ptr<smObject> object = factory.createObject(t->name);
    ASSERT_TRUE(object);
    EXPECT_NE(typeid(*object), typeid(smObject));
    EXPECT_EQ(t->mandatoryLevel, 3);
    const bool merged = kMergedTypes.count(t->name) > 0;
    EXPECT_EQ(t->baseType, merged ? "RO" : "");

    std::map<std::string, int> attributes;
    for (AttributeDef* a = t->getFirstAttr(); a; a = t->getNextAttr()) {
      EXPECT_TRUE(sp->isAttributeTypePresent(a->code)) << a->code;
      EXPECT_FALSE(a->multiple) << a->code;
      EXPECT_EQ(a->getPossibleValuesCount(), 0u) << a->code;
      EXPECT_EQ(t->getAttributeByCode(a->code), a);
      attributes[a->code] = a->mandatoryLevel;
    }
    EXPECT_EQ(attributes, expectedAttributes(t->name));

    std::set<std::string> relations;
    for (ReferenceDef* ref = t->getFirstReference(); ref; ref = t->getNextReference()) {
      EXPECT_TRUE(sp->isRelationTypePresent(ref->code)) << ref->code;
      EXPECT_FALSE(ref->element);
      EXPECT_FALSE(ref->multiple);
      EXPECT_EQ(ref->mandatoryLevel, 3);
      for (const AnsiString& target : ref->getRefTypeNames())
        EXPECT_TRUE(st->isTypePresent(target)) << target;
      EXPECT_EQ(ref->getRefTypeNames(), std::vector<AnsiString>{"G5OBR"});
      relations.insert(ref->code);
    }
    const bool robr = t->name == "G5UZG" || t->name == "G5KKL";
    EXPECT_EQ(relations, robr ? std::set<std::string>{"G5ROBR"} : std::set<std::string>{});
  }
  EXPECT_EQ(names.size(), 36u);
}
