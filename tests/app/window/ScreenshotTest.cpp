// Each panel of the main window, and a report with the error preview open
// at a finding, grabbed offscreen into PNG files of the build tree.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QListView>
#include <QPlainTextEdit>
#include <QSet>
#include <QTest>
#include <QTreeWidget>

#include "WindowSupport.h"
#include "viewers/ReportPane.h"

namespace {

using swde::TMainForm;
using Panel = TMainForm::Panel;
using windowtest::q;
using windowtest::WindowTest;

void save(QWidget& widget, const char* name) {
  QDir().mkpath(QStringLiteral(OLV_SCREENSHOTS));
  const QImage image = widget.grab().toImage();
  const QString path = QStringLiteral(OLV_SCREENSHOTS "/") + QLatin1String(name);
  EXPECT_TRUE(image.save(path)) << path.toStdString();
  // Not blank: several colours and some dark pixels of text.
  QSet<QRgb> colours;
  int dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      if (qGray(c) < 128) ++dark;
      if (colours.size() < 1000) colours.insert(c);
    }
  EXPECT_GT(colours.size(), 2) << name;
  EXPECT_GT(dark, image.width()) << name << ": no text to see";
}

TEST_F(WindowTest, ScreenshotsOfThePanelsAndOfAReportAtAnError) {
  TMainForm& w = make();
  w.show();
  save(w, "window_about.png");
  w.sideBarClicked(Panel::Settings);
  save(w, "window_settings.png");

  const std::string faulty = copyOf("bledy.swd");
  start(TMainForm::Action::Syntax, {copyOf("przyklad.swd"), faulty});
  finish();
  w.sideBarClicked(Panel::Statistics);
  save(w, "window_statistics.png");

  w.sideBarClicked(Panel::Actions);
  w.fileList()->setCurrentItem(w.fileList()->topLevelItem(1));
  w.previewFile();
  save(w, "window_actions.png");

  w.sideBarClicked(Panel::Report);
  QAbstractItemModel* model = w.reportPane()->view()->model();
  std::string file;
  std::int64_t line = -1;
  for (int r = 0; r < model->rowCount(); ++r) {
    w.reportPane()->view()->setCurrentIndex(model->index(r, 0));
    if (w.reportPane()->getFilePos(file, &line) >= 0) break;
  }
  ASSERT_EQ(file, faulty);
  w.goToErrorLine();
  save(w, "window_report.png");
}

}  // namespace
