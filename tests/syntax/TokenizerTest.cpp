#include <gtest/gtest.h>

#include <vector>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "support/TempFile.h"
#include "syntax/Sxexception.h"
#include "syntax/Sxtokenizer.h"

using namespace swde;

namespace {

struct Token {
  std::uint8_t kind;
  std::string text;
  bool operator==(const Token&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Token& t) {
  return os << int(t.kind) << ":'" << t.text << "'";
}

// Every token up to and including the first of kind 5 or 6.
std::vector<Token> tokens(const std::string& content, unsigned bufSize = 16384) {
  testsupport::TempFile f(content);
  sxFileStream stream(f.path(), bufSize);
  sxTokenizer tok(&stream);
  std::vector<Token> out;
  for (;;) {
    const std::uint8_t k = tok.getToken();
    out.push_back({k, tok.getTokenText()});
    if (k == tkEof || k == tkNone) break;
  }
  return out;
}

TEST(Tokenizer, CutsTextIntoTokens) {
  struct Case {
    std::string content;
    std::vector<Token> expected;
  };
  const std::vector<Case> cases = {
      {"", {{tkNone, ""}}},
      {"A,B;\r\n",
       {{tkWord, "A"},
        {tkFieldSep, ","},
        {tkWord, "B"},
        {tkLineEnd, ";"},
        {tkLineFeed, "\n"},
        {tkEof, ""}}},
      {"  \t X", {{tkBlank, "  \t "}, {tkEof, "X"}}},
      {"RO,1;\nX",
       {{tkWord, "RO"},
        {tkFieldSep, ","},
        {tkWord, "1"},
        {tkLineEnd, ";"},
        {tkLineFeed, "\n"},
        {tkEof, "X"}}},
      {"a b\tc", {{tkWord, "a"}, {tkBlank, " "}, {tkWord, "b"}, {tkBlank, "\t"}, {tkEof, "c"}}},
      {",,;;",
       {{tkFieldSep, ","}, {tkFieldSep, ","}, {tkLineEnd, ";"}, {tkLineEnd, ";"}, {tkEof, ""}}},
      // carriage returns vanish wherever they stand, even inside a word
      {"A\rB\r\r\n", {{tkWord, "AB"}, {tkLineFeed, "\n"}, {tkEof, ""}}},
      // a NUL byte is an ordinary word character and is never lost
      {std::string("a\0b,", 4), {{tkWord, std::string("a\0b", 3)}, {tkFieldSep, ","}, {tkEof, ""}}},
      {std::string("\0", 1), {{tkEof, std::string("\0", 1)}}},
      // Polish letters are word characters
      {"D,\xB9\x9C;",
       {{tkWord, "D"}, {tkFieldSep, ","}, {tkWord, "\xB9\x9C"}, {tkLineEnd, ";"}, {tkEof, ""}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tokens(c.content), c.expected) << "content: " << c.content;
    // The same tokens come out of the smallest buffer (0 is taken as 1).
    EXPECT_EQ(tokens(c.content, 0), c.expected) << "1-byte buffer, content: " << c.content;
  }
}

TEST(Tokenizer, CountsLinesAndCharacters) {
  testsupport::TempFile f("A,B;\r\nC;\n");
  sxFileStream stream(f.path(), 3);
  sxTokenizer tok(&stream);
  std::uint8_t k;
  while ((k = tok.getToken()) != tkEof) {
    ASSERT_NE(k, tkNone);
  }
  EXPECT_EQ(tok.getLineCounter(), 3u);
  EXPECT_EQ(tok.getCharCounter(), 9u);  // the carriage return counts
  EXPECT_TRUE(tok.isEof());
  EXPECT_EQ(stream.getPosition(), 9u);
  // Past the end it keeps answering end of file.
  EXPECT_EQ(tok.getToken(), tkEof);
  EXPECT_EQ(tok.getTokenText(), "");
}

TEST(Tokenizer, LineFeedCountsOnlyWhenReturned) {
  testsupport::TempFile f("A\nB");
  sxFileStream stream(f.path(), 16);
  sxTokenizer tok(&stream);
  EXPECT_EQ(tok.getToken(), tkWord);  // the line feed is now held as look-ahead
  EXPECT_EQ(tok.getLineCounter(), 1u);
  EXPECT_EQ(tok.getToken(), tkLineFeed);
  EXPECT_EQ(tok.getLineCounter(), 2u);
}

TEST(Tokenizer, GetAllToEolStopsBeforeTheLineEnd) {
  testsupport::TempFile f("SWDE.W.1.13;\r\nX;\n");
  sxFileStream stream(f.path(), 16384);
  sxTokenizer tok(&stream);
  EXPECT_EQ(tok.getAllToEOL(), "SWDE.W.1.13;");
  EXPECT_EQ(tok.getTokenKind(), tkWord);
  EXPECT_EQ(tok.getLineCounter(), 1u);
  // The carriage return is the look-ahead: the next token is the line feed.
  EXPECT_EQ(tok.getToken(), tkLineFeed);
  EXPECT_EQ(tok.getToken(), tkWord);
  EXPECT_EQ(tok.getTokenText(), "X");

  testsupport::TempFile lf("\nA");
  sxFileStream s2(lf.path(), 16384);
  sxTokenizer t2(&s2);
  EXPECT_EQ(t2.getAllToEOL(), "");
  EXPECT_EQ(t2.getTokenKind(), tkEof);
  EXPECT_EQ(t2.getToken(), tkLineFeed);
}

TEST(Tokenizer, SeekEndLineAcceptsTheLimitAndRefusesOneMore) {
  for (unsigned n : {0u, 1u, 255u, 256u, 1000u}) {
    testsupport::TempFile f(std::string(n, 'x') + "\nY");
    sxFileStream stream(f.path(), 64);
    sxTokenizer tok(&stream);
    if (n <= 255) {
      EXPECT_EQ(tok.seekEndLine(), n);
      EXPECT_EQ(tok.getCharCounter(), n);
      EXPECT_EQ(tok.getToken(), tkLineFeed);
      EXPECT_EQ(tok.getToken(), tkEof);
      EXPECT_EQ(tok.getTokenText(), "Y");
    } else {
      try {
        tok.seekEndLine();
        ADD_FAILURE() << n << " characters accepted";
      } catch (const sxException& e) {
        EXPECT_EQ(e.Message(), plat::cp("Linia 1 jest za długa"));
      }
      EXPECT_EQ(tok.getCharCounter(), 0u);
      EXPECT_EQ(tok.getLineCounter(), 1u);
    }
  }
}

TEST(Tokenizer, SeekEndLineAtALineEndSkipsNothing) {
  testsupport::TempFile f("AB\nC");
  sxFileStream stream(f.path(), 16);
  sxTokenizer tok(&stream);
  EXPECT_EQ(tok.getToken(), tkWord);  // "AB", line feed held
  EXPECT_EQ(tok.seekEndLine(), 0u);
  EXPECT_EQ(tok.getToken(), tkLineFeed);
}

TEST(Tokenizer, ResetStartsAgainAndDropsTheLookAhead) {
  testsupport::TempFile f("AB,C\nD");
  sxFileStream stream(f.path(), 16);
  sxTokenizer tok(&stream);
  tok.getToken();  // "AB"; ',' held
  tok.reset();
  EXPECT_EQ(tok.getCharCounter(), 0u);
  EXPECT_EQ(tok.getLineCounter(), 1u);
  EXPECT_FALSE(tok.isEof());
  EXPECT_EQ(tok.getToken(), tkWord);
  EXPECT_EQ(tok.getTokenText(), "AB");
}

TEST(Tokenizer, NoStreamGivesNothing) {
  sxTokenizer tok(nullptr);
  EXPECT_EQ(tok.getToken(), tkNone);
  char c;
  EXPECT_FALSE(tok.getChar(c));
  EXPECT_EQ(tok.getAllToEOL(), "");
  EXPECT_EQ(tok.seekEndLine(), 0u);
}

TEST(Tokenizer, PositionBeyondTheSizeGivesNone) {
  testsupport::TempFile f("AB");
  sxFileStream stream(f.path(), 16);
  stream.seek(5);
  sxTokenizer tok(&stream);
  EXPECT_EQ(tok.getToken(), tkNone);
}

TEST(FileStream, MissingFileRaisesWithThePath) {
  try {
    sxFileStream s("/nonexistent/dir/x.swd", 16);
    ADD_FAILURE();
  } catch (const plat::EFileError& e) {
    EXPECT_NE(e.Message().find("/nonexistent/dir/x.swd"), std::string::npos);
  }
}

TEST(CharsConvert, MovesPolishLettersBetweenCodePages) {
  const std::string win = plat::cp("Zażółć gęślą jaźń, ŹŻ;");
  std::string iso = win;
  sxTokenizer::charsConvert(iso, 0, 3);
  EXPECT_EQ(iso, "Za\xBF\xF3\xB3\xE6 g\xEA\xB6l\xB1 ja\xBC\xF1, \xAC\xAF;");
  std::string back;
  sxTokenizer::convIso2Win(iso, back);
  EXPECT_EQ(back, win);
  sxTokenizer::convWin2Iso(win, back);
  EXPECT_EQ(back, iso);

  // Every row carries the 18 letters to every other row column by column.
  for (int from = 0; from < 4; ++from)
    for (int to = 0; to < 5; ++to) {
      std::string s(reinterpret_cast<const char*>(plat::kPolishLetterTable[from]), 18);
      EXPECT_EQ(sxTokenizer::charsConvert(s, from, to), 18);
      EXPECT_EQ(s, std::string(reinterpret_cast<const char*>(plat::kPolishLetterTable[to]), 18))
          << from << "->" << to;
    }
}

TEST(CharsConvert, LeavesOtherBytesAndSameRowAlone) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  for (int row = 0; row < 5; ++row) {
    std::string s = all;
    sxTokenizer::charsConvert(s, row, row);
    EXPECT_EQ(s, all);
  }
  std::string s = "RO,123;abc";
  sxTokenizer::charsConvert(s, 3, 0);
  EXPECT_EQ(s, "RO,123;abc");
  // Rows out of range change nothing.
  s = plat::cp("ą");
  sxTokenizer::charsConvert(s, 0, 9);
  EXPECT_EQ(s, plat::cp("ą"));
}

TEST(CharsConvert, FromPlainAsciiTakesTheFirstColumn) {
  // z stands under both ź and ż: the first column (ź) wins; other letters of
  // the ASCII row are converted as well, being the letters' base letters.
  std::string s = "zZ";
  sxTokenizer::charsConvert(s, 4, 0);
  EXPECT_EQ(s, plat::cp("źŹ"));
  s = "kot";
  sxTokenizer::charsConvert(s, 4, 0);
  EXPECT_EQ(s, plat::cp("kót"));
}

}  // namespace

namespace {

TEST(Tokenizer, TokenLimitCutsLongRunsIntoPieces) {
  testsupport::TempFile f(std::string(10, 'a') + std::string(5, ' ') + "b;");
  sxFileStream stream(f.path(), 3);
  sxTokenizer tok(&stream);
  tok.setTokenLimit(4);
  std::vector<Token> got;
  for (std::uint8_t k; (k = tok.getToken()) != tkEof;) got.push_back({k, tok.getTokenText()});
  const std::vector<Token> expected = {{tkWord, "aaaa"},  {tkWord, "aaaa"}, {tkWord, "aa"},
                                       {tkBlank, "    "}, {tkBlank, " "},   {tkWord, "b"},
                                       {tkLineEnd, ";"}};
  EXPECT_EQ(got, expected);
  EXPECT_EQ(tok.getCharCounter(), 17u);
}

TEST(Tokenizer, PositionCountsTheHeldCharacterAsUnread) {
  testsupport::TempFile f("AB,C\r\nD");
  sxFileStream stream(f.path(), 16);
  sxTokenizer tok(&stream);
  EXPECT_EQ(tok.getPosition(), 0u);
  tok.getToken();  // "AB", ',' held
  EXPECT_EQ(tok.getPosition(), 2u);
  tok.getToken();  // ","
  EXPECT_EQ(tok.getPosition(), 3u);
  tok.getToken();  // "C", '\r' held
  tok.getToken();  // line feed
  EXPECT_EQ(tok.getPosition(), 6u);
  EXPECT_EQ(tok.getAllToEOL(10), "D");
}

TEST(Tokenizer, GetAllToEolWithALimitDropsTheRestOfTheLine) {
  testsupport::TempFile f("0123456789\nX");
  sxFileStream stream(f.path(), 4);
  sxTokenizer tok(&stream);
  EXPECT_EQ(tok.getAllToEOL(4), "0123");
  EXPECT_EQ(tok.getToken(), tkLineFeed);
  EXPECT_EQ(tok.getToken(), tkEof);
  EXPECT_EQ(tok.getTokenText(), "X");
}

TEST(Tokenizer, GetLineHeadStopsAtItsLimitAndLeavesTheRestUnread) {
  testsupport::TempFile f("0123456789\r\nX");
  sxFileStream stream(f.path(), 4);
  sxTokenizer tok(&stream);
  EXPECT_EQ(tok.getLineHead(4), "0123");
  EXPECT_EQ(tok.getPosition(), 4u);
  EXPECT_EQ(tok.getAllToEOL(), "456789");
  EXPECT_EQ(tok.getToken(), tkLineFeed);
  // A line shorter than the limit ends at its line end, which stays next.
  testsupport::TempFile g("AB\r\nC");
  sxFileStream other(g.path(), 4);
  sxTokenizer tok2(&other);
  EXPECT_EQ(tok2.getLineHead(10), "AB");
  EXPECT_EQ(tok2.getToken(), tkLineFeed);
  EXPECT_EQ(tok2.getToken(), tkEof);
  EXPECT_EQ(tok2.getTokenText(), "C");
}

// The file stream's messages name the file as cp1250 text.
TEST(FileStream, MessagesShowTheNameAsCp1250Text) {
  const std::string dir = plat::tempFolder();
  const std::string path = dir + "/brak-łąka-дом.swd";
  try {
    sxFileStream stream(path, 16);
    FAIL() << "opened";
  } catch (const plat::EFileError& e) {
    EXPECT_EQ(e.Message(), plat::cp("Nie można otworzyć pliku: ") + dir + "/brak-" +
                               plat::cp("łąka") + "-???.swd" + plat::cp(" (plik nie istnieje)"));
  }
}

}  // namespace
