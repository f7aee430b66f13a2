#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <vector>

#include "platform/CodePage.h"
#include "support/CleanSwde.h"
#include "support/PolishLocale.h"
#include "support/TempFile.h"
#include "syntax/Sxanalyzer.h"
#include "syntax/Sxconsts.h"

using namespace swde;

namespace {

struct Seen {
  std::uint64_t line;
  int code;   // line code
  int error;  // error code, 0 for none
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
  return os << "{" << s.line << ", " << s.code << ", " << s.error << "}";
}

struct Read {
  int headerError = 0;
  std::vector<Seen> lines;  // every line, the header included
  std::vector<counted_ptr<sxLine>> records;
  std::vector<counted_ptr<sxError>> errors;
};

Read readAll(const std::string& content) {
  testsupport::TempFile f(content);
  sxFileStream stream(f.path(), kFileBufferSize);
  sxTokenizer tok(&stream);
  sxAnalyzer an(&tok);
  Read r;
  counted_ptr<sxError> err;
  auto header = an.getFileHeader(err);
  if (!header) {
    r.headerError = err ? err->code : -1;
    return r;
  }
  for (auto line = header; line; line = an.getNewLine(err)) {
    r.lines.push_back({line->lineNumber, line->code, err ? err->code : 0});
    r.records.push_back(line);
    r.errors.push_back(err);
    err.reset();
    if (r.lines.size() > 10000) break;  // a loop that never ends is a fault too
  }
  return r;
}

// Only the lines with an error.
std::vector<Seen> errorsOf(const std::string& content) {
  std::vector<Seen> out;
  for (const Seen& s : readAll(content).lines)
    if (s.error) out.push_back(s);
  return out;
}

const std::string kHeader = "SWDE.W.1.13.0;Plik testowy\n";

TEST(Analyzer, CleanFileHasNoErrors) {
  for (const std::string& eol : {std::string("\n"), std::string("\r\n")}) {
    std::string content = kHeader + testsupport::kCleanSwdeBody;
    std::string withEol;
    for (char c : content) {
      if (c == '\n')
        withEol += eol;
      else
        withEol += c;
    }
    const Read r = readAll(withEol);
    ASSERT_EQ(r.headerError, 0);
    EXPECT_EQ(errorsOf(withEol), std::vector<Seen>{}) << "eol " << eol.size();
    // header, 26 lines, and the empty line after the last line feed
    ASSERT_EQ(r.lines.size(), 28u);
    EXPECT_EQ(r.lines[0], (Seen{1, lcSWDE, 0}));
    EXPECT_EQ(r.lines[11], (Seen{12, lcRO, 0}));
    EXPECT_EQ(r.lines[26], (Seen{27, lcSWDEX, 0}));
    EXPECT_EQ(r.lines[27], (Seen{28, lcEmpty, 0}));
    for (const auto& line : r.records) {
      EXPECT_TRUE(line->syntaxOk) << line->lineNumber;
      EXPECT_TRUE(line->contextOk) << line->lineNumber;
    }
  }
}

TEST(Analyzer, LineRecordsHoldTextFieldsAndPositions) {
  const std::string content = kHeader + "SO;\nRO,G5DZE,,1,,; uwaga\r\nX;\n";
  const Read r = readAll(content);
  ASSERT_GE(r.records.size(), 4u);
  const auto& header = r.records[0];
  EXPECT_EQ(header->text, "SWDE.W.1.13.0;Plik testowy");
  EXPECT_EQ(header->getFieldCount(), 1u);
  EXPECT_EQ(header->getField(0)->text, "SWDE.W.1.13.0");
  EXPECT_EQ(header->comment, "Plik testowy");
  EXPECT_EQ(header->position, 0u);

  const auto& ro = r.records[2];
  EXPECT_EQ(ro->code, lcRO);
  EXPECT_EQ(ro->text, "RO,G5DZE,,1,,; uwaga");
  EXPECT_EQ(ro->ident, "RO");
  EXPECT_EQ(ro->position, kHeader.size() + 4);
  ASSERT_EQ(ro->getFieldCount(), 6u);
  EXPECT_EQ(ro->getField(0)->text, "RO");
  EXPECT_EQ(ro->getField(1)->text, "G5DZE");
  EXPECT_EQ(ro->getField(3)->text, "1");
  EXPECT_EQ(ro->comment, " uwaga");
  EXPECT_TRUE(ro->hasSemicolon);
  EXPECT_EQ(r.records[3]->position, content.find("X;"));
}

TEST(Analyzer, HeaderRecognition) {
  struct Case {
    const char* header;
    int format;
    double version;
  };
  const Case cases[] = {
      {"SWDE.W.1.13.0;", lcSWDE, 1.13},
      {"SWING.w.2.05.x;komentarz", lcSWING, 2.05},
      {"SWDE.W.1.13.;", lcSWDE, 1.13},
      {"SWDE.W.1.13.0.5 cokolwiek;", lcSWDE, 1.13},
      {"SWDE.W.1.13;", 0, 0},
      {"SWDE.W.1.13.0", 0, 0},
      {"SWDE.W.+1.13.0;", 0, 0},
      {"SWDE.W.-1.13.0;", 0, 0},
      {"SWDE.W.0x1.13.0;", 0, 0},
      {"SWDE.W..13.0;", 0, 0},
      {"SWDE.W.1. 3.0;", 0, 0},
      {"swde.W.1.13.0;", 0, 0},
      {"SWDEX.W.1.13.0;", 0, 0},
      {"SWDE.X.1.13.0;", 0, 0},
      {"SWDE;", 0, 0},
      {"", 0, 0},
  };
  sxTokenizer tok(nullptr);
  sxAnalyzer an(&tok);
  for (const Case& c : cases) {
    EXPECT_EQ(an.recognizeFormat(c.header), c.format) << c.header;
    EXPECT_EQ(an.getFormat(), c.format) << c.header;
    if (c.format) {
      EXPECT_DOUBLE_EQ(an.getVersion(), c.version) << c.header;
    }
  }
}

TEST(Analyzer, VersionIgnoresAPolishLocale) {
  testsupport::PolishLocale polish;
  if (!polish) GTEST_SKIP() << "no Polish locale";
  sxTokenizer tok(nullptr);
  sxAnalyzer an(&tok);
  EXPECT_EQ(an.recognizeFormat("SWDE.W.1.13.0;"), lcSWDE);
  EXPECT_DOUBLE_EQ(an.getVersion(), 1.13);
}

TEST(Analyzer, UnrecognisedHeaderGivesNoLines) {
  const Read r = readAll("SWDF.W.1.13.0;\nSO;\n");
  EXPECT_EQ(r.headerError, ecUnknownFormat);
  EXPECT_TRUE(r.lines.empty());
  EXPECT_EQ(readAll("").headerError, ecUnknownFormat);
}

TEST(Analyzer, WholeFiles) {
  struct Case {
    const char* name;
    std::string content;
    std::vector<Seen> errors;
  };
  const std::string h = kHeader;
  const std::vector<Case> cases = {
      {"header only, no line feed", "SWDE.W.1.13.0;", {{1, lcEmpty, ecEofBad}}},
      {"header only", h, {{2, lcEmpty, ecEofBad}}},
      {"open section", h + "SO;\n", {{3, lcEmpty, ecEofOpenSection}}},
      {"open record", h + "SO;\nRO,G5DZE,,1,,;\n", {{4, lcEmpty, ecEofOpenRecord}}},
      {"open record, last line without line feed",
       h + "SO;\nRO,G5DZE,,1,,;",
       {{3, lcEmpty, ecEofOpenRecord}}},
      {"last line with an error and without line feed",
       h + "SO;\nRO,G5DZE,,1,,",
       {{3, lcRO, ecNoSemicolon}, {3, lcEmpty, ecEofOpenRecord}}},
      {"closed file without line feed", h + "SO;\nSX;\nSWDEX;", {}},
      {"line after the end of the file", h + "SO;\nSX;\nSWDEX;\nSO;\n", {{5, lcSO, ecEofBad}}},
      // the header is recognised only as the first line; later it is no line type
      {"header again", h + h + "SO;\nSX;\nSWDEX;\n", {{2, lcNone, ecUnknownLineType}}},
      {"unknown identifier", h + "SO;\nQQ,1;\nSX;\nSWDEX;\n", {{3, lcNone, ecUnknownLineType}}},
      {"SWING line in an SWDE file",
       h + "SD;\nSX;\nSWDEX;\n",
       {{2, lcNone, ecUnknownLineType}, {3, lcSX, ecSectionEnd}}},
      {"lower-case identifier",
       h + "so;\n",
       {{2, lcNone, ecUnknownLineType}, {3, lcEmpty, ecEofBad}}},
      {"line starting with a separator",
       h + "SO;\n,RO;\n;\nSX;\nSWDEX;\n",
       {{3, lcNone, ecNoLineIdent}, {4, lcNone, ecNoLineIdent}}},
      {"blank and empty lines", h + "SO;\n   \n\n\t\nSX;\nSWDEX;\n", {}},
      {"comment lines", h + "C;komentarz\nSO;\nC;\nSX;\nC; a, b; c\nSWDEX;\nC;\n", {}},
      {"comment line with a field",
       h + "C,komentarz;\nSO;\nSX;\nSWDEX;\n",
       {{2, lcC, ecWrongFieldCount}}},
      {"record end outside a record", h + "SO;\nX;\nSX;\nSWDEX;\n", {{3, lcX, ecRecordEnd}}},
      {"section start inside a section",
       h + "SO;\nSO;\nSX;\nSWDEX;\n",
       {{3, lcSO, ecSectionStart}}},
      {"section end outside a section", h + "SX;\nSWDEX;\n", {{2, lcSX, ecSectionEnd}}},
      {"record start outside a section",
       h + "RO,G5DZE,,1,,;\nSO;\nSX;\nSWDEX;\n",
       {{2, lcRO, ecRecordStart}, {3, lcSO, ecSectionStart}}},
      // a refused end-of-file line leaves the section open
      {"end of file inside a section",
       h + "SO;\nSWDEX;\n",
       {{3, lcSWDEX, ecFileEndNoSectionEnd}, {4, lcEmpty, ecEofOpenSection}}},
      {"end of file inside a section, then the real end",
       h + "SO;\nSWDEX;\nSX;\nSWDEX;\n",
       {{3, lcSWDEX, ecFileEndNoSectionEnd}}},
      {"forgotten separator",
       h + "SO;\nRO,G5 DZE,,1,,;\n",
       {{3, lcRO, ecFieldSeparator}, {4, lcEmpty, ecEofOpenSection}}},
      {"forgotten separator in the identifier",
       h + "SO X;\n",
       {{2, lcSO, ecFieldSeparator}, {3, lcEmpty, ecEofBad}}},
      {"blanks around a value are no forgotten separator",
       h + "SP;\nB,G5IDD,ZN, 1 ;\nSX;\nSWDEX;\n",
       {}},
      {"free-text tails keep their blanks",
       h + "SO;\nRO,G5DZE,,1,,;\nGL;\nP,P,G5PKT,2;\nPZ;\nGX;\n"
           "D,G5NAZ,D,Jan Kowalski z Nowej Wsi;\nX;\nSX;\nSWDEX;\n",
       {}},
      {"misplaced line and recovery",
       h + "SO;\nRO,G5DZE,,1,,;\nGL;\nP,P,G5PKT,2;\nPZ;\nGX;\nW,G5DZE;\nD,G5IDD,D,1;\nX;\nSX;\n"
           "SWDEX;\n",
       {{8, lcW, ecRecordOutsideSection}}},
      {"misplaced one-line records in a section of one-line records",
       h + "SP;\nB,G5IDD,ZN,;\nNS,DN,x\nW,G5DZE;\nB,G5NRZ,ZN,;\nSX;\nSWDEX;\n",
       {{4, lcNS, ecLineInContext}}},
  };
  for (const Case& c : cases) EXPECT_EQ(errorsOf(c.content), c.errors) << c.name;
}

TEST(Analyzer, ErrorTextsNameTheLine) {
  const Read r = readAll(kHeader + "SO;\nQQ,1;\n");
  ASSERT_GE(r.errors.size(), 3u);
  ASSERT_TRUE(r.errors[2]);
  EXPECT_EQ(r.errors[2]->message, "Nierozpoznany typ linii : QQ");
  EXPECT_EQ(r.errors[2]->line, 3u);
  EXPECT_EQ(r.errors[2]->section, scSO);
  EXPECT_FALSE(r.records[2]->syntaxOk);
  EXPECT_FALSE(r.records[2]->contextOk);
}

TEST(Analyzer, OverlongLineIsReportedAndReadingGoesOn) {
  const std::string longLine = "D,G5OPIS,D," + std::string(70000, 'x') + ";\n";
  const std::string content = kHeader + "SO;\nRO,G5DZE,,1,,;\nGL;\nP,P,G5PKT,2;\nPZ;\nGX;\n" +
                              longLine + "X;\nSX;\nSWDEX;\n";
  const Read r = readAll(content);
  std::vector<Seen> errors;
  for (const Seen& s : r.lines)
    if (s.error) errors.push_back(s);
  EXPECT_EQ(errors, (std::vector<Seen>{{8, lcD, ecLineTooLong}}));
  for (const auto& line : r.records) EXPECT_LE(line->text.size(), kMaxLineLength);
  // A file without any line feed does not make one huge line either.
  const Read binary = readAll(kHeader + std::string(300000, 'A'));
  ASSERT_GE(binary.lines.size(), 2u);
  EXPECT_EQ(binary.lines[1].error, ecLineTooLong);
  for (const auto& line : binary.records) EXPECT_LE(line->text.size(), kMaxLineLength);
}

// The last line of a file without a line feed follows the same grammar as
// any other: blanks only make an empty line (which carries the end-of-file
// check), a word is an identifier; the words kept of an over-long line decide
// its code.
TEST(Analyzer, LastLineWithoutLineFeed) {
  struct Case {
    std::string last;
    std::vector<Seen> errors;
  };
  const std::vector<Case> cases = {
      {"   \t ", {{3, lcEmpty, ecEofOpenSection}}},
      {"  \r ", {{3, lcEmpty, ecEofOpenSection}}},
      {"   QQ", {{3, lcNone, ecUnknownLineType}, {3, lcEmpty, ecEofOpenSection}}},
      {std::string(70000, ' '), {{3, lcNone, ecLineTooLong}, {3, lcEmpty, ecEofOpenSection}}},
      {"X,1,2;" + std::string(70000, 'k'),
       {{3, lcX, ecLineTooLong}, {3, lcEmpty, ecEofOpenSection}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(errorsOf(kHeader + "SO;\n" + c.last), c.errors) << c.last.substr(0, 8);
}

TEST(Analyzer, NoLinesWithoutAHeaderOrAfterTheEnd) {
  testsupport::TempFile f(kHeader + "SO;\nSX;\nSWDEX;\n");
  sxFileStream stream(f.path(), 64);
  sxTokenizer tok(&stream);
  sxAnalyzer an(&tok);
  counted_ptr<sxError> err;
  EXPECT_FALSE(an.getNewLine(err));  // the header was not read yet
  ASSERT_TRUE(an.getFileHeader(err));
  int lines = 0;
  while (an.getNewLine(err)) ++lines;
  EXPECT_EQ(lines, 4);
  EXPECT_FALSE(an.getNewLine(err));
  EXPECT_FALSE(an.getNewLine(err));
}

// The header is judged on the first kMaxLineLength bytes of the first line:
// a file whose first line never ends (here 5 GiB of NUL bytes, a hole that
// costs no disk) gets its verdict without being read on, and the reading
// stops within the bound.
TEST(Analyzer, HeaderIsJudgedWithinItsFirstBytes) {
  testsupport::TempFile f("");
  {
    const int fd = ::open(f.path().c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const bool sized = ::ftruncate(fd, static_cast<off_t>(5ULL << 30)) == 0;
    ::close(fd);
    if (!sized) GTEST_SKIP() << "no room for a sparse file here";
  }
  sxFileStream stream(f.path(), kFileBufferSize);
  ASSERT_EQ(stream.getSize(), 5ULL << 30);
  sxTokenizer tok(&stream);
  sxAnalyzer an(&tok);
  counted_ptr<sxError> err;
  EXPECT_FALSE(an.getFileHeader(err));
  ASSERT_TRUE(err);
  EXPECT_EQ(err->code, ecUnknownFormat);
  EXPECT_LE(tok.getPosition(), kMaxLineLength);
  EXPECT_LE(stream.getPosition(), kMaxLineLength);
  EXPECT_FALSE(an.getNewLine(err));
}

// What stands behind the bound changes no verdict: a format mark there is
// not seen, and a recognised header's overlong comment is read past, the next
// line taken as line 2.
TEST(Analyzer, HeaderLongerThanTheBound) {
  const std::string far = std::string(kMaxLineLength, ' ') + "SWDE.W.1.13.0;\nSO;\nSX;\nSWDEX;\n";
  EXPECT_EQ(readAll(far).headerError, ecUnknownFormat);

  const std::string comment(100000, 'k');
  const Read r =
      readAll(kHeader.substr(0, kHeader.find(';') + 1) + comment + "\nSO;\nSX;\nSWDEX;\n");
  EXPECT_EQ(r.headerError, 0);
  ASSERT_GE(r.lines.size(), 2u);
  EXPECT_EQ(r.records[0]->text.size(), kMaxLineLength);
  EXPECT_EQ(r.lines[1], (Seen{2, lcSO, 0}));
}

}  // namespace
