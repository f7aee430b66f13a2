#include <gtest/gtest.h>

#include <memory>

#include "syntax/Sxline.h"

using namespace swde;

namespace {

std::unique_ptr<sxLine> lineOf(std::initializer_list<const char*> fields, bool semicolon,
                               const char* comment) {
  auto l = std::make_unique<sxLine>(lcX, 4, "text");
  for (const char* f : fields) l->addField(f);
  l->hasSemicolon = semicolon;
  l->comment = comment;
  return l;
}

TEST(Line, FieldsByPosition) {
  const auto held = lineOf({"X", "a"}, true, "");
  sxLine& l = *held;
  EXPECT_EQ(l.getFieldCount(), 2u);
  ASSERT_NE(l.getField(0), nullptr);
  EXPECT_EQ(l.getField(0)->text, "X");
  EXPECT_EQ(l.getField(2), nullptr);
  l.addField();
  EXPECT_EQ(l.getFieldCount(), 3u);
  EXPECT_EQ(l.getField(2)->text, "");
  EXPECT_EQ(l.getField(2)->value.vt(), plat::VT_EMPTY);
  EXPECT_EQ(l.mark, 0);
}

TEST(Line, MergeFieldsFoldsTheRestOfTheLine) {
  struct Case {
    std::size_t at;
    bool semicolon;
    const char* comment;
    std::uint32_t count;
    const char* merged;
  };
  const Case cases[] = {
      {2, true, "k", 3, "b,c;k"},          {2, false, "", 3, "b,c"}, {1, true, "", 2, "a,b,c;"},
      {3, true, " uwaga ", 4, "c; uwaga"},  // trimmed at both ends only
      {0, false, "", 1, "X,a,b,c"},
  };
  for (const Case& c : cases) {
    const auto held = lineOf({"X", " a", "b", "c "}, c.semicolon, c.comment);
    sxLine& l = *held;
    l.getField(1)->text = "a";
    l.getField(3)->text = "c";
    l.mergeFields(c.at);
    EXPECT_EQ(l.getFieldCount(), c.count) << c.at;
    EXPECT_EQ(l.getField(c.at)->text, c.merged) << c.at;
    EXPECT_EQ(plat::cp1250FromBstr(l.getField(c.at)->value.raw()->bstrVal), c.merged);
    EXPECT_FALSE(l.hasSemicolon);
    EXPECT_EQ(l.comment, "");
  }
}

TEST(Line, MergeFieldsPastTheLastFieldChangesNothing) {
  const auto held = lineOf({"X", "a"}, true, "k");
  sxLine& l = *held;
  l.mergeFields(2);
  EXPECT_EQ(l.getFieldCount(), 2u);
  EXPECT_TRUE(l.hasSemicolon);
  EXPECT_EQ(l.comment, "k");
  EXPECT_EQ(l.getField(1)->value.vt(), plat::VT_EMPTY);
}

TEST(Line, MergedTextKeepsPolishBytes) {
  const auto held = lineOf({"D", "N", "D", "\xA3\xB9ka", "\x9C"}, false, "");
  sxLine& l = *held;
  l.mergeFields(3);
  EXPECT_EQ(l.getField(3)->text, "\xA3\xB9ka,\x9C");
  EXPECT_EQ(plat::cp1250FromBstr(l.getField(3)->value.raw()->bstrVal), "\xA3\xB9ka,\x9C");
}

}  // namespace

namespace {

TEST(Line, TextValuesStayWithTheirOwnField) {
  sxLine l(lcD, 1);
  l.addField("D");
  l.addField("G5NAZ");
  l.getField(1)->setTextValue();
  for (int k = 0; k < 40; ++k) l.addField("x");  // the fields move to a larger store
  const sxLineField* f = l.getField(1);
  EXPECT_EQ(f->value.vt(), plat::VT_BSTR);
  EXPECT_EQ(plat::cp1250FromBstr(f->value.raw()->bstrVal), "G5NAZ");

  // A value stored later replaces the mark.
  l.getField(1)->value = plat::Variant(7);
  EXPECT_EQ(l.getField(1)->value.vt(), plat::VT_I4);
  EXPECT_EQ(l.getField(1)->value.raw()->lVal, 7);
}

}  // namespace
