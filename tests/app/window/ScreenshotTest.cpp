// Each panel of the main window, and a report with the error preview open
// at a finding, grabbed offscreen into PNG files of the build tree.
#include <gtest/gtest.h>

#include <QListView>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

#include "ScreenshotSupport.h"
#include "WindowSupport.h"
#include "viewers/ReportPane.h"

namespace {

using swde::TMainForm;
using Panel = TMainForm::Panel;
using windowtest::q;
using windowtest::saveScreenshot;
using windowtest::WindowTest;

TEST_F(WindowTest, ScreenshotsOfThePanelsAndOfAReportAtAnError) {
  TMainForm& w = make();
  w.show();
  saveScreenshot(w, "window_about.png");
  w.sideBarClicked(Panel::Settings);
  saveScreenshot(w, "window_settings.png");

  const std::string faulty = copyOf("bledy.swd");
  start(TMainForm::Action::Syntax, {copyOf("przyklad.swd"), faulty});
  finish();
  w.sideBarClicked(Panel::Statistics);
  saveScreenshot(w, "window_statistics.png");

  w.sideBarClicked(Panel::Actions);
  w.fileList()->setCurrentItem(w.fileList()->topLevelItem(1));
  w.previewFile();
  saveScreenshot(w, "window_actions.png");

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
  saveScreenshot(w, "window_report.png");
}

}  // namespace
