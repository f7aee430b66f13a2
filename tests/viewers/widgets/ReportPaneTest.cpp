// The report viewer control on the offscreen platform: the page from the
// list's own metrics, keys at the edges of the page, the scroll bar's
// actions, the clipboard, the file position of a line, and what opening a
// missing, corrupt or empty report leaves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QListView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <cstdint>
#include <string>
#include <vector>

#include "WidgetSupport.h"
#include "platform/CodePage.h"
#include "support/Files.h"
#include "viewers/ReportPane.h"

using olv::ReportPane;
using widgettest::Record;

namespace {

constexpr int kFindings = 200;

// Report line i as the list shows it.
QString shown(const std::string& cp1250) {
  return QString::fromStdU16String(plat::cp1250ToUtf16(cp1250));
}

class ReportPaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A checked file whose name holds Polish letters in the file system's
    // UTF-8: the report's file line shows it as such.
    checked = dir / "dane_żółw.swd";
    testsupport::writeFile(checked, "x\n");
    records.push_back({-1, -1, -1, plat::cp("RAPORT Z KONTROLI SKŁADNI")});
    records.push_back({-1, -1, -1, swde::fileLine(checked)});
    for (int i = 0; i < kFindings; ++i) {
      const std::int64_t line = 3 * i + 1;
      records.push_back({line, 0, 1000 + 40 * i,
                         swde::formatFindingLine(line, 0, 121, 46, plat::cp("zła wartość pola"))});
    }
    report = dir / "raport.rpt";
    widgettest::writeReport(report, {checked}, records);
    pane.resize(640, 300);
    pane.show();
    ASSERT_EQ(pane.loadRepFile(report), 0);
    lpp = pane.linesPerPage();
    ASSERT_GT(lpp, 3);
  }

  QString row(int r) const { return pane.view()->model()->index(r, 0).data().toString(); }
  void expectPageFrom(std::int64_t first) {
    EXPECT_EQ(pane.firstShown(), first);
    for (int r = 0; r < lpp && first + r < static_cast<std::int64_t>(records.size()); ++r)
      EXPECT_EQ(row(r), rowText(first + r)) << "row " << r;
    // The bar follows the page.
    EXPECT_EQ(pane.scrollBar()->value(), first);
  }
  QString rowText(std::int64_t i) const {
    const std::string& t = records[static_cast<std::size_t>(i)].text;
    return i == 1 ? QString::fromStdString(t) : shown(t);
  }
  void setCurrentRow(int r) { pane.view()->setCurrentIndex(pane.view()->model()->index(r, 0)); }

  testsupport::TempFolder dir{"olvpane"};
  std::string checked;
  std::string report;
  std::vector<Record> records;
  ReportPane pane;
  int lpp = 0;
};

TEST_F(ReportPaneTest, PageComesFromTheListsMetrics) {
  QListView* view = pane.view();
  const int height = view->viewport()->height();
  const int step = QFontMetrics(view->font()).lineSpacing() + 2;
  EXPECT_EQ(lpp, height / step);
  EXPECT_EQ(view->model()->rowCount(), lpp);
  // Every row has the same share of the view, and they all fit.
  EXPECT_EQ(view->visualRect(view->model()->index(0, 0)).height(), height / lpp);
  EXPECT_LE(view->visualRect(view->model()->index(lpp - 1, 0)).bottom(), height);
  expectPageFrom(0);
  EXPECT_EQ(row(0), QStringLiteral("RAPORT Z KONTROLI SKŁADNI"));
  EXPECT_TRUE(row(1).endsWith(QStringLiteral("dane_żółw.swd")));
  EXPECT_TRUE(row(2).endsWith(QStringLiteral("zła wartość pola")));

  // A view lower than one line shows no row; growing again shows the page.
  pane.setMinimumSize(0, 0);
  pane.resize(640, pane.scrollBar()->sizeHint().width() + 4);
  QApplication::processEvents();
  ASSERT_LT(view->viewport()->height(), step);
  EXPECT_EQ(pane.linesPerPage(), 0);
  EXPECT_EQ(view->model()->rowCount(), 0);
  EXPECT_EQ(pane.showLines(5), 0);
  pane.resize(640, 300);
  QApplication::processEvents();
  EXPECT_EQ(pane.linesPerPage(), lpp);
  expectPageFrom(0);
}

