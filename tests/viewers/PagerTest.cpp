// The page logic of both viewer controls over a source of numbered lines that
// counts what is asked of it: moves at the start, in the middle and at the end
// of a file, the scroll bar's actions, and the bar's range past 2^31 lines.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "viewers/LineSource.h"
#include "viewers/Pager.h"

using olv::Pager;

namespace {

// Lines "L0", "L1", ... of a file of total lines; known lines grow as lines
// are asked for, as a paged buffer's do.
class CountingSource : public olv::LineSource {
 public:
  explicit CountingSource(std::int64_t total) : total_(total) {}

  std::string getLine(std::int64_t n, int& err, int) override {
    ++calls;
    if (n < 0 || n >= total_) {
      err = 1;
      return "";
    }
    err = 0;
    if (static_cast<std::uint64_t>(n) + 1 > known_) known_ = static_cast<std::uint64_t>(n) + 1;
    return "L" + std::to_string(n);
  }
  std::vector<std::string> getLines(std::int64_t first, std::int64_t count, int& err,
                                    int dir) override {
    std::vector<std::string> out;
    err = 0;
    for (std::int64_t i = 0; i < count; ++i) {
      std::string s = getLine(first + i, err, dir);
      if (err) break;
      out.push_back(s);
    }
    return out;
  }
  std::uint64_t getKnownLines() const override { return known_; }
  void setKnown(std::uint64_t known) { known_ = known; }

  int calls = 0;

