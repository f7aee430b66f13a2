// The installer's core driving the Qt windows in process, as olvenSetup
// wires them: the uninstall declined, the uninstall without a record, and
// the refusal of root in its box.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <string>
#include <vector>

#include "SetupWindowSupport.h"
#include "platform/CodePage.h"
#include "setup/TfrmUninstallQuestion.h"
#include "setup/setupPlatform.h"
#include "setup/setupProgram.h"
#include "support/TempRegistry.h"

namespace {

using setupwintest::clicking;
using setupwintest::ScriptedQtUi;
using setupwintest::u;
using swde::setupProgram;

// The machine's platform with the user the test asks for.
struct PlatformAs : swde::setupPlatform {
  bool root = false;
  bool isRoot() override { return root; }
};

// A message box's title, text and icon, then OK.
struct SeenBox {
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  ScriptedQtUi::Answer answer() {
    return [this](QDialog& d) {
      auto* box = qobject_cast<QMessageBox*>(&d);
      ASSERT_NE(box, nullptr);
      text = box->text();
      icon = box->icon();
      box->button(QMessageBox::Ok)->click();
    };
  }
};

TEST(SetupCoreDriven, UninstallDeclinedOrWithoutARecord) {
  setupwintest::TempHome home;
  testsupport::TempRegistry registry;
  PlatformAs platform;
  std::vector<std::string> errLines;
  auto err = [&](const plat::AnsiString& line) { errLines.push_back(line); };
  const char* argv[] = {"olvenSetup", "-u"};
  const setupProgram::Action action = setupProgram::actionFor(2, argv);
  ASSERT_EQ(action, setupProgram::Action::Uninstall);

  {
    ScriptedQtUi ui;
    ui.answers.push_back(clicking("&Nie"));
    EXPECT_EQ(setupProgram::run(action, platform, &ui, err), 0);
    EXPECT_EQ(ui.titles, (std::vector<QString>{u("OLVEN Usuwanie oprogramowania")}));
  }
  {
    ScriptedQtUi ui;
    SeenBox box;
    ui.answers.push_back(clicking("&Tak"));
    ui.answers.push_back(box.answer());
    EXPECT_EQ(setupProgram::run(action, platform, &ui, err), 2);
    EXPECT_EQ(ui.titles,
              (std::vector<QString>{u("OLVEN Usuwanie oprogramowania"), u("Błąd deinstalacji")}));
    EXPECT_EQ(box.text, u("Error opening Registry key"));
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(ui.statusWindow(), nullptr) << "nothing to remove, no status";
  }
  EXPECT_TRUE(errLines.empty());
}

TEST(SetupCoreDriven, RootIsRefusedInABoxAndOnTheErrorStream) {
  setupwintest::TempHome home;
  testsupport::TempRegistry registry;
  PlatformAs platform;
  platform.root = true;
  const std::string text =
      plat::cp("Program instalacyjny należy uruchomić na koncie użytkownika, nie jako root.");
  for (const setupProgram::Action action :
       {setupProgram::Action::Install, setupProgram::Action::Uninstall}) {
    std::vector<std::string> errLines;
    ScriptedQtUi ui;
    SeenBox box;
    ui.answers.push_back(box.answer());
    EXPECT_EQ(setupProgram::run(action, platform, &ui,
                                [&](const plat::AnsiString& line) { errLines.push_back(line); }),
              1);
    EXPECT_EQ(ui.titles, (std::vector<QString>{u("Błąd instalacji")}));
    EXPECT_EQ(box.text, QString::fromStdU16String(plat::cp1250ToUtf16(text)));
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(errLines, (std::vector<std::string>{text}));
  }
}

}  // namespace