TEST_F(ReportPaneTest, KeysMoveThePageOnlyAtItsEdges) {
  struct Case {
    const char* name;
    std::int64_t first;  // page before
    int row;             // current row before (-1: the last row, -2: none)
    int key;
    std::int64_t firstAfter;
    int rowAfter;  // -1: the last row, -3: any
  };
  const Case cases[] = {
      {"up on the first row moves the page", 10, 0, Qt::Key_Up, 9, 0},
      {"up inside the page moves the row", 10, 3, Qt::Key_Up, 10, 2},
      {"up on the first row of the file", 0, 0, Qt::Key_Up, 0, 0},
      {"down on the last row moves the page", 10, -1, Qt::Key_Down, 11, -1},
      {"down inside the page moves the row", 10, 0, Qt::Key_Down, 10, 1},
      {"page down", 10, 2, Qt::Key_PageDown, 10 + 0, 2},  // firstAfter fixed below
      {"page up from a line below a page", 2, 2, Qt::Key_PageUp, 0, 2},
      {"down with no current row makes the first one", 10, -2, Qt::Key_Down, 10, 0},
      {"up with no current row moves no page", 10, -2, Qt::Key_Up, 10, -3},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.name);
    if (c.key == Qt::Key_PageDown) c.firstAfter = c.first + lpp;
    const int last = lpp - 1;
    ASSERT_GT(pane.showLines(c.first), 0);
    if (c.row == -2)
      pane.view()->setCurrentIndex(QModelIndex());
    else
      setCurrentRow(c.row < 0 ? last : c.row);
    // The host's key-down comes before the control moves.
    std::int64_t firstAtKeyDown = -1;
    auto hook = QObject::connect(&pane, &ReportPane::keyDown, [&](int, Qt::KeyboardModifiers) {
      firstAtKeyDown = pane.firstShown();
    });
    QTest::keyClick(pane.view(), static_cast<Qt::Key>(c.key));
    QObject::disconnect(hook);
    EXPECT_EQ(firstAtKeyDown, c.first);
    expectPageFrom(c.firstAfter);
    if (c.rowAfter != -3) {
      EXPECT_EQ(pane.view()->currentIndex().row(), c.rowAfter < 0 ? last : c.rowAfter);
    }
  }
}

TEST_F(ReportPaneTest, DownOnTheLastLineOfTheReportStops) {
  const std::int64_t lastPage = static_cast<std::int64_t>(records.size()) - 3;
  ASSERT_EQ(pane.showLines(lastPage), 3);
  setCurrentRow(2);
  QTest::keyClick(pane.view(), Qt::Key_Down);
  QTest::keyClick(pane.view(), Qt::Key_PageDown);
  EXPECT_EQ(pane.firstShown(), lastPage);
  EXPECT_EQ(pane.view()->currentIndex().row(), 2);
  // The rows below the last line hold nothing and take no selection.
  EXPECT_EQ(row(3), QString());
  EXPECT_FALSE(pane.view()->model()->flags(pane.view()->model()->index(3, 0)) &
               Qt::ItemIsSelectable);
}