 private:
  std::int64_t total_;
  std::uint64_t known_ = 0;
};

std::vector<std::string> linesFrom(std::int64_t first, std::int64_t count) {
  std::vector<std::string> out;
  for (std::int64_t i = 0; i < count; ++i) out.push_back("L" + std::to_string(first + i));
  return out;
}

enum class Move { Up1, Down1, Up3, PgUp, PgDown, Show };

struct MoveCase {
  const char* name;
  std::int64_t total;  // lines of the file
  std::int64_t lpp;    // lines per page
  std::int64_t start;  // first line shown before the move
  Move move;
  std::int64_t result;     // what the move returns
  std::int64_t first;      // first line shown after it
  std::int64_t rowsShown;  // rows after it
};

std::int64_t run(Pager& p, Move m) {
  switch (m) {
    case Move::Up1:
      return p.moveUp(1);
    case Move::Down1:
      return p.moveDown(1);
    case Move::Up3:
      return p.moveUp(3);
    case Move::PgUp:
      return p.movePgUp();
    case Move::PgDown:
      return p.movePgDown();
    case Move::Show:
      return p.showLines(p.firstShown() + 1000);
  }
  return -1;
}

TEST(Pager, MovesKeepThePageConsecutiveAndStopAtTheEnds) {
  const MoveCase cases[] = {
      {"page up from a first line below a page fills every row", 100, 10, 3, Move::PgUp, 3, 0, 10},
      {"page up from the third line shows the first page", 100, 10, 2, Move::PgUp, 2, 0, 10},
      {"page up from exactly one page", 100, 10, 10, Move::PgUp, 10, 0, 10},
      {"page up in the middle", 100, 10, 25, Move::PgUp, 10, 15, 10},
      {"page up at the top", 100, 10, 0, Move::PgUp, 0, 0, 10},
      {"page down in the middle", 100, 10, 20, Move::PgDown, 10, 30, 10},
      {"page down onto a short last page", 25, 10, 10, Move::PgDown, 10, 20, 5},
      {"page down from the last page stops", 25, 10, 20, Move::PgDown, 0, 20, 5},
      {"line down in the middle", 100, 10, 0, Move::Down1, 1, 1, 10},
      {"line down at the end", 25, 10, 20, Move::Down1, 0, 20, 5},
      {"line down from the last full page", 20, 10, 10, Move::Down1, 0, 10, 10},
      {"line up in the middle", 100, 10, 10, Move::Up1, 1, 9, 10},
      {"line up at the top", 100, 10, 0, Move::Up1, 0, 0, 10},
      {"line up from a short page keeps its lines", 25, 10, 20, Move::Up1, 1, 19, 6},
      {"three up stop at the top", 100, 10, 2, Move::Up3, 2, 0, 10},
      {"a page past the end leaves the page", 25, 10, 0, Move::Show, 0, 0, 10},
      {"a file shorter than a page", 4, 10, 0, Move::PgDown, 0, 0, 4},
  };
  for (const MoveCase& c : cases) {
    SCOPED_TRACE(c.name);
    CountingSource src(c.total);
    Pager p;
    p.setSource(&src);
    p.setLinesPerPage(c.lpp);
    ASSERT_GT(p.showLines(c.start), 0);
    EXPECT_EQ(run(p, c.move), c.result);
    EXPECT_EQ(p.firstShown(), c.first);
    EXPECT_EQ(static_cast<std::int64_t>(p.rows().size()), c.rowsShown);
    EXPECT_EQ(p.rows(), linesFrom(c.first, c.rowsShown));
    EXPECT_EQ(p.lastShown(), c.first + c.rowsShown - 1);
  }
}

TEST(Pager, NothingShownWithoutALinePerPageOrASource) {
  CountingSource src(100);
  Pager p;
  EXPECT_EQ(p.showLines(0), 0);  // no source
  p.setSource(&src);
  p.setLinesPerPage(0);
  EXPECT_EQ(p.showLines(0), 0);
  EXPECT_EQ(p.movePgDown(), 0);
  EXPECT_EQ(p.moveDown(1), 0);
  EXPECT_TRUE(p.rows().empty());
  EXPECT_EQ(p.lastShown(), -1);

  // Lines got elsewhere keep at most a page; none leave the page as it was.
  p.setLinesPerPage(3);
  EXPECT_EQ(p.showPage(7, linesFrom(7, 5)), 3);
  EXPECT_EQ(p.rows(), linesFrom(7, 3));
  EXPECT_EQ(p.showPage(0, {}), 0);
  EXPECT_EQ(p.firstShown(), 7);
  EXPECT_EQ(p.rows(), linesFrom(7, 3));
}

struct ScrollCase {
  const char* name;
  Pager::Scroll action;
  int position;  // where the toolkit put the thumb
  std::int64_t first;
  int value;  // the bar afterwards
};

TEST(Pager, ScrollBarActionsMoveThePageAndTheBarFollowsIt) {
  // 40 known lines, page of 10 shown from line 20, bar at 20.
  const ScrollCase cases[] = {
      {"line up", Pager::Scroll::LineUp, 19, 19, 19},
      {"line down", Pager::Scroll::LineDown, 21, 21, 21},
      {"page up", Pager::Scroll::PageUp, 10, 10, 10},
      {"page down", Pager::Scroll::PageDown, 30, 30, 30},
      {"thumb released", Pager::Scroll::Position, 33, 33, 33},
      {"thumb dragged shows nothing", Pager::Scroll::Track, 5, 20, 20},
      {"to the top goes back", Pager::Scroll::Top, 0, 20, 20},
      {"to the bottom goes back", Pager::Scroll::Bottom, 39, 20, 20},
      {"wheel down three", Pager::Scroll::Wheel, 23, 23, 23},
      {"wheel up three", Pager::Scroll::Wheel, 17, 17, 17},
  };
  for (const ScrollCase& c : cases) {
    SCOPED_TRACE(c.name);
    CountingSource src(100);
    Pager p;
    p.setSource(&src);
    p.setLinesPerPage(10);
    ASSERT_EQ(p.showLines(30), 10);  // 40 lines known
    ASSERT_EQ(p.showLines(20), 10);
    p.syncScrollPosition();
    ASSERT_EQ(p.barMaximum(), 39);
    p.scroll(c.action, c.position);
    EXPECT_EQ(p.firstShown(), c.first);
    EXPECT_EQ(p.rows(), linesFrom(c.first, 10));
    EXPECT_EQ(p.barValue(), c.value);
    EXPECT_EQ(p.lastScrollPosition(), c.first);
  }
}

TEST(Pager, ReleasingTheThumbWhereItWasReadsNothing) {
  CountingSource src(100);
  Pager p;
  p.setSource(&src);
  p.setLinesPerPage(10);
  p.showLines(0);
  const int before = src.calls;
  p.scroll(Pager::Scroll::Position, 0);
  EXPECT_EQ(src.calls, before);
  // A position the toolkit did not clamp for us ends at the last known line.
  p.scroll(Pager::Scroll::Position, 500);
  EXPECT_EQ(p.firstShown(), 9);
  EXPECT_EQ(p.barValue(), 9);
}

TEST(Pager, BarRangeIsTheKnownLinesLessOneAndScalesPastIntMax) {
  struct Case {
    std::uint64_t known;
    int maximum;
    std::int64_t scale;
  };
  const std::uint64_t intMax = INT_MAX;
  const Case cases[] = {
      {0, 0, 1},
      {1, 0, 1},
      {5, 4, 1},
      {intMax + 1, INT_MAX, 1},
      {intMax + 2, static_cast<int>((intMax + 1) / 2), 2},
      {(std::uint64_t{1} << 40) + 1, static_cast<int>((std::uint64_t{1} << 40) / 513), 513},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.known);
    CountingSource src(INT64_MAX);
    Pager p;
    p.setSource(&src);
    src.setKnown(c.known);
    EXPECT_EQ(p.barScale(), c.scale);
    EXPECT_EQ(p.barMaximum(), c.maximum);
    EXPECT_GE(p.barMaximum(), 0);
    // Every line maps into the bar, and the bar's end to a known line.
    const std::int64_t last = c.known ? static_cast<std::int64_t>(c.known - 1) : 0;
    EXPECT_EQ(p.barOfLine(last), p.barMaximum());
    EXPECT_LE(p.lineOfBar(p.barMaximum()), last);
    EXPECT_GT(p.lineOfBar(p.barMaximum()) + c.scale, last);
  }

  // Far into a huge file the bar stands for the page's line, not a clamped
  // copy of it, and a wheel step still moves whole lines.
  CountingSource src(INT64_MAX);
  Pager p;
  p.setSource(&src);
  p.setLinesPerPage(4);
  const std::int64_t far = std::int64_t{1} << 35;
  ASSERT_EQ(p.showLines(far), 4);
  src.setKnown(std::uint64_t{1} << 36);
  p.syncScrollPosition();
  EXPECT_EQ(p.lastScrollPosition(), far);
  EXPECT_EQ(p.barValue(), static_cast<int>(far / p.barScale()));
  p.scroll(Pager::Scroll::Wheel, p.barValue() + 1);
  EXPECT_EQ(p.firstShown(), far + p.barScale());
  EXPECT_EQ(p.rows(), linesFrom(far + p.barScale(), 4));
}

}  // namespace
