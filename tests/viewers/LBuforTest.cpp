// The text viewer's paged buffer: what paging and jumps read, and that a jump
// to a byte offset numbers lines as its caller does.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "viewers/LBufor.h"
#include "viewers/ViewerFiles.h"

using olv::kBackward;
using olv::kForward;
using olv::LBufor;
using viewertest::CountingNotice;
using viewertest::OpenFile;

namespace {

// Lines "wiersz <i>" padded with i % 7 dots, so that no two lines have the
// same length pattern nearby; starts gets each line's offset.
std::string numberedLines(int count, std::vector<std::uint64_t>& starts) {
  std::string bytes;
  for (int i = 0; i < count; ++i) {
    starts.push_back(bytes.size());
    bytes +=
        "wiersz " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 7), '.') + "\n";
  }
  return bytes;
}

std::string lineText(int i) {
  return "wiersz " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 7), '.');
}

TEST(LBufor, PagesForwardReadingOnlyNewLines) {
  std::vector<std::uint64_t> starts;
  OpenFile f(numberedLines(100, starts));
  LBufor b(10, 1000);
  b.openText(f.in);
  EXPECT_EQ(b.getKnownLines(), 11u);
  int err = 0;
  for (int i = 0; i < 100; ++i) ASSERT_EQ(b.getLine(i, err, kForward), lineText(i));
  EXPECT_EQ(b.linesRead(), 100u);
  // Past the end: err 1, and nothing is read again.
  EXPECT_EQ(b.getLine(100, err, kForward), "");
  EXPECT_EQ(err, 1);
  EXPECT_EQ(b.getLine(150, err, kForward), "");
  EXPECT_EQ(err, 1);
  EXPECT_EQ(b.linesRead(), 100u);
  EXPECT_EQ(b.getKnownLines(), 100u);
}

TEST(LBufor, JumpsReadFromTheNearestCheckpoint) {
  std::vector<std::uint64_t> starts;
  OpenFile f(numberedLines(3000, starts));
  LBufor b(4, 1000);
  b.openText(f.in);
  int err = 0;
  b.getLine(1200, err, kForward);  // index reaches 1000
  b.getLine(5, err, kForward);
  std::uint64_t before = b.linesRead();
  EXPECT_EQ(b.getLine(2500, err, kForward), lineText(2500));
  EXPECT_EQ(b.linesRead() - before, 1500u + 3u);  // from 1000, entering 2000
  b.getLine(5, err, kForward);
  before = b.linesRead();
  EXPECT_EQ(b.getLine(2100, err, kForward), lineText(2100));
  EXPECT_EQ(b.linesRead() - before, 100u + 3u);
  // Backwards: a window that ends near the line.
  b.getLine(5, err, kForward);
  EXPECT_EQ(b.getLine(2999, err, kBackward), lineText(2999));
  for (int i = 2997; i <= 2999; ++i) {
    before = b.linesRead();
    EXPECT_EQ(b.getLine(i, err, kBackward), lineText(i));
    EXPECT_EQ(b.linesRead(), before);
  }
  EXPECT_EQ(b.getKnownLines(), 3000u);
}

TEST(LBufor, JumpToAnOffsetTrustsTheOffset) {
  // A zero byte in line 3: the buffer numbers one line more from there on than
  // a caller counting line feeds.
  std::string bytes("a0\na1\na2\nb3\0c3\n", 15);
  std::vector<std::uint64_t> physical = {0, 3, 6, 9};
  for (int i = 4; i < 60; ++i) {
    physical.push_back(bytes.size());
    bytes += "a" + std::to_string(i) + "\n";
  }
  OpenFile f(bytes);
  LBufor b(10, 1000);
  b.openText(f.in);
  int err = -2;
  ASSERT_EQ(b.getLine(5, err, kForward), "a4");  // the window's own line 5

  // Line 5 by the caller's count: not the window's line 5.
  std::vector<std::string> got = b.getLinesAt(physical[5], 3, err, kForward, 5);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(got, (std::vector<std::string>{"a5", "a6", "a7"}));
  EXPECT_GE(b.getKnownLines(), 8u);
  // Lines of that window are now taken as they stand, without a read.
  std::uint64_t before = b.linesRead();
  EXPECT_EQ(b.getLinesAt(physical[7], 2, err, kForward, 7), (std::vector<std::string>{"a7", "a8"}));
  EXPECT_EQ(b.linesRead(), before);
  EXPECT_EQ(b.getLine(6, err, kForward), "a6");
  EXPECT_EQ(b.linesRead(), before);

  // Line k's offset numbered k from a fresh open, far from the window.
  LBufor fresh(4, 1000);
  fresh.openText(f.in);
  EXPECT_EQ(fresh.getLinesAt(physical[40], 2, err, kForward, 40),
            (std::vector<std::string>{"a40", "a41"}));
  EXPECT_EQ(fresh.getLine(40, err, kForward), "a40");
  EXPECT_EQ(fresh.getKnownLines(), 45u);

  // Past the end of the file, or nothing open: -1.
  // A failed jump leaves no trace: line 5 is not taken to start at the end.
  fresh.getLinesAt(bytes.size(), 1, err, kForward, 5);
  EXPECT_EQ(err, -1);
  EXPECT_EQ(fresh.getLine(10, err, kForward), "a9");  // numbered from the start
  EXPECT_EQ(err, 0);
  LBufor closed;
  closed.getLinesAt(0, 1, err, kForward, 0);
  EXPECT_EQ(err, -1);
  closed.getLine(0, err, kForward);
  EXPECT_EQ(err, -1);
}

