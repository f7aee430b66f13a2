// The loader of the context map: what it accepts and, for each kind of bad
// line, that the error names the file and the line.
#include <gtest/gtest.h>

#include <string>

#include "app/help/HelpContexts.h"
#include "support/Files.h"
#include "support/TempFile.h"

namespace {

using swde::HelpContexts;

TEST(HelpContexts, ReadsPagesAndAnchorsSkippingCommentsAndBlankLines) {
  const std::string text =
      "\xEF\xBB\xBF# the map\r\n"
      "\r\n"
      "1000 index.html\r\n"
      "   # indented comment\n"
      "1002\tokno.html#okno\n"
      "  1010   akcje.html#lista  \n"
      "1048 sub/moduly.html#m-1";  // no line end at the end of the file
  HelpContexts map;
  std::string error;
  ASSERT_TRUE(map.parse(text, "konteksty.txt", &error)) << error;
  ASSERT_EQ(map.entries().size(), 4u);

  struct Expected {
    int context;
    const char* page;
    const char* anchor;
  };
  for (const Expected& e :
       {Expected{1000, "index.html", ""}, Expected{1002, "okno.html", "okno"},
        Expected{1010, "akcje.html", "lista"}, Expected{1048, "sub/moduly.html", "m-1"}}) {
    SCOPED_TRACE(e.context);
    const swde::HelpTarget* t = map.find(e.context);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->page, e.page);
    EXPECT_EQ(t->anchor, e.anchor);
  }
  EXPECT_EQ(map.find(1001), nullptr);
  EXPECT_EQ(map.find(0), nullptr);
}

TEST(HelpContexts, EmptyOrCommentOnlyMapHasNoContexts) {
  for (const char* text : {"", "\n\n", "# nothing\n#\n", "\xEF\xBB\xBF"}) {
    HelpContexts map;
    std::string error;
    EXPECT_TRUE(map.parse(text, "k.txt", &error)) << error;
    EXPECT_TRUE(map.entries().empty());
  }
}

// Each bad line stands on line 3 after two good ones; the error names the
// file and that line, and no half-read map is left behind.
TEST(HelpContexts, MalformedLineNamesFileAndLine) {
  struct Case {
    const char* line;
    const char* why;
  };
  const Case cases[] = {
      {"abc index.html", "no number"},
      {"-5 index.html", "sign before the number"},
      {"1003", "number alone"},
      {"1003index.html", "no blank after the number"},
      {"1003 ", "blank but no page"},
      {"99999999999 index.html", "number past int"},
      {"1003 index.html extra", "text after the page"},
      {"1003 index.html #a", "anchor apart from its page"},
      {"1003 /etc/passwd", "absolute page"},
      {"1003 ../index.html", "page above the folder"},
      {"1003 sub/../../x.html", "step up inside the page"},
      {"1003 sub//x.html", "empty folder name"},
      {"1003 strona\xC4\x85.html", "letter outside the page's alphabet"},
      {"1003 index.html#", "empty anchor"},
      {"1003 #kotwica", "anchor without a page"},
      {"1003 index.html#a#b", "second hash"},
      {"1000 inna.html", "context given twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const std::string text =
        std::string("1000 index.html\n# comment\n") + c.line + "\n1004 x.html\n";
    HelpContexts map;
    std::string error;
    EXPECT_FALSE(map.parse(text, "/pomoc/konteksty.txt", &error));
    EXPECT_NE(error.find("/pomoc/konteksty.txt"), std::string::npos) << error;
    EXPECT_NE(error.find("wiersz 3 "), std::string::npos) << error;
    EXPECT_TRUE(map.entries().empty());
  }
}

TEST(HelpContexts, LoadsFileAndNamesOneThatCannotBeRead) {
  testsupport::TempFile file("1000 index.html\n1014 raport.html#raport\n");
  HelpContexts map;
  std::string error;
  ASSERT_TRUE(map.load(file.path(), &error)) << error;
  ASSERT_NE(map.find(1014), nullptr);
  EXPECT_EQ(map.find(1014)->anchor, "raport");

  testsupport::TempFolder folder;
  const std::string missing = folder / "konteksty.txt";
  EXPECT_FALSE(map.load(missing, &error));
  EXPECT_NE(error.find(missing), std::string::npos) << error;
  EXPECT_TRUE(map.entries().empty());

  // A folder where the file should be.
  EXPECT_FALSE(map.load(folder.path(), &error));
  EXPECT_NE(error.find(folder.path()), std::string::npos) << error;

  testsupport::TempFile bad("1000 index.html\n\nzle\n");
  EXPECT_FALSE(map.load(bad.path(), &error));
  EXPECT_NE(error.find(bad.path()), std::string::npos) << error;
  EXPECT_NE(error.find("wiersz 3 "), std::string::npos) << error;
}

}  // namespace
