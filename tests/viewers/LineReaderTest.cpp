// The one line reader of both text modes, and the line numbering the text
// buffers build on it: where a line ends, where the next one starts, and that
// a seek, a block load and a walk all number lines alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FileStream.h"
#include "viewers/LBufor.h"
#include "viewers/LRepBufor.h"
#include "viewers/LineReader.h"
#include "viewers/ViewerFiles.h"

using olv::LBufor;
using olv::LineReader;
using End = olv::LineReader::End;
using viewertest::OpenFile;

namespace {

constexpr std::size_t kMax = LineReader::kMaxLine;

struct Expected {
  std::string text;
  End end;
};

struct Case {
  const char* name;
  std::string bytes;
  std::vector<Expected> lines;
};

std::vector<Case> cases() {
  const std::string longLine(70000, 'x');
  const std::string full(kMax, 'y');
  return {
      {"empty file", "", {}},
      {"a lone line feed", "\n", {{"", End::kLineFeed}}},
      {"carriage returns stay",
       "a\r\n\rb\r\n",
       {{"a\r", End::kLineFeed}, {"\rb\r", End::kLineFeed}}},
      {"last line without a line feed", "a\nb", {{"a", End::kLineFeed}, {"b", End::kEndOfFile}}},
      {"zero bytes end lines",
       std::string("ab\0cd\n\0", 7),
       {{"ab", End::kNul}, {"cd", End::kLineFeed}, {"", End::kNul}}},
      {"70000 bytes and a line feed",
       longLine + "\nz\n",
       {{longLine.substr(0, kMax), End::kSplit},
        {longLine.substr(kMax), End::kLineFeed},
        {"z", End::kLineFeed}}},
      {"a full line and its line feed",
       full + "\nz",
       {{full, End::kLineFeed}, {"z", End::kEndOfFile}}},
      {"a full line and a zero byte",
       full + std::string("\0z", 2),
       {{full, End::kNul}, {"z", End::kEndOfFile}}},
      {"a full line ends the file", full, {{full, End::kEndOfFile}}},
      {"one byte over a full line", full + "y", {{full, End::kSplit}, {"y", End::kEndOfFile}}},
  };
}

// Every line of the file by the reader alone, with where each starts.
std::vector<Expected> readAll(plat::InputFile& in, std::size_t block,
                              std::vector<std::uint64_t>* starts = nullptr) {
  LineReader r(block);
  r.attach(&in);
  std::vector<Expected> out;
  std::uint64_t at = 0;
  std::string text;
  for (End e; (e = r.read(at, &text)) != End::kNone;) {
    if (starts) starts->push_back(at);
    out.push_back({text, e});
    EXPECT_GT(r.next(), at);
    at = r.next();
  }
  EXPECT_EQ(at, in.size());
  return out;
}

// Every line through a buffer's block loads, paging forward.
std::vector<std::string> loadAll(LBufor& b) {
  std::vector<std::string> out;
  int err = 0;
  for (std::int64_t i = 0;; ++i) {
    std::string line = b.getLine(i, err, olv::kForward);
    if (err != 0) break;
    out.push_back(line);
  }
  EXPECT_EQ(err, 1);
  return out;
}

TEST(LineReader, EndsLinesAtLineFeedZeroByteAndFullLength) {
  for (const Case& c : cases()) {
    OpenFile f(c.bytes);
    // Blocks smaller than a line, splitting terminators from their lines,
    // and the ordinary one.
    for (std::size_t block :
         {std::size_t{1}, std::size_t{3}, std::size_t{4096}, std::size_t{65536}}) {
      SCOPED_TRACE(std::string(c.name) + ", block " + std::to_string(block));
      const std::vector<Expected> got = readAll(f.in, block);
      ASSERT_EQ(got.size(), c.lines.size());
      for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].text, c.lines[i].text) << "line " << i;
        EXPECT_EQ(got[i].end, c.lines[i].end) << "line " << i;
      }
    }
  }
}

// The block load, a seek to each line and the report buffer's text mode give
// the reader's lines, numbered alike (also behind zero bytes and split lines).
TEST(LineReader, SeekLoadAndBothBuffersNumberLinesAlike) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    OpenFile f(c.bytes);
    std::vector<std::string> expected;
    for (const Expected& e : readAll(f.in, 65536)) expected.push_back(e.text);

    LBufor paged(2, 2, 5);
    paged.openText(f.in);
    EXPECT_EQ(loadAll(paged), expected);
    EXPECT_EQ(paged.getKnownLines(), expected.size());

    for (std::size_t k = 0; k < expected.size(); ++k) {
      LBufor seeking(0, 1000, 7);
      seeking.openText(f.in);
      int err = -2;
      EXPECT_EQ(seeking.getLine(static_cast<std::int64_t>(k), err, olv::kForward), expected[k])
          << "seek to " << k;
      EXPECT_EQ(err, 0);
    }

    olv::LRepBufor text(3, 2, 5);
    text.openText(f.in);
    std::vector<std::string> got;
    int err = 0;
    for (std::int64_t i = 0; err == 0; ++i) {
      std::string line = text.getLine(i, err, olv::kForward);
      if (err == 0) got.push_back(line);
    }
    EXPECT_EQ(got, expected);
  }
}

