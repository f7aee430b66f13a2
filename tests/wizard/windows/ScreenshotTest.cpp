// The windows as the user sees them, written to PNG files of the build tree
// and checked to show something: the main window with three commands, one
// of them selected, and each page over a command that fills it.
#include <gtest/gtest.h>

#include <QTest>
#include <QTreeWidget>

#include "WizardSupport.h"
#include "app/window/ScreenshotSupport.h"

namespace {

using swde::wizCommand;
using swde::wizPage;
using windowtest::saveScreenshot;
using wizardtest::T;
using wizardtest::WizardTest;

using WizardScreenshotTest = WizardTest;

TEST_F(WizardScreenshotTest, TheMainWindowAndEachPage) {
  swde::TForm1& w = make();
  add({"rbSP", {T("/dane/obręb 12/dzialki.swd")}, nullptr, "/dane/raporty/semantyka.rpt", true});
  add({"rbSC", {T("/dane/czesc_1.swd"), T("/dane/czesc_2.swd")}, "/dane/scalony.swd"});
  add({"rbGA", {T("/dane/scalony.swd")}, nullptr, "", false, true});
  QTreeWidget* list = w.commandList();
  list->setCurrentItem(list->topLevelItem(6));
  saveScreenshot(w, "wizard-TForm1.png");

  const struct {
    int index;
    wizCommand command;
    const char* file;
  } pages[] = {
      {0, {{}, "", {}, "", "SC"}, "wizard-TwizSetFunc.png"},
      {1,
       {{"/dane/czesc_1.swd", "/dane/czesc_2.swd"}, "", {}, "", "SC"},
       "wizard-TwizSetInFiles.png"},
      {2, {{}, "/dane/scalony.swd", {}, "", "SC"}, "wizard-TwizSetFileName.png"},
      {3, {{}, "", {"-rk"}, "/dane/raporty/semantyka.rpt", "SP"}, "wizard-TwizSetRaport.png"},
      {4, {{}, "", {"-pk"}, "", "GA"}, "wizard-TwizSetOptions.png"},
  };
  for (const auto& p : pages) {
    SCOPED_TRACE(p.file);
    wizCommand command = p.command;
    const auto page = wizPage::create(p.index, command, prompts, &w);
    page->show();
    saveScreenshot(*page, p.file);
  }
  EXPECT_TRUE(prompts.told.empty());
}

}  // namespace
