// The analyzer cuts a line that its stream's buffer holds whole in memory and
// reads any other token by token. A one-byte buffer forces the token path
// for every line, so reading the same file through both buffers must give
// the same records, errors, counters and context, line for line.

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "platform/Com.h"
#include "support/TempFile.h"
#include "syntax/Sxanalyzer.h"
#include "syntax/Sxconsts.h"

using namespace swde;

namespace {

std::string valueOf(const plat::VARIANT& v) {
  std::ostringstream os;
  os << v.vt << ':';
  if (v.vt == plat::VT_I4) os << v.lVal;
  if (v.vt == plat::VT_UI4) os << v.ulVal;
  if (v.vt == plat::VT_R8) os << v.dblVal;
  if (v.vt == plat::VT_BSTR) os << plat::cp1250FromBstr(v.bstrVal);
  return os.str();
}

// Everything the analyzer and its parts show after each line, one text a line.
std::vector<std::string> readAll(const std::string& path, unsigned bufferSize) {
  sxFileStream stream(path, bufferSize);
  sxTokenizer tok(&stream);
  sxAnalyzer an(&tok);
  std::vector<std::string> out;
  counted_ptr<sxError> err;
  if (!an.getFileHeader(err)) return out;
  for (int n = 0; n < 100000; ++n) {
    err.reset();
    const counted_ptr<sxLine> line = an.getNewLine(err);
    std::ostringstream os;
    if (line) {
      os << line->lineNumber << ' ' << int(line->code) << ' ' << line->position << ' '
         << int(line->hasSemicolon) << int(line->syntaxOk) << int(line->contextOk) << ' '
         << line->mark << " [" << line->text << "] [" << line->ident << "] [" << line->comment
         << "]";
      for (std::uint32_t i = 0; i < line->getFieldCount(); ++i)
        os << " {" << line->getField(i)->text << '|' << valueOf(*line->getField(i)->value.raw())
           << '}';
    }
    if (err)
      os << " E" << int(err->code) << '/' << err->line << '/' << int(err->section) << ' '
         << err->message;
    const sxContext& c = an.getContext();
    os << " T" << tok.getLineCounter() << '/' << tok.getCharCounter() << '/' << tok.getPosition()
       << '/' << tok.isEof() << '/' << int(tok.getTokenKind()) << '/' << tok.getTokenText() << " C"
       << int(c.getSection()) << '/' << int(c.getRecord()) << '/' << int(c.getSubRecord()) << '/'
       << int(c.getLevel()) << '/' << int(c.getEventKind()) << '/' << c.isComplexRecord() << '/'
       << c.getStateMachine()->getStateName();
    out.push_back(os.str());
    if (!line) break;
  }
  return out;
}

// Lines close to a real file, and broken ones: carriage returns anywhere,
// blanks inside fields and before the identifier, unknown and missing
// identifiers, stray delimiters, comments, bytes outside ASCII, lines longer
// than the limit, and a last line with or without its line feed.
std::string randomFile(std::mt19937& rng) {
  static const char* const kLines[] = {"SP;",
                                       "SO;",
                                       "SX;",
                                       "ST;",
                                       "B,G5IDD,ZN,;",
                                       "W,G5DZE;",
                                       "TD,G5DZE,RO;",
                                       "TP,G5IDD;",
                                       "X;",
                                       "RO,G5DZE,,D1,,;",
                                       "RC,G5BUD,,B1,,;",
                                       "GL;",
                                       "P,P,G5PKT,P1;",
                                       "P,G,5700029.99,6541453.92,;",
                                       "PZ;",
                                       "GX;",
                                       "D,G5IDD,D,146501_1.0001.1;",
                                       "D,G5OPIS,D,wie\xB6, ulica;",
                                       "D,G5PEW,D,0.29;",
                                       "RP,G5PKT,,P142,,;",
                                       "NS,DN,opis;",
                                       "TR,1,2,3;",
                                       "H,1,P,G5PKT,P2;",
                                       "E,1,2,3,N,1,2,1,1,A,G5;",
                                       "SWDEX;",
                                       "K,+;",
                                       "FD,G5,1,2.5,0;",
                                       "A,7;",
                                       "OB,2;"};
  static const char* const kBits[] = {" ",    "\t",  ",",  ";", "\r", "x", "0",  "1.5", "\xB1",
                                      "\xFF", "a b", "  ", "P", "XX", "",  "-3", "1e5"};
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  std::string file = pick(2) ? "SWDE.W.1.13.0;komentarz\n" : "SWDE.W.1.13.0;\r\n";
  const std::string lineEnd = pick(3) ? "\n" : "\r\n";
  const int lines = 1 + static_cast<int>(pick(300));
  for (int n = 0; n < lines; ++n) {
    std::string line = kLines[pick(std::size(kLines))];
    if (pick(3) == 0) {
      for (int k = static_cast<int>(pick(3)); k >= 0; --k) {
        const std::size_t at = pick(line.size() + 1);
        if (pick(4) == 0 && !line.empty())
          line.erase(std::min(at, line.size() - 1), 1);
        else
          line.insert(at, kBits[pick(std::size(kBits))]);
      }
    }
    if (pick(150) == 0) line += std::string(kMaxLineLength - 40 + pick(80), pick(2) ? 'x' : ' ');
    file += line + lineEnd;
  }
  switch (pick(5)) {
    case 0:
      file += "B x";
      break;
    case 1:
      file += "  ";
      break;
    case 2:
      file += "X;\r";
      break;
    default:
      break;
  }
  return file;
}

TEST(LineCutting, InMemoryAndTokenReadingGiveTheSameLines) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    testsupport::TempFile f(randomFile(rng));
    const std::vector<std::string> cut = readAll(f.path(), kFileBufferSize);
    const std::vector<std::string> tokens = readAll(f.path(), 1);
    ASSERT_FALSE(cut.empty());
    ASSERT_EQ(cut.size(), tokens.size());
    for (std::size_t i = 0; i < cut.size(); ++i) ASSERT_EQ(cut[i], tokens[i]) << "line " << i;
  }
}

// Lines that end exactly at the end of a buffer, or whose line feed is the
// first byte of the next one, take either path; the records do not change.
TEST(LineCutting, LinesAcrossBufferEndsKeepTheirRecords) {
  const std::string body =
      "SO;\r\nRO,G5DZE,,1,,;\nGL;\r\nP,P,G5PKT,2;\nPZ;\nGX;\nD,G5OPIS,D, a b ;c\r\r\n"
      "X;\nSX;\nSWDEX;\n";
  testsupport::TempFile f("SWDE.W.1.13.0;\n" + body);
  const std::vector<std::string> whole = readAll(f.path(), kFileBufferSize);
  for (unsigned size = 2; size < 40; ++size) {
    SCOPED_TRACE(size);
    EXPECT_EQ(readAll(f.path(), size), whole);
  }
}

}  // namespace