TEST_F(ReportPaneTest, ScrollBarActionsMoveThePage) {
  struct Case {
    const char* name;
    QAbstractSlider::SliderAction action;
    std::int64_t firstAfter;  // from a page at 20; -2: 20 + a page; -3: 20 - a page
  };
  const Case cases[] = {
      {"line down", QAbstractSlider::SliderSingleStepAdd, 21},
      {"line up", QAbstractSlider::SliderSingleStepSub, 19},
      {"page down", QAbstractSlider::SliderPageStepAdd, -2},
      {"page up", QAbstractSlider::SliderPageStepSub, -3},
      {"to the top goes back", QAbstractSlider::SliderToMinimum, 20},
      {"to the bottom goes back", QAbstractSlider::SliderToMaximum, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_GT(pane.showLines(20), 0);
    std::int64_t expected = c.firstAfter;
    if (expected == -2) expected = 20 + lpp;
    if (expected == -3) expected = std::max<std::int64_t>(0, 20 - lpp);
    pane.scrollBar()->triggerAction(c.action);
    expectPageFrom(expected);
  }
}

TEST_F(ReportPaneTest, DragShowsThePageOnReleaseAndTheWheelMovesLines) {
  QScrollBar* bar = pane.scrollBar();
  ASSERT_GT(pane.showLines(lpp * 3), 0);  // more lines known
  ASSERT_GE(bar->maximum(), 40);
  pane.showLines(0);

  bar->setSliderDown(true);
  bar->setSliderPosition(30);
  EXPECT_EQ(pane.firstShown(), 0) << "nothing moves while the thumb is held";
  bar->setSliderDown(false);
  expectPageFrom(30);

  // Three lines a notch, over the list as over the bar.
  const int lines = QApplication::wheelScrollLines();
  QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(pane.view()->viewport(), &down);
  expectPageFrom(30 + lines);
  QWheelEvent up(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton,
                 Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(bar, &up);
  expectPageFrom(30);
  // A sideways swipe over the list scrolls the list, not the file.
  QWheelEvent sideways(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(-120, 0), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(pane.view()->viewport(), &sideways);
  expectPageFrom(30);
}

TEST_F(ReportPaneTest, SettingTheBarFromOutsideNeverMovesThePage) {
  QScrollBar* bar = pane.scrollBar();
  ASSERT_GT(pane.showLines(15), 0);
  const QString top = row(0);
  bar->setMaximum(5);  // clamps the value
  bar->setValue(2);
  bar->setMaximum(1000);
  bar->setValue(700);
  EXPECT_EQ(pane.firstShown(), 15);
  EXPECT_EQ(row(0), top);
  // The next action starts from the page, not from the clamped value.
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  expectPageFrom(16);
}

TEST_F(ReportPaneTest, CtrlCCopiesTheSelectedRowsAsShown) {
  QItemSelectionModel* selection = pane.view()->selectionModel();
  const QAbstractItemModel* model = pane.view()->model();
  selection->select(QItemSelection(model->index(1, 0), model->index(3, 0)),
                    QItemSelectionModel::ClearAndSelect);
  QApplication::clipboard()->clear();
  QTest::keyClick(pane.view(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(),
            rowText(1) + "\r\n" + rowText(2) + "\r\n" + rowText(3) + "\r\n");
}

TEST_F(ReportPaneTest, FilePosOfTitleAndFindingLines) {
  struct Case {
    int row;
    std::int64_t pos;
    std::string file;
    std::int64_t line;
  };
  const Case cases[] = {
      {0, -1, "", -1},
      {1, -1, "", -1},
      {2, 1000, checked, 1},
      {5, 1000 + 40 * 3, checked, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    setCurrentRow(c.row);
    std::string file = "stale";
    std::int64_t line = 99;
    EXPECT_EQ(pane.getFilePos(file, &line), c.pos);
    EXPECT_EQ(file, c.file);
    EXPECT_EQ(line, c.line);
  }
  // The selection's top counts, on whatever page is shown.
  pane.showLines(10);
  QItemSelectionModel* selection = pane.view()->selectionModel();
  const QAbstractItemModel* model = pane.view()->model();
  selection->select(QItemSelection(model->index(2, 0), model->index(3, 0)),
                    QItemSelectionModel::ClearAndSelect);
  std::string file;
  std::int64_t line = 0;
  EXPECT_EQ(pane.getFilePos(file, &line), 1000 + 40 * 10);
  EXPECT_EQ(line, 31);
}

TEST_F(ReportPaneTest, OpeningMissingCorruptAndEmptyReports) {
  struct Case {
    const char* name;
    const char* bytes;  // nullptr: no file at all
    std::size_t size;
    int result;
  };
  const Case cases[] = {
      {"missing", nullptr, 0, 1},
      {"shorter than its count", "\x01\x00", 2, 2},
      {"an entry past the end", "\x01\x00\x00\x00\x10\x00\x00\x00/a", 10, 2},
      {"no checked file", "\x00\x00\x00\x00", 4, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(pane.loadRepFile(report), 0);
    ASSERT_GT(pane.view()->model()->rowCount(), 0);
    const std::string path = dir / (std::string(c.name) + ".rpt");
    if (c.bytes) testsupport::writeFile(path, std::string(c.bytes, c.size));
    EXPECT_EQ(pane.loadRepFile(path), c.result);
    // What was open is closed; nothing of it is shown or pointed at.
    EXPECT_EQ(static_cast<QListView*>(pane.view())->model()->index(0, 0).data().toString(),
              QString());
    EXPECT_EQ(pane.scrollBar()->maximum(), 0);
    std::string file;
    std::int64_t line = 0;
    EXPECT_EQ(pane.getFilePos(file, &line), -1);
    EXPECT_EQ(pane.MovePgDown(), 0);
  }
}

TEST_F(ReportPaneTest, TextFileLinesHideTheirCarriageReturnOnScreenOnly) {
  const std::string text = dir / "tekst.txt";
  testsupport::writeFile(text, plat::cp("pierwsza łąka\r\ndruga\n") + "\xff trzecia\n");
  pane.loadTxtFile(text);
  EXPECT_EQ(row(0), QStringLiteral("pierwsza łąka"));
  EXPECT_EQ(row(1), QStringLiteral("druga"));
  EXPECT_EQ(row(2), QStringLiteral("˙ trzecia"));  // not UTF-8: cp1250
  setCurrentRow(0);
  QApplication::clipboard()->clear();
  pane.copyToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("pierwsza łąka\r\n"));
  std::string file;
  EXPECT_EQ(pane.getFilePos(file, nullptr), -1);  // text lines point nowhere
  EXPECT_EQ(pane.OpenFile(dir / "brak.txt"), 1);
  EXPECT_EQ(row(0), QString());
}

TEST_F(ReportPaneTest, HostEventsAreSignals) {
  QSignalSpy keyPress(&pane, &ReportPane::keyPress);
  QSignalSpy doubleClicked(&pane, &ReportPane::doubleClicked);
  QSignalSpy entered(&pane, &ReportPane::entered);
  pane.view()->setFocus();
  QApplication::processEvents();
  pane.activateWindow();
  QTest::keyClick(pane.view(), Qt::Key_Return);
  ASSERT_EQ(keyPress.count(), 1);
  EXPECT_EQ(keyPress.at(0).at(0).value<QChar>(), QChar('\r'));
  QTest::mouseDClick(pane.view()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
  EXPECT_EQ(doubleClicked.count(), 1);
  QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(pane.view(), &focusIn);
  EXPECT_GE(entered.count(), 1);
}

TEST_F(ReportPaneTest, ExportsWriteTheWholeReportWhateverThePage) {
  ASSERT_GT(pane.showLines(50), 0);
  std::string text;
  std::string cdt;
  for (const Record& r : records) {
    text += r.text + "\r\n";
    cdt += (r.pos < 0 ? "#" + r.text : ReportPane::insertCommas(r.text)) + "\r\n";
  }
  EXPECT_EQ(ReportPane::insertCommas("12 B   121 SD - t  u"), "12,B,121,SD,t  u");
  const std::string txtPath = dir / "raport.txt";
  const std::string cdtPath = dir / "raport.cdt";
  EXPECT_EQ(pane.saveAsTextFile(txtPath), 0);
  EXPECT_EQ(testsupport::readFile(txtPath), text);
  EXPECT_EQ(pane.saveAsCommaDelimited(cdtPath), 0);
  EXPECT_EQ(testsupport::readFile(cdtPath), cdt);
  // The page stays where it was.
  expectPageFrom(50);

  pane.closeFile();
  EXPECT_EQ(pane.saveAsTextFile(dir / "nic.txt"), -1);
  EXPECT_EQ(pane.saveAsCommaDelimited(dir / "nic.cdt"), -1);
}

}  // namespace