// A read that starts where the last one stopped goes on from the buffered
// bytes: a file read in whole blocks is read once.
TEST(LineReader, ReadsOnWhereTheLastReadStopped) {
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += "wiersz " + std::to_string(i) + "\n";
  OpenFile f(bytes);
  LineReader r(1024);
  r.attach(&f.in);
  std::uint64_t at = 0;
  while (r.read(at, nullptr) != End::kNone) at = r.next();
  EXPECT_EQ(r.fileReads(), (bytes.size() + 1023) / 1024);
}

// Skipping lines a run at a time ends where reading them one by one does:
// over short lines, zero bytes, carriage returns, split lines and lines of
// exactly full length, with blocks that cut lines anywhere.
TEST(LineReader, SkipsLinesAsItReadsThem) {
  std::string bytes;
  for (int i = 0; i < 400; ++i) {
    bytes += std::string(static_cast<std::size_t>(i % 13), static_cast<char>('a' + i % 26));
    if (i % 9 == 0) bytes += '\r';
    bytes += i % 17 == 0 ? '\0' : '\n';
    if (i == 150) bytes += std::string(kMax + 10, 'L') + "\n";
    if (i == 250) bytes += std::string(kMax, 'F') + "\n";
  }
  bytes += "bez konca";
  OpenFile f(bytes);
  std::vector<std::uint64_t> starts;
  readAll(f.in, 65536, &starts);
  starts.push_back(f.in.size());
  const std::int64_t lines = static_cast<std::int64_t>(starts.size()) - 1;
  for (std::size_t block : {std::size_t{1}, std::size_t{5}, std::size_t{64}, std::size_t{65536}}) {
    for (std::int64_t run : {std::int64_t{1}, std::int64_t{7}, std::int64_t{1000}}) {
      SCOPED_TRACE("block " + std::to_string(block) + ", run " + std::to_string(run));
      LineReader r(block);
      r.attach(&f.in);
      std::uint64_t at = 0;
      std::int64_t k = 0;
      while (k < lines) {
        std::uint64_t next = 0;
        const std::int64_t got = r.skipUnits(at, run, next);
        ASSERT_EQ(got, std::min(run, lines - k));
        k += got;
        ASSERT_EQ(next, starts[static_cast<std::size_t>(k)]) << "after line " << k;
        at = next;
      }
      std::uint64_t next = 0;
      EXPECT_EQ(r.skipUnits(at, 3, next), 0);
      EXPECT_EQ(next, f.in.size());
    }
  }
}

TEST(LineReader, FindsStartsBackwards) {
  const std::string above60k(60000, 'a');
  const std::string above100k(100000, 'b');
  struct Back {
    const char* name;
    std::string bytes;
    std::int64_t count;
    bool found;
    std::size_t expectedLine;  // index of the line found, counted by readAll
  };
  const std::string tail = "p\nq\nr\n";
  const std::vector<Back> table = {
      {"short lines", "a\nbb\n\nccc\n" + tail, 3, true, 1},
      {"zero bytes end lines too", std::string("a\0b\nc\0", 6) + tail, 2, true, 1},
      {"up to the first line", "a\nb\n" + tail, 2, true, 0},
      {"a 60 KB line above", "x\n" + above60k + "\n" + tail, 1, true, 1},
      {"a 100 KB line above", "x\n" + above100k + "\n" + tail, 1, false, 0},
      {"fewer lines than asked", "a\n" + tail, 3, false, 0},
  };
  for (const Back& b : table) {
    SCOPED_TRACE(b.name);
    OpenFile f(b.bytes);
    std::vector<std::uint64_t> starts;
    readAll(f.in, 65536, &starts);
    // The search starts at "p", the third line from the end.
    const std::uint64_t from = starts[starts.size() - 3];
    for (std::size_t block : {std::size_t{16}, std::size_t{65536}}) {
      LineReader r(block);
      r.attach(&f.in);
      std::uint64_t found = 99;
      ASSERT_EQ(r.startBefore(from, b.count, found), b.found);
      if (b.found) {
        EXPECT_EQ(found, starts[b.expectedLine]);
      }
    }
  }
  // A start that follows no line end (the middle of a line) tells nothing.
  OpenFile f("abcdef\n");
  LineReader r;
  r.attach(&f.in);
  std::uint64_t found = 0;
  EXPECT_FALSE(r.startBefore(3, 1, found));
}

// A checkpoint is entered after the line that ends before it, whatever ended
// that line: line 999 split at full length or ended by a zero byte.
TEST(LineReader, CheckpointFollowsSplitAndZeroByteLines) {
  struct Row {
    const char* name;
    std::string line999;
    std::string line1000;  // what the buffer numbers 1000
  };
  const std::vector<Row> rows = {
      {"split", std::string(kMax + 3, 's'), "sss"},
      {"zero byte", std::string("przed\0po", 8), "po"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string bytes;
    for (int i = 0; i < 999; ++i) bytes += "l" + std::to_string(i) + "\n";
    bytes += row.line999 + "\n";
    for (int i = 1001; i < 2000; ++i) bytes += "l" + std::to_string(i) + "\n";
    OpenFile f(bytes);
    LBufor b(2, 1000);
    b.openText(f.in);
    int err = -2;
    b.getLine(1500, err, olv::kForward);  // reads 0 .. 1500, entering 1000
    ASSERT_EQ(err, 0);
    b.getLine(10, err, olv::kForward);  // the window and the cursor leave the end
    const std::uint64_t before = b.linesRead();
    EXPECT_EQ(b.getLine(1000, err, olv::kForward), row.line1000);
    // Loaded from checkpoint 1000: the window of two lines only.
    EXPECT_EQ(b.linesRead() - before, 2u);
  }
}

}  // namespace
