// The large text viewer control on the offscreen platform: the page from the
// view's metrics, a page opened at a byte offset with its line highlighted,
// the failure text and a retry, and keys that hand on to the scroll bar.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "support/Files.h"
#include "viewers/PageViewer.h"

using olv::PageViewer;

namespace {

constexpr int kLines = 300;

class PageViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string bytes;
    for (int i = 0; i < kLines; ++i) {
      offsets.push_back(bytes.size());
      lines.push_back("linia " + std::to_string(i) + plat::cp(" żółć") + std::string(i % 7, 'x'));
      bytes += lines.back() + (i % 2 ? "\r\n" : "\n");
    }
    path = dir / "dane.swd";
    testsupport::writeFile(path, bytes);
    viewer.resize(500, 260);
    viewer.show();
    viewer.loadFile(path);
    lpp = viewer.linesPerPage();
    ASSERT_GT(lpp, 3);
  }

  QString shownLine(int i) const {
    return QString::fromStdU16String(plat::cp1250ToUtf16(lines[static_cast<std::size_t>(i)]));
  }
  QString viewLine(int r) const { return viewer.view()->document()->findBlockByNumber(r).text(); }
  void expectPageFrom(std::int64_t first) {
    EXPECT_EQ(viewer.firstShown(), first);
    const int rows = viewer.view()->document()->blockCount();
    EXPECT_EQ(rows, std::min<std::int64_t>(lpp, kLines - first));
    for (int r = 0; r < rows; ++r) EXPECT_EQ(viewLine(r), shownLine(static_cast<int>(first) + r));
    EXPECT_EQ(viewer.scrollBar()->value(), first);
  }
  QString highlighted() const { return viewer.view()->textCursor().selectedText(); }

  testsupport::TempFolder dir{"olvpage"};
  std::string path;
  std::vector<std::string> lines;
  std::vector<std::uint64_t> offsets;
  PageViewer viewer;
  int lpp = 0;
};

TEST_F(PageViewerTest, PageComesFromTheViewsMetrics) {
  QPlainTextEdit* view = viewer.view();
  EXPECT_EQ(lpp, view->viewport()->height() / QFontMetrics(view->font()).lineSpacing());
  expectPageFrom(0);
  // The whole page stands in the view: its last line is not cut off.
  const QTextCursor last(view->document()->findBlockByNumber(lpp - 1));
  EXPECT_LE(view->cursorRect(last).bottom(), view->viewport()->height());
  EXPECT_GE(view->cursorRect(QTextCursor(view->document())).top(), 0);
  EXPECT_EQ(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(view->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_TRUE(view->isReadOnly());
}

TEST_F(PageViewerTest, SelectPosHighlightsTheLineAtAnOffset) {
  struct Case {
    const char* name;
    std::uint64_t offset;
    std::int64_t line;
    std::int64_t first;  // page shown
  };
  const std::uint64_t end = offsets.back() + lines.back().size() + 2;
  const Case cases[] = {
      {"a line in the middle", offsets[120], 120, 120},
      {"the first line", 0, 0, 0},
      {"the last line, alone", offsets[kLines - 1], kLines - 1, kLines - 1},
      {"past the end: the first page", end + 100, 250, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    viewer.selectPos(c.offset, c.line);
    expectPageFrom(c.first);
    EXPECT_EQ(highlighted(), shownLine(static_cast<int>(c.first)));
  }
  // From the last line alone, paging down stops at once.
  viewer.selectPos(offsets[kLines - 1], kLines - 1);
  EXPECT_EQ(viewer.MovePgDown(), 0);
  EXPECT_EQ(viewer.MoveDown(1), 0);
  expectPageFrom(kLines - 1);
  // Going up from there fills the page again.
  EXPECT_EQ(viewer.MoveUp(2), 2);
  EXPECT_EQ(viewer.view()->document()->blockCount(), 3);
  EXPECT_EQ(viewer.MovePgUp(), lpp);
  EXPECT_EQ(viewer.firstShown(), kLines - 3 - lpp);
}

TEST_F(PageViewerTest, HighlightStaysVisibleWithoutFocus) {
  viewer.select(40);
  expectPageFrom(40);
  EXPECT_EQ(highlighted(), shownLine(40));
  viewer.scrollBar()->setFocus();
  const QPalette p = viewer.view()->palette();
  EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Highlight),
            p.color(QPalette::Active, QPalette::Highlight));
  EXPECT_EQ(highlighted(), shownLine(40));
}

TEST_F(PageViewerTest, PageUpFromTheThirdLineShowsTheFirstPage) {
  viewer.select(2);
  EXPECT_EQ(viewer.MovePgUp(), 2);
  expectPageFrom(0);
  EXPECT_EQ(highlighted(), QString()) << "a move leaves nothing selected";
}

TEST_F(PageViewerTest, LoadingTheSameFileAgainKeepsPageAndHighlight) {
  viewer.selectPos(offsets[77], 77);
  viewer.loadFile(path);
  expectPageFrom(77);
  EXPECT_EQ(highlighted(), shownLine(77));
}

TEST_F(PageViewerTest, FailedLoadShowsItsTextAndRetriesAfterClose) {
  const std::string later = dir / "pozniej.swd";
  viewer.loadFile(later);
  EXPECT_FALSE(viewer.isOpen());
  EXPECT_EQ(viewer.view()->toPlainText(), QStringLiteral("Nie udało sie otworzyć pliku!"));
  testsupport::writeFile(later, plat::cp("jest już\n"));
  viewer.loadFile(later);  // the same name: not tried again
  EXPECT_FALSE(viewer.isOpen());
  viewer.closeFile();
  EXPECT_EQ(viewer.fileName(), "");
  EXPECT_EQ(viewer.view()->toPlainText(), QString());
  viewer.loadFile(later);
  EXPECT_TRUE(viewer.isOpen());
  EXPECT_EQ(viewer.view()->toPlainText(), QStringLiteral("jest już"));
}

TEST_F(PageViewerTest, PagingKeysHandTheFocusToTheScrollBar) {
  for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown}) {
    SCOPED_TRACE(key);
    viewer.select(100);
    viewer.view()->setFocus();
    QTest::keyClick(viewer.view(), key);
    EXPECT_EQ(viewer.focusWidget(), viewer.scrollBar());
    EXPECT_EQ(viewer.firstShown(), 100) << "the first press stays within the page";
  }
  // Further presses reach the bar and scroll through the file.
  viewer.select(100);
  viewer.scrollBar()->setFocus();
  QTest::keyClick(viewer.scrollBar(), Qt::Key_Down);
  expectPageFrom(101);
  QTest::keyClick(viewer.scrollBar(), Qt::Key_PageDown);
  expectPageFrom(101 + lpp);
}

TEST_F(PageViewerTest, ScrollBarActionsAndOutsideValues) {
  QScrollBar* bar = viewer.scrollBar();
  viewer.select(50);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  expectPageFrom(49);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  expectPageFrom(49 + lpp);
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  expectPageFrom(49 + lpp);
  bar->setValue(3);
  bar->setMaximum(2);
  EXPECT_EQ(viewer.firstShown(), 49 + lpp);
  bar->setMaximum(1000);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  expectPageFrom(50 + lpp);
}

}  // namespace
