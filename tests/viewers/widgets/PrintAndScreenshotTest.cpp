// Printing the report into a PDF file, and both controls as a user sees them:
// the report of a syntax check of the samples, and a faulty sample opened at
// the line of one of its errors, grabbed into PNG files of the build tree.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QDir>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdint>
#include <string>
#include <vector>

#include "WidgetSupport.h"
#include "platform/CodePage.h"
#include "support/Files.h"
#include "viewers/PageViewer.h"
#include "viewers/PrintPagination.h"
#include "viewers/ReportPane.h"
#include "viewers/ViewText.h"

using olv::PageViewer;
using olv::ReportPane;
using widgettest::Record;

namespace {

// Pages of a PDF: its page objects ("/Type /Page", not "/Type /Pages").
int pdfPages(const std::string& bytes) {
  int pages = 0;
  const std::string key = "/Type /Page";
  for (std::size_t at = bytes.find(key); at != std::string::npos; at = bytes.find(key, at + 1))
    if (bytes.compare(at + key.size(), 1, "s") != 0) ++pages;
  return pages;
}

TEST(PrintRep, PdfHasThePagesTheLayoutGives) {
  testsupport::TempFolder dir("olvprint");
  std::vector<Record> records{{-1, -1, -1, plat::cp("RAPORT Z KONTROLI SKŁADNI")}};
  for (int i = 0; i < 150; ++i) {
    std::string text = plat::cp("błąd w linii ") + std::to_string(i);
    // Every tenth line far wider than the page: printed in pieces.
    if (i % 10 == 0) text += std::string(400, 'W');
    records.push_back({i, -1, -1, text});
  }
  const std::string report = dir / "raport.rpt";
  widgettest::writeReport(report, {"/tmp/a.swd"}, records);

  ReportPane pane;
  pane.resize(400, 200);
  ASSERT_EQ(pane.loadRepFile(report), 0);
  const std::string pdf = dir / "wydruk.pdf";
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdf));
  ASSERT_TRUE(pane.PrintRep(printer));

  // The same layout over the same lines on a printer of the same kind.
  QPrinter twin(QPrinter::HighResolution);
  twin.setOutputFormat(QPrinter::PdfFormat);
  twin.setOutputFileName(QString::fromStdString(dir / "twin.pdf"));
  QPainter painter(&twin);
  painter.setFont(olv::fixedPitchFont(12));
  const QFontMetricsF metrics = painter.fontMetrics();
  olv::PrintGeometry geometry;
  geometry.pageWidth = twin.width();
  geometry.pageHeight = twin.height();
  geometry.lineHeight = metrics.height();
  int pieces = 0;
  const int pages = olv::paginateReport(
      [&](std::int64_t i, std::string& text) {
        if (i >= static_cast<std::int64_t>(records.size())) return false;
        text = records[static_cast<std::size_t>(i)].text;
        return true;
      },
      [&](std::string_view text) { return metrics.horizontalAdvance(olv::reportLineText(text)); },
      geometry,
      [&](const olv::PrintOp& op) {
        if (op.kind == olv::PrintOp::kText) ++pieces;
      });
  painter.end();
  EXPECT_GT(pieces, static_cast<int>(records.size())) << "wide lines print in pieces";
  EXPECT_GE(pages, 2);
  EXPECT_EQ(pdfPages(testsupport::readFile(pdf)), pages);
}

TEST(PrintRep, NoPrinterGivesItsMessage) {
  testsupport::TempFolder dir("olvprint");
  ReportPane pane;
  QSignalSpy failed(&pane, &ReportPane::printFailed);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(dir / "brak/folderu/wydruk.pdf"));
  EXPECT_FALSE(pane.PrintRep(printer));
  ASSERT_EQ(failed.count(), 1);
  EXPECT_EQ(failed.at(0).at(0).toString(), QStringLiteral("Nie można rozpocząć drukowania."));
}

void save(QWidget& widget, const char* name) {
  QDir().mkpath(QStringLiteral(OLV_SCREENSHOTS));
  const QImage image = widget.grab().toImage();
  const QString path = QStringLiteral(OLV_SCREENSHOTS "/") + QLatin1String(name);
  EXPECT_TRUE(image.save(path)) << path.toStdString();
  const widgettest::Ink ink = widgettest::inkOf(image);
  EXPECT_GT(ink.colours, 2) << name;
  EXPECT_GT(ink.dark, image.width()) << name << ": no text to see";
}

TEST(Screenshots, ReportOfTheSamplesAndAFaultySampleAtAnErrorLine) {
  testsupport::TempFolder dir("olvshot");
  const std::string report = dir / "raport.rpt";
  const std::string faulty = std::string(OLV_SAMPLES) + "/bledy.swd";
  widgettest::runSyntaxCheck({faulty, std::string(OLV_SAMPLES) + "/przyklad.swd"}, report);

  ReportPane pane;
  pane.resize(900, 420);
  pane.show();
  ASSERT_EQ(pane.loadRepFile(report), 0);
  QAbstractItemModel* model = pane.view()->model();
  std::string file;
  std::int64_t line = -1;
  std::int64_t pos = -1;
  int errorRow = -1;
  for (int r = 0; r < model->rowCount() && pos < 0; ++r) {
    pane.view()->setCurrentIndex(model->index(r, 0));
    pos = pane.getFilePos(file, &line);
    if (pos >= 0) errorRow = r;
  }
  ASSERT_GE(errorRow, 0) << "no finding on the first page";
  EXPECT_EQ(file, faulty);
  save(pane, "report_pane.png");

  PageViewer viewer;
  viewer.resize(900, 420);
  viewer.show();
  viewer.loadFile(file);
  viewer.selectPos(static_cast<std::uint64_t>(pos), line - 1);
  EXPECT_EQ(viewer.firstShown(), line - 1);
  const QString selected = viewer.view()->textCursor().selectedText();
  EXPECT_FALSE(selected.isEmpty());
  EXPECT_EQ(selected, viewer.view()->document()->firstBlock().text());
  save(viewer, "page_viewer.png");
}

}  // namespace
