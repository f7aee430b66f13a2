#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "semantics/Smqueue.h"
#include "semantics/Smrecord.h"
#include "semantics/Smxmldef.h"

using namespace swde;

namespace {

TEST(RecordBookkeeping, FreshRecord) {
  smRecord r("G5DZE");
  EXPECT_EQ(r.typeName, "G5DZE");
  EXPECT_EQ(r.linkCount, 0);
  EXPECT_EQ(r.fileIndex, 0);
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(r.getNextRelation(), nullptr);
  EXPECT_EQ(r.getFirstRelation(), nullptr);
  EXPECT_EQ(r.getNextRelation(), nullptr);
  EXPECT_EQ(r.getFirstElemRelation(), nullptr);
  EXPECT_EQ(r.getElemRelation("G5RDZE"), nullptr);
}

TEST(RecordBookkeeping, RelationsComeBackInTheOrderOfAdding) {
  smRecord r;
  for (const char* code : {"G5RJDR", "", "G5RPOD", "G5RJDR"}) {
    smRelation* rel = r.addRelation(code);
    ASSERT_NE(rel, nullptr);
    EXPECT_EQ(rel->code, code);
    EXPECT_EQ(rel->name, "");  // the reference name is set by the caller
    EXPECT_FALSE(rel->byObjectId);
    EXPECT_FALSE(rel->topological);
  }
  std::vector<AnsiString> seen;
  for (smRelation* rel = r.getFirstRelation(); rel; rel = r.getNextRelation())
    seen.push_back(rel->code);
  EXPECT_EQ(seen, (std::vector<AnsiString>{"G5RJDR", "", "G5RPOD", "G5RJDR"}));
  EXPECT_EQ(r.getNextRelation(), nullptr);
  EXPECT_EQ(r.getFirstRelation()->code, "G5RJDR");
}

TEST(RecordBookkeeping, ElementCountersAreFoundByNameWithoutMovingTheWalk) {
  smRecord r("G5KLU");
  smElemRelation* a = r.addElemRelation("G5RKLU");
  smElemRelation* b = r.addElemRelation("G5RUZG");
  EXPECT_EQ(a->count, 0);
  std::vector<AnsiString> seen;
  for (smElemRelation* e = r.getFirstElemRelation(); e; e = r.getNextElemRelation()) {
    seen.push_back(e->name);
    ASSERT_EQ(r.getElemRelation("G5RUZG"), b);
    ++r.getElemRelation(e->name)->count;
  }
  EXPECT_EQ(seen, (std::vector<AnsiString>{"G5RKLU", "G5RUZG"}));
  EXPECT_EQ(a->count, 1);
  EXPECT_EQ(b->count, 1);
  EXPECT_EQ(r.getElemRelation("g5rklu"), nullptr);
}

TEST(RecordBookkeeping, QueueCursor) {
  smQueue<int> q;
  EXPECT_EQ(q.next(), nullptr);
  EXPECT_EQ(q.first(), nullptr);
  EXPECT_EQ(q.next(), nullptr);
  q.append(std::make_unique<int>(1));
  q.append(std::make_unique<int>(2));
  EXPECT_EQ(q.next(), nullptr) << "an emptied walk does not pick up later entries by itself";
  ASSERT_NE(q.first(), nullptr);
  EXPECT_EQ(*q.first(), 1);
  EXPECT_EQ(*q.next(), 2);
  EXPECT_EQ(q.next(), nullptr);
  EXPECT_EQ(q.next(), nullptr);
  EXPECT_EQ(*q.at(1), 2);
  EXPECT_EQ(q.at(2), nullptr);
  EXPECT_EQ(q.size(), 2u);
}

TEST(XmlVocabulary, TheTwentyThreeNamesInTheirOrder) {
  const smXMLDef d;
  const std::vector<const std::u16string*> names = {
      &d.tagSwde,           &d.tagAttribsSect,     &d.tagTypesSect,   &d.tagObject,
      &d.tagAttributes,     &d.tagRelations,       &d.tagRelat,       &d.tagAttr,
      &d.tagValue,          &d.tagDestObject,      &d.attrSchemaDate, &d.attrSchemaVersion,
      &d.attrSchemaProfile, &d.attrMandatoryLevel, &d.attrName,       &d.attrFieldName,
      &d.attrType,          &d.attrBaseType,       &d.attrValueInt,   &d.attrValueStr,
      &d.attrMandatory,     &d.attrMultiple,       &d.attrElement,
  };
  const std::vector<std::u16string> expected = {
      u"SWDE",        u"ATTRIBS_SECT",   u"TYPES_SECT",     u"OBJECT",          u"ATTRIBUTES",
      u"RELATIONS",   u"RELAT",          u"ATTR",           u"VALUE",           u"DEST_OBJECT",
      u"schema_date", u"schema_version", u"schema_profile", u"mandatory_level", u"name",
      u"field_name",  u"type",           u"base_type",      u"value_int",       u"value_str",
      u"mandatory",   u"multiple",       u"element",
  };
  ASSERT_EQ(names.size(), expected.size());
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(*names[i], expected[i]) << i;
}

}  // namespace
