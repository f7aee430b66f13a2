// The common line (an identifier, fields joined by commas without blanks, a
// ';' and a comment) is cut from the places of its delimiters, sixteen bytes
// at a time. Lines of every length across those steps, with the delimiters at
// every place, must give the fields, comment and line length that splitting
// the line at its commas gives, whether the line is cut alone or as the first
// of a run of lines; lines with blanks go on to the byte-by-byte cut.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "syntax/Sxcodes.h"
#include "syntax/Sxlineparser.h"

using namespace swde;

namespace {

struct Cut {
  sxLineCode code = lcNone;
  std::vector<std::string> fields;
  bool semicolon = false;
  std::string comment;
  std::size_t length = 0;
  bool error = false;

  bool operator==(const Cut&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Cut& c) {
  os << int(c.code) << (c.semicolon ? " ; [" : " [") << c.comment << "] " << c.length
     << (c.error ? " error" : "");
  for (const std::string& f : c.fields) os << " {" << f << '}';
  return os;
}

Cut cutOf(const sxLine& line, const counted_ptr<sxError>& error, std::size_t length,
          bool keepText) {
  Cut c;
  c.code = line.code;
  for (std::uint32_t i = 0; i < line.getFieldCount(); ++i)
    c.fields.emplace_back(line.getField(i)->text);
  c.semicolon = line.hasSemicolon != 0;
  c.comment = line.comment;
  c.length = length;
  c.error = static_cast<bool>(error);
  if (keepText) {
    EXPECT_EQ(line.ident, c.fields.empty() ? std::string() : c.fields[0]);
  }
  return c;
}

// The line as its commas and its first ';' split it.
Cut expectedOf(const std::string& text, sxLineCode code) {
  Cut c;
  c.code = code;
  const std::size_t semi = text.find(';');
  const std::string head = text.substr(0, semi);
  std::size_t from = 0;
  for (std::size_t k; (k = head.find(',', from)) != std::string::npos; from = k + 1)
    c.fields.push_back(head.substr(from, k - from));
  c.fields.push_back(head.substr(from));
  if (semi != std::string::npos) {
    c.semicolon = true;
    c.comment = text.substr(semi + 1);
  }
  c.length = text.size();
  return c;
}

// A line of the identifier and fields of random word bytes (bytes outside
// ASCII and NUL among them), about length bytes before its ';'.
std::string lineOf(std::mt19937& rng, const std::string& ident, std::size_t length) {
  static const std::string kWordBytes = std::string("AZaz09._-+/\xB1\xFF", 14) + '\0';
  std::string line = ident;
  if (line.size() < length) line += ',';
  while (line.size() < length) {
    switch (rng() % 4) {
      case 0:
        line += ',';
        break;
      default:
        line += kWordBytes[rng() % kWordBytes.size()];
    }
  }
  return line;
}

TEST(LineShape, CommonLinesOfEveryLengthSplitAtTheirCommas) {
  std::mt19937 rng(4711);
  sxLineParser alone(lcSWDE);
  sxLineParser inRun(lcSWDE);
  inRun.setKeepText(false);
  const char* const kIdents[] = {"D", "P", "RO", "TD", "X", "SWDEX"};
  const char* const kEnds[] = {"", ";", ";;", ";komentarz, z odst\xEApami ", ";\t"};
  for (std::size_t length = 1; length <= 300; ++length) {
    for (const char* ident : kIdents) {
      for (const char* end : kEnds) {
        const std::string text = lineOf(rng, ident, length) + end;
        SCOPED_TRACE(text);
        const Cut expected = expectedOf(text, alone.recognize(ident));
        sxLine line(lcNone, 1);
        counted_ptr<sxError> error;
        alone.parse(text, line, 0, error);
        EXPECT_EQ(cutOf(line, error, text.size(), true), expected);
        // The first line of a run: it ends at the first line end, a
        // carriage return too.
        for (const char* lineEnd : {"\n", "\r\n"}) {
          const std::string run = text + lineEnd + "X;\nP,G,1,2;\n";
          sxLine first(lcNone, 1);
          counted_ptr<sxError> runError;
          const std::size_t n = inRun.parseToLineFeed(run, first, 0, runError);
          EXPECT_EQ(cutOf(first, runError, n, false), expected);
        }
      }
    }
  }
}

// Lines that the delimiters alone do not cut: blanks before the ';' (inside
// fields, before the identifier, a missing comma), no identifier, an unknown
// one. Each gives the result of the byte-by-byte cut, here written out.
TEST(LineShape, OtherLinesTakeTheByteCut) {
  struct Case {
    std::string text;
    Cut expected;
  };
  const Case kCases[] = {
      {"D,G5OPIS,D, a b ;c", {lcD, {"D", "G5OPIS", "D", " a b "}, true, "c", 18, false}},
      {"  X;", {lcX, {"X"}, true, "", 4, false}},
      {"P,G,1 2,3;", {lcP, {"P", "G"}, false, "", 10, true}},
      {",X;", {lcNone, {}, false, "", 3, true}},
      {"QQ,1;", {lcNone, {}, false, "", 5, true}},
      {"   ", {lcEmpty, {}, false, "", 3, false}},
      {"X\t;", {lcX, {"X\t"}, true, "", 3, false}},
  };
  sxLineParser parser(lcSWDE);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    sxLine line(lcNone, 1);
    counted_ptr<sxError> error;
    parser.parse(c.text, line, 0, error);
    EXPECT_EQ(cutOf(line, error, c.text.size(), false), c.expected);
  }
}

}  // namespace
