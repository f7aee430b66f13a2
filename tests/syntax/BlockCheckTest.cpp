// The bulk check (getLineBlock) hands out the lines after the header a block
// at a time, their field rules checked on a pool of threads. Whatever the
// threads, the block size and the input, it must give exactly what the line
// by line check (getNewLine) gives: the code of every line, and for every
// line with an error its number, code, message, the section of the error and
// the section in force after the line, and the line's byte position.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "support/BlockParameters.h"
#include "support/BrokenReads.h"
#include "support/CleanSwde.h"
#include "support/SwdeDocs.h"
#include "support/TempFile.h"
#include "syntax/Sxanalyzer.h"
#include "syntax/Sxconsts.h"

using namespace swde;
using testsupport::BlockParameters;
using testsupport::DocShape;
using testsupport::joinLines;
using testsupport::Letters;
using testsupport::lineOfLength;
using testsupport::num;
using testsupport::Rng;
using testsupport::validDocument;

namespace {

// A line with an error, as either path shows it.
struct Finding {
  std::uint64_t index = 0;  // place among the lines after the header
  std::uint64_t line = 0;   // the error's line number
  int code = 0;
  std::string message;
  int errorSection = 0;  // the error's own section
  int section = 0;       // the section in force once the line was read
  std::uint64_t position = 0;
  bool operator==(const Finding&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Finding& f) {
  return os << "{#" << f.index << " line " << f.line << " E" << f.code << " \""
            << plat::cp1250ToUtf8(f.message) << "\" section " << f.errorSection << "/" << f.section
            << " at " << f.position << "}";
}

struct Trace {
  std::vector<std::uint8_t> codes;  // every line after the header
  std::vector<Finding> findings;
  bool failed = false;  // the check raised an exception after the lines above
  std::string failure;
  std::string faults;  // what the blocks themselves got wrong
};

Finding findingOf(std::uint64_t index, const sxError& e, int section, std::uint64_t position) {
  return {index, e.line, e.code, e.message, e.section, section, position};
}

// The check of a file, its header line read.
struct Check {
  explicit Check(const std::string& path)
      : stream(path, kFileBufferSize), tok(&stream), an(&tok), headerRead(readHeader()) {}
  sxFileStream stream;
  sxTokenizer tok;
  sxAnalyzer an;
  const bool headerRead;