// Up and page up after a jump near the end of a 50 MB file read the lines
// above the jump, found backwards, and nothing from the start of the file.
TEST(LBufor, PagingUpAfterAJumpReadsNothingFromTheStart) {
  testsupport::TempFolder folder;
  const std::string path = folder / "duzy.txt";
  constexpr int kLines = 1'000'000;
  std::vector<std::uint64_t> starts;
  starts.reserve(kLines);
  {
    std::string bytes = numberedLines(kLines, starts);
    ASSERT_GT(bytes.size(), 15'000'000u);
    // Padded to about 50 MB with long lines in front (not jumped over).
    std::string front;
    while (front.size() + bytes.size() < 50'000'000) front += std::string(999, '-') + "\n";
    for (std::uint64_t& s : starts) s += front.size();
    testsupport::writeFile(path, front + bytes);
  }
  const std::int64_t frontLines = static_cast<std::int64_t>((starts[0]) / 1000);
  plat::InputFile in(path);
  LBufor b(20, 1000);
  b.openText(in);
  int err = -2;
  const int k = kLines - 100;
  const std::int64_t n = frontLines + k;
  ASSERT_EQ(
      b.getLinesAt(starts[k], 10, err, kForward, n),
      std::vector<std::string>({lineText(k), lineText(k + 1), lineText(k + 2), lineText(k + 3),
                                lineText(k + 4), lineText(k + 5), lineText(k + 6), lineText(k + 7),
                                lineText(k + 8), lineText(k + 9)}));
  const std::uint64_t afterJump = b.linesRead();
  // Up, line by line for two windows' worth, then pages up.
  for (int i = 1; i <= 45; ++i) ASSERT_EQ(b.getLine(n - i, err, kBackward), lineText(k - i)) << i;
  for (int page = 1; page <= 5; ++page) {
    const std::int64_t first = n - 45 - page * 10;
    std::vector<std::string> lines = b.getLines(first, 10, err, kBackward);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines.front(), lineText(k - 45 - page * 10));
  }
  // Some windows of 21 lines, never the megabytes above.
  EXPECT_LT(b.linesRead() - afterJump, 10u * 21u);
  // Down again over the jump's lines and past them.
  for (std::int64_t i = n - 60; i < n + 50; ++i)
    ASSERT_EQ(b.getLine(i, err, kForward), lineText(static_cast<int>(i - frontLines)));
  EXPECT_LT(b.linesRead() - afterJump, 20u * 21u);
}

// A line longer than a full line above the jump: the search backwards gives
// up and the buffer reads forward from what it knows.
TEST(LBufor, LongLineAboveTheJumpIsReadForward) {
  std::string bytes;
  for (int i = 0; i < 100; ++i) bytes += "a" + std::to_string(i) + "\n";
  bytes += std::string(100'000, 'x') + "\n";
  const std::uint64_t after = bytes.size();
  for (int i = 101; i < 150; ++i) bytes += "a" + std::to_string(i) + "\n";
  OpenFile f(bytes);
  LBufor b(6, 1000);
  b.openText(f.in);
  int err = -2;
  ASSERT_EQ(b.getLinesAt(after, 1, err, kForward, 101), std::vector<std::string>{"a101"});
  // The buffer's own line 100 is the long line's first part.
  EXPECT_EQ(b.getLine(100, err, kBackward), std::string(65535, 'x'));
  EXPECT_EQ(err, 0);
  EXPECT_EQ(b.getLine(97, err, kBackward), "a97");
}

TEST(LBufor, NoticeSurroundsBlockLoadsOnly) {
  std::vector<std::uint64_t> starts;
  OpenFile f(numberedLines(20000, starts));
  LBufor b(10, 1000);
  CountingNotice notice;
  b.setNotice(&notice);
  b.openText(f.in);
  EXPECT_EQ(notice.begins, 1);
  EXPECT_EQ(notice.ends, 1);
  int err = 0;
  b.getLine(19000, err, kForward);
  EXPECT_EQ(notice.begins, 2);
  EXPECT_EQ(notice.ends, 2);
  EXPECT_GE(notice.progresses, 2);  // every few thousand lines
  const int progresses = notice.progresses;
  b.getLine(19001, err, kForward);  // in the window
  b.getLinesAt(starts[500], 5, err, kForward, 500);
  EXPECT_EQ(notice.begins, 2);
  EXPECT_EQ(notice.progresses, progresses);
  b.setNotice(nullptr);
  b.getLine(5, err, kForward);
  EXPECT_EQ(notice.begins, 2);
}

// A new open starts afresh; a cleared buffer has nothing open.
TEST(LBufor, OpenStartsAfreshAndClearCloses) {
  std::vector<std::uint64_t> starts;
  OpenFile big(numberedLines(500, starts));
  OpenFile small("jeden\ndwa\n");
  LBufor b(10, 100);
  b.openText(big.in);
  int err = 0;
  b.getLine(400, err, kForward);
  EXPECT_EQ(b.getKnownLines(), 406u);
  b.openText(small.in);
  EXPECT_EQ(b.getKnownLines(), 2u);
  EXPECT_EQ(b.getLine(1, err, kForward), "dwa");
  EXPECT_EQ(b.getLine(2, err, kForward), "");
  EXPECT_EQ(err, 1);
  b.clear();
  b.getLine(0, err, kForward);
  EXPECT_EQ(err, -1);
  std::vector<std::string> none = b.getLines(0, 3, err, kForward);
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(err, -1);
}

}  // namespace