 private:
  bool readHeader() {
    counted_ptr<sxError> err;
    return an.getFileHeader(err) != nullptr;
  }
};

Trace lineByLine(const std::string& path) {
  Check c(path);
  Trace t;
  if (!c.headerRead) return t;
  const std::uint64_t bound = c.stream.getSize() + 4;  // a check that never ends is a fault too
  counted_ptr<sxError> err;
  for (std::uint64_t n = 0; n < bound; ++n) {
    err.reset();
    const counted_ptr<sxLine> line = c.an.getNewLine(err);
    if (!line) return t;
    if (err)
      t.findings.push_back(
          findingOf(t.codes.size(), *err, c.an.getContext().getSection(), line->position));
    t.codes.push_back(line->code);
  }
  t.faults = "the line by line check did not end";
  return t;
}

// afterFirst runs once the first block was handed out.
Trace inBlocks(const std::string& path, unsigned threads, std::size_t blockSize,
               const std::function<void()>& afterFirst = {}) {
  const BlockParameters parameters(threads, blockSize);
  Check c(path);
  Trace t;
  if (!c.headerRead) return t;
  const std::uint64_t size = c.stream.getSize();
  std::ostringstream faults;
  std::uint64_t end = c.an.getBlockPosition();
  sxLineBlock block;
  try {
    for (std::uint64_t n = 0;; ++n) {
      if (n > size + 4) {
        faults << "the bulk check did not end; ";
        break;
      }
      if (!c.an.getLineBlock(block)) {
        if (!block.codes.empty() || !block.findings.empty()) faults << "lines in the last block; ";
        if (end != size) faults << "the blocks end at " << end << " of " << size << "; ";
        break;
      }
      if (block.codes.empty()) faults << "an empty block; ";
      std::int64_t before = -1;
      for (const sxLineFinding& f : block.findings) {
        if (f.index >= block.codes.size() || static_cast<std::int64_t>(f.index) <= before)
          faults << "finding at " << f.index << " of " << block.codes.size() << "; ";
        before = f.index;
        if (!f.error) {
          faults << "finding without an error; ";
          continue;
        }
        t.findings.push_back(findingOf(t.codes.size() + f.index, *f.error, f.section, f.position));
      }
      t.codes.insert(t.codes.end(), block.codes.begin(), block.codes.end());
      if (block.endPosition < end || block.endPosition != c.an.getBlockPosition())
        faults << "block end " << block.endPosition << " after " << end << " (analyzer "
               << c.an.getBlockPosition() << "); ";
      end = block.endPosition;
      if (n == 0 && afterFirst) afterFirst();
    }
  } catch (const plat::Exception& e) {
    t.failed = true;
    t.failure = e.Message();
  } catch (const std::exception& e) {
    t.failed = true;
    t.failure = e.what();
  }
  t.faults = faults.str();
  return t;
}

// The first difference of the bulk trace from the line by line one, or "".
std::string differenceOf(const Trace& want, const Trace& got) {
  std::ostringstream os;
  if (!got.faults.empty()) os << "blocks: " << got.faults;
  if (got.failed) os << "failed: " << plat::cp1250ToUtf8(got.failure) << "; ";
  for (std::size_t i = 0; i < std::max(want.codes.size(), got.codes.size()); ++i) {
    if (i >= want.codes.size() || i >= got.codes.size() || want.codes[i] != got.codes[i]) {
      os << "codes differ at line #" << i << " of " << want.codes.size() << "/" << got.codes.size()
         << ": " << (i < want.codes.size() ? int(want.codes[i]) : -1) << " / "
         << (i < got.codes.size() ? int(got.codes[i]) : -1) << "; ";
      break;
    }
  }
  for (std::size_t i = 0; i < std::max(want.findings.size(), got.findings.size()); ++i) {
    const bool inWant = i < want.findings.size(), inGot = i < got.findings.size();
    if (!inWant || !inGot || !(want.findings[i] == got.findings[i])) {
      os << "finding " << i << " of " << want.findings.size() << "/" << got.findings.size()
         << ": line by line ";
      if (inWant)
        os << want.findings[i];
      else
        os << "none";
      os << ", in blocks ";
      if (inGot)
        os << got.findings[i];
      else
        os << "none";
      break;
    }
  }
  return os.str();
}

struct Input {
  std::string name;
  std::string bytes;
};

std::ostream& operator<<(std::ostream& os, const Input& in) {
  return os << in.name << " (" << in.bytes.size() << " bytes)";
}

const std::string kSwdeHead = "SWDE.W.1.13.0;Plik testowy\nSO;\nRD,G5DZE,,1,,;\n";
const std::string kSwdeTail = "X;\nSX;\nSWDEX;\n";

// Letters::Cp1250 puts letters in names that names do not admit: findings,
// which the comparisons want as much as clean lines.
const Letters kLetters[] = {Letters::Ascii, Letters::Iso, Letters::Cp1250};

// A generated document whose shape, seed and line end are drawn from r, its
// size between minSize and maxSize.
std::string drawnDocument(Rng& r, std::uint32_t minSize, std::uint32_t maxSize) {
  DocShape shape;
  shape.swing = r.oneIn(2);
  shape.size = r.between(minSize, maxSize);
  shape.letters = kLetters[r.below(3)];
  shape.loose = r.oneIn(3);
  shape.complexTypes = !r.oneIn(4);
  const std::uint64_t seed = r.next();
  return joinLines(validDocument(seed, shape), r.oneIn(2) ? "\r\n" : "\n");
}

std::vector<Input> generatedInputs() {
  std::vector<Input> out;
  for (std::uint64_t i = 0; i < 12; ++i) {
    DocShape shape;
    shape.swing = i % 2 == 1;
    shape.size = 500 + 700 * i;
    shape.letters = kLetters[i % 3];
    shape.loose = i % 6 >= 4;
    shape.complexTypes = true;
    const bool crlf = i % 3 != 0, finalEol = i % 4 != 3;
    out.push_back({"valid" + num(i) + (crlf ? "-crlf" : "-lf") + (finalEol ? "" : "-nofinal"),
                   joinLines(validDocument(1000 + i, shape), crlf ? "\r\n" : "\n", finalEol)});
  }
  for (std::uint64_t i = 0; i < 40; ++i) {
    Rng r(2000 + i);
    std::string bytes = drawnDocument(r, 800, 4000);
    testsupport::mutateBytes(r, bytes, r.between(1, 12));
    out.push_back({"mutated" + num(i), bytes});
  }
  // Cut short at a random byte, now and then after a few changes.
  for (std::uint64_t i = 0; i < 20; ++i) {
    Rng r(3000 + i);
    std::string bytes = drawnDocument(r, 500, 3000);
    const std::uint32_t cut = r.below(static_cast<std::uint32_t>(bytes.size()) + 1);
    if (r.oneIn(3)) testsupport::mutateBytes(r, bytes, r.between(1, 4));
    out.push_back({"truncated" + num(i) + "@" + num(cut), bytes.substr(0, cut)});
  }
  return out;
}

// Lines at and around the longest line kept whole (65536 bytes, carriage
// returns not counted) and the longest a block carries before it gathers
// (65538 raw bytes).
std::vector<Input> longLineInputs() {
  std::vector<Input> out;
  struct Long {
    std::size_t length;  // without carriage returns
    std::size_t carriageReturns;
    const char* eol;
  };
  const Long kLong[] = {
      {65535, 0, "\n"}, {65536, 0, "\n"},   {65537, 0, "\n"},   {65538, 0, "\n"},
      {65539, 0, "\n"}, {65540, 0, "\n"},   {65536, 0, "\r\n"}, {65537, 0, "\r\n"},
      {65535, 1, "\n"}, {65536, 1, "\n"},   {65537, 1, "\n"},   {65535, 4, "\n"},
      {65536, 4, "\n"}, {65537, 4, "\r\n"}, {65536, 3, "\r\n"}, {65534, 5, "\r\n"},
  };
  for (const Long& l : kLong) {
    const std::string line = lineOfLength(l.length + l.carriageReturns, 'x', l.carriageReturns);
    const std::string name = "line" + num(l.length) + "+" + num(l.carriageReturns) + "cr" +
                             (l.eol[0] == '\r' ? "-crlf" : "-lf");
    out.push_back({name, kSwdeHead + line + l.eol + kSwdeTail});
    // The same line first after the header, and as the file's last line
    // without a line feed.
    out.push_back({name + "-first", "SWDE.W.1.13.0;\n" + line + l.eol + "SO;\nSX;\nSWDEX;\n"});
    out.push_back({name + "-last", kSwdeHead + "X;\nSX;\nSWDEX;\n" + line});
  }
  // Lines longer than a block carries whose length is mostly carriage
  // returns: without them they are short, or empty.
  out.push_back(
      {"crs-in-long-line", kSwdeHead + lineOfLength(70000, 'x', 10000) + "\n" + kSwdeTail});
  out.push_back(
      {"crs-in-long-last-line", kSwdeHead + "X;\nSX;\nSWDEX;\n" + lineOfLength(70000, 'x', 10000)});
  out.push_back({"cr-run", kSwdeHead + std::string(70000, '\r') + "\n" + kSwdeTail});
  out.push_back({"cr-run-last", kSwdeHead + "X;\nSX;\nSWDEX;\n" + std::string(70000, '\r')});
  out.push_back({"line100000", kSwdeHead + lineOfLength(100000) + "\n" + kSwdeTail});
  // A line of blanks only, and one of several hundred KiB.
  out.push_back({"blank65537", kSwdeHead + std::string(65537, ' ') + "\n" + kSwdeTail});
  out.push_back({"blank65536", kSwdeHead + std::string(65536, ' ') + "\r\n" + kSwdeTail});
  const std::string huge = lineOfLength(300 * 1024, 'y', 0);
  out.push_back({"huge", kSwdeHead + huge + "\n" + kSwdeTail});
  out.push_back({"huge-crs", kSwdeHead + lineOfLength(300 * 1024, 'z', 700) + "\r\n" + kSwdeTail});
  out.push_back({"huge-no-line-feed", kSwdeHead + huge});
  out.push_back({"huge-no-line-feed-crs", kSwdeHead + lineOfLength(300 * 1024, 'z', 900) + "\r"});
  out.push_back({"two-huge", kSwdeHead + huge + "\n" + huge + "\n" + kSwdeTail});
  return out;
}

std::vector<Input> edgeInputs() {
  std::vector<Input> out;
  const std::string doc = joinLines(validDocument(4000, DocShape{}), "\r\n");
  out.push_back({"empty", ""});
  out.push_back({"no-header", "XYZ;\nSO;\nSX;\n"});
  out.push_back({"header-only", "SWDE.W.1.13.0;"});
  out.push_back({"header-only-lf", "SWDE.W.1.13.0;\n"});
  out.push_back({"header-only-crlf", "SWING.W.1.2.0;Plik\r\n"});
  out.push_back({"header-and-blank", "SWDE.W.1.13.0;\n   "});
  // Header lines that end oddly or run past the longest line, and header
  // lines again in the body.
  const std::string body = "SO;\nRD,G5DZE,,1,,;\nX;\nSX;\nSWDEX;\n";
  out.push_back({"header-cr-cr-lf", "SWDE.W.1.13.0;\r\r\n" + body});
  out.push_back({"header-cr-only", "SWDE.W.1.13.0;opis\r"});
  out.push_back({"header-cr-inside", "SWDE.W.1.13.0;op\ris\n" + body});
  out.push_back({"header-long", "SWDE.W.1.13.0;" + std::string(70000, 'k') + "\n" + body});
  out.push_back({"header-65536", "SWDE.W.1.13.0;" + std::string(65536 - 14, 'k') + "\n" + body});
  out.push_back({"header-65537", "SWDE.W.1.13.0;" + std::string(65537 - 14, 'k') + "\n" + body});
  out.push_back({"header-long-only", "SWDE.W.1.13.0;" + std::string(70000, 'k')});
  out.push_back({"header-then-blank-lines", "SWDE.W.1.13.0;\n\n\r\n" + body});
  out.push_back({"header-again", "SWDE.W.1.13.0;\nSWDE;\nSWING;\nSWDE.W.1.13.0;\n" + body});
  out.push_back({"header-again-swing",
                 "SWING.W.1.2.0;\nSWING;\nSWDE;\nSWING.W.1.2.0;\n"
                 "SO;\nSX;\nSWINGX;\n"});
  out.push_back({"no-final-line-feed", doc.substr(0, doc.size() - 2)});
  out.push_back({"last-line-cr", doc.substr(0, doc.size() - 1)});
  out.push_back({"blank-last-line", doc + "   "});
  out.push_back({"blank-last-line-tab", doc + " \t "});
  out.push_back({"blank-last-line-lf", doc + "  \n"});
  out.push_back({"blank-last-line-cr", doc + "  \r"});
  out.push_back({"empty-lines-at-end", doc + "\n\r\n\n"});
  out.push_back({"after-the-end", doc + "SO;\nRD,G5DZE,,1,,;\n"});
  out.push_back({"nul-bytes", "SWDE.W.1.13.0;\nSO;\n" + std::string(3, '\0') +
                                  "\nRD,G5DZE,,1,,;\n" + "D,G5OPIS,D,a" + std::string(1, '\0') +
                                  "b;\nX;\nSX;\nSWDEX;\n"});
  // More lines than one block holds: blank lines, and record ends that are
  // each an error, with unknown lines at the block limit.
  std::string blanks = "SWDE.W.1.13.0;\nSO;\n";
  for (int i = 1; i <= 20000; ++i) blanks += i % 8192 == 0 || i % 8192 == 1 ? "QQ;\n" : "\n";
  out.push_back({"many-blank-lines", blanks + "SX;\nSWDEX;\n"});
  std::string ends = "SWDE.W.1.13.0;\r\nSO;\r\n";
  for (int i = 0; i < 17000; ++i) ends += "X;\r\n";
  out.push_back({"many-errors", ends});
  return out;
}

void expectSameInBlocks(const std::vector<Input>& inputs, const std::vector<unsigned>& threads,
                        const std::vector<std::size_t>& blockSizes) {
  for (const Input& in : inputs) {
    testsupport::TempFile f(in.bytes);
    const Trace want = lineByLine(f.path());
    ASSERT_TRUE(want.faults.empty()) << in << ": " << want.faults;
    for (unsigned t : threads)
      for (std::size_t b : blockSizes)
        EXPECT_EQ(differenceOf(want, inBlocks(f.path(), t, b)), "")
            << in << ", " << t << " threads, block size " << b;
  }
}

TEST(BlockCheck, GeneratedAndDamagedFilesGiveTheLinesOfTheLineByLineCheck) {
  expectSameInBlocks(generatedInputs(), {1, 2, 8}, {64, 1000, 0});
}

TEST(BlockCheck, LongLinesGiveTheLinesOfTheLineByLineCheck) {
  expectSameInBlocks(longLineInputs(), {1, 2, 8}, {1000, 0});
}

TEST(BlockCheck, EdgesOfTheFileGiveTheLinesOfTheLineByLineCheck) {
  expectSameInBlocks(edgeInputs(), {1, 2, 8}, {64, 1000, 0});
}

// The generated valid documents are what they claim: without any finding,
// so that the comparisons above cover the clean way through the check too.
TEST(BlockCheck, ValidDocumentsHaveNoFinding) {
  for (const bool swing : {false, true}) {
    for (std::uint64_t seed = 0; seed < 6; ++seed) {
      DocShape shape;
      shape.swing = swing;
      shape.size = 3000;
      shape.letters = seed % 2 ? Letters::Iso : Letters::Ascii;
      shape.loose = seed >= 4;
      shape.complexTypes = seed >= 2;
      testsupport::TempFile f(joinLines(validDocument(5000 + seed, shape), "\r\n"));
      const Trace t = inBlocks(f.path(), 2, 256);
      EXPECT_EQ(t.findings, std::vector<Finding>{}) << swing << " " << seed;
      EXPECT_GT(t.codes.size(), 20u);
    }
  }
}

// A small file with a complex record type, a CR LF line, letters outside
// ASCII, two faulty lines and no final line feed, cut into blocks at every
// byte: every line can be split across two blocks. It is the clean document
// of the analyzer tests with those lines put in.
std::string smallFile() {
  std::string body = testsupport::kCleanSwdeBody;
  // A place not found throws, and the test fails.
  auto before = [&](std::string_view at, std::string_view lines) {
    body.insert(body.find(at), lines);
  };
  before("SX;\nSO;\n",
         "TD,G5BUD,RC;\n"
         "TP,G5IDD;\n"
         "WE,G5DZE;\n"
         "WP;\n"
         "WE,G5KLU;\n"
         "X;\n");
  before("RP,G5PKT,",
         "QQ,1;\n"
         "RC,G5BUD,,B1,,;\n"
         "D,G5IDD,D,1;\n"
         "X;\n");
  before("SX;\nSWDEX;\n",
         "RD,G5KLU,,3,,;\n"
         "D,G5PEW,D;\n"
         "X;\n");
  before("\nD,G5OPIS,D,", "\r");
  body.pop_back();  // the line feed of the last line
  return "SWDE.W.1.13.0;" + plat::cp("Plik próbny") + "\n" + body;
}

TEST(BlockCheck, EveryBlockSizeOfASmallFileGivesTheLinesOfTheLineByLineCheck) {
  const std::string content = smallFile();
  testsupport::TempFile f(content);
  const Trace want = lineByLine(f.path());
  // The file is what the test needs: two findings, one of them by the field
  // rules, and no other.
  ASSERT_EQ(want.findings.size(), 2u);
  EXPECT_EQ(want.findings[0].code, 121);
  EXPECT_EQ(want.findings[1].code, 122);
  for (const unsigned threads : {1u, 2u})
    for (std::size_t size = 1; size <= content.size() + 1; ++size)
      ASSERT_EQ(differenceOf(want, inBlocks(f.path(), threads, size)), "")
          << threads << " threads, block size " << size;
}

std::size_t longestLine(const std::string& s) {
  std::size_t longest = 0;
  for (std::size_t from = 0; from < s.size();) {
    const std::size_t lf = std::min(s.find('\n', from), s.size());
    longest = std::max(longest, lf - from + 1);
    from = lf + 1;
  }
  return longest;
}

// A read that fails in the middle of the file: the lines read before it go
// out, then the failure. The blocks are small enough that the pool cannot
// have read the whole file when the reads break after the first block; in
// the second file a line longer than any block may be gathered just then.
TEST(BlockCheck, AReadFailingMidWayRaisesAfterTheLinesBeforeIt) {
  constexpr std::size_t kBlock = 1024;
  const std::string plain = testsupport::fileFailingMidWay();
  std::string gathered = plain;
  gathered.insert(gathered.find('\n', 3000) + 1, lineOfLength(300 * 1024) + "\n");
  for (const Input& in : {Input{"plain", plain}, Input{"gathered", gathered}}) {
    testsupport::TempFile f(in.bytes);
    const Trace want = lineByLine(f.path());
    ASSERT_GT(want.codes.size(), 8000u);
    for (const unsigned threads : {1u, 2u, 8u}) {
      // threads + 3 slots read ahead, each a block and a short line, one of
      // them the long line
      const std::size_t readAhead = (threads + 4) * (kBlock + 64) + longestLine(in.bytes);
      ASSERT_GT(in.bytes.size(), readAhead + 16 * kBlock) << in;
      const Trace got =
          inBlocks(f.path(), threads, kBlock, [&] { testsupport::breakReadsOf(f.path()); });
      EXPECT_TRUE(got.failed) << in << ", " << threads << " threads";
      EXPECT_NE(got.failure.find(f.path()), std::string::npos) << got.failure;
      EXPECT_TRUE(got.faults.empty()) << got.faults;
      EXPECT_GT(got.codes.size(), 0u);
      ASSERT_LT(got.codes.size(), want.codes.size()) << in << ", " << threads << " threads";
      const std::vector<std::uint8_t> prefix(want.codes.begin(),
                                             want.codes.begin() + got.codes.size());
      EXPECT_EQ(got.codes, prefix) << in << ", " << threads << " threads";
      std::vector<Finding> findings;
      for (const Finding& fd : want.findings)
        if (fd.index < got.codes.size()) findings.push_back(fd);
      EXPECT_EQ(got.findings, findings) << in << ", " << threads << " threads";
    }
  }
}

// After the failure the check hands out no further line.
TEST(BlockCheck, NoLineFollowsAFailure) {
  const std::string content = testsupport::fileFailingMidWay();
  testsupport::TempFile f(content);
  for (const unsigned threads : {1u, 8u}) {
    const BlockParameters parameters(threads, 1024);
    Check c(f.path());
    ASSERT_TRUE(c.headerRead);
    sxLineBlock block;
    ASSERT_TRUE(c.an.getLineBlock(block));
    testsupport::breakReadsOf(f.path());
    int raised = 0;
    for (int n = 0; n < 1000 && raised < 2; ++n) {
      try {
        if (!c.an.getLineBlock(block)) break;
        EXPECT_EQ(raised, 0) << "lines after the failure, " << threads << " threads";
      } catch (const plat::Exception&) {
        ++raised;
      }
    }
    EXPECT_GE(raised, 1) << threads;
  }
}

}  // namespace
