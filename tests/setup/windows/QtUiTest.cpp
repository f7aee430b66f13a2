// The Qt UI as the installer's core drives it: each question and end window
// answered by a click, the target window with a refusal shown in a warning
// box before the accepted target, the status window through its calls, and
// message boxes with the icon asked for.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QWindow>

#include "SetupWindowSupport.h"
#include "platform/CodePage.h"
#include "setup/TfrmEnd.h"
#include "setup/TfrmEndDeinst.h"
#include "setup/TfrmFirstQuestion.h"
#include "setup/TfrmFolders.h"
#include "setup/TfrmStatus.h"
#include "setup/TfrmUninstallQuestion.h"

namespace {

using plat::cp;
using setupwintest::clicking;
using setupwintest::labelsOf;
using setupwintest::ScriptedQtUi;
using setupwintest::TempHome;
using setupwintest::u;
using swde::setupUi;

TEST(SetupQtUi, QuestionsAreTrueOnlyOnYes) {
  const struct {
    const char* button;
    bool answer;
  } cases[] = {{"&Tak", true}, {"&Nie", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    ScriptedQtUi ui;
    bool firstShown = false, uninstallShown = false;
    ui.answers.push_back([&](QDialog& d) {
      firstShown = qobject_cast<swde::TfrmFirstQuestion*>(&d) != nullptr;
      clicking(c.button)(d);
    });
    ui.answers.push_back([&](QDialog& d) {
      uninstallShown = qobject_cast<swde::TfrmUninstallQuestion*>(&d) != nullptr;
      clicking(c.button)(d);
    });
    EXPECT_EQ(ui.askFirstQuestion(), c.answer);
    EXPECT_EQ(ui.askUninstallQuestion(), c.answer);
    EXPECT_TRUE(firstShown);
    EXPECT_TRUE(uninstallShown);
    EXPECT_EQ(ui.titles, (std::vector<QString>{u("OLVEN Program instalacyjny"),
                                               u("OLVEN Usuwanie oprogramowania")}));
  }
}

TEST(SetupQtUi, ARefusedTargetIsShownInAWarningAndTheAcceptedOneReturned) {
  TempHome home;
  const std::string initial = home / ".local/share/olven/";
  const std::string chosen = home / "Programy/olven/";
  std::vector<std::string> checked;
  auto check = [&](const std::string& text) -> std::optional<plat::AnsiString> {
    checked.push_back(text);
    if (text == chosen) return std::nullopt;
    return cp("OLVEN jest już zainstalowany w katalogu /opt/ółę/; najpierw go usuń.");
  };

  ScriptedQtUi ui;
  QString warningText;
  QMessageBox::Icon warningIcon = QMessageBox::NoIcon;
  ui.answers.push_back([&](QDialog& d) {
    auto* form = qobject_cast<swde::TfrmFolders*>(&d);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->edit()->text(), QString::fromStdString(initial));
    // The refusal's box comes while this window is open, and it stays.
    clicking("&Instaluj")(d);
    EXPECT_TRUE(d.isVisible());
    form->edit()->setText(QString::fromStdString(chosen));
    clicking("&Instaluj")(d);
  });
  ui.answers.push_back([&](QDialog& d) {
    auto* box = qobject_cast<QMessageBox*>(&d);
    ASSERT_NE(box, nullptr);
    warningText = box->text();
    warningIcon = box->icon();
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(ui.askTarget(initial, check), chosen);
  EXPECT_EQ(checked, (std::vector<std::string>{initial, chosen}));
  EXPECT_EQ(warningText, u("OLVEN jest już zainstalowany w katalogu /opt/ółę/; najpierw go usuń."));
  EXPECT_EQ(warningIcon, QMessageBox::Warning);
  EXPECT_EQ(ui.titles, (std::vector<QString>{u("OLVEN Program Instalacyjny"),
                                             u("OLVEN Program Instalacyjny")}));
}

TEST(SetupQtUi, LeavingTheTargetWindowGivesNoTarget) {
  TempHome home;
  int checks = 0;
  auto check = [&](const std::string&) -> std::optional<plat::AnsiString> {
    ++checks;
    return std::nullopt;
  };
  // "&Wyjdź", and the window closed by Escape.
  const std::vector<ScriptedQtUi::Answer> leaving = {
      clicking("&Wyjdź"), [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }};
  for (const auto& answer : leaving) {
    ScriptedQtUi ui;
    ui.answers.push_back(answer);
    EXPECT_EQ(ui.askTarget(home / "olven/", check), std::nullopt);
  }
  EXPECT_EQ(checks, 0);
}

TEST(SetupQtUi, TheStatusWindowFollowsItsCalls) {
  ScriptedQtUi ui;
  ui.statusStep(cp("przed oknem"));  // no window yet: nothing happens
  EXPECT_EQ(ui.statusWindow(), nullptr);

  ui.statusShow(setupUi::Mode::Install, 4);
  swde::TfrmStatus* status = ui.statusWindow();
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->isVisible());
  // Mapped before the work goes on: the steps reach the screen.
  ASSERT_NE(status->windowHandle(), nullptr);
  EXPECT_TRUE(status->windowHandle()->isExposed());
  EXPECT_EQ(status->windowTitle(), u("Przebieg instalacji"));
  for (const char* step : {"Kopiowanie pliku olven", "Modyfikacja rejestru", "Tworzenie ikon"})
    ui.statusStep(cp(step));
  EXPECT_EQ(status->stepLabel()->text(), u("Tworzenie ikon"));
  EXPECT_EQ(status->bar()->value(), 50);
  ui.statusHide();
  EXPECT_FALSE(status->isVisible());

  // The uninstall's run in the same window, from the start.
  ui.statusShow(setupUi::Mode::Uninstall, 5);
  EXPECT_EQ(ui.statusWindow(), status);
  EXPECT_EQ(status->windowTitle(), u("Przebieg deinstalacji"));
  EXPECT_EQ(status->bar()->value(), 0);
  ui.statusStep(cp("Usuwanie plików"));
  EXPECT_EQ(status->stepLabel()->text(), u("Usuwanie plików"));
  ui.statusHide();
  EXPECT_TRUE(ui.titles.empty()) << "the status window is not modal";
}

TEST(SetupQtUi, EndWindowsAndMessageBoxes) {
  ScriptedQtUi ui;
  bool installEnd = false, uninstallEnd = false;
  ui.answers.push_back([&](QDialog& d) {
    installEnd = qobject_cast<swde::TfrmEnd*>(&d) != nullptr;
    clicking("&Wyjdź")(d);
  });
  ui.answers.push_back([&](QDialog& d) {
    uninstallEnd = qobject_cast<swde::TfrmEndDeinst*>(&d) != nullptr;
    clicking("&Wyjdź")(d);
  });
  ui.showInstallEnd();
  ui.showUninstallEnd();
  EXPECT_TRUE(installEnd);
  EXPECT_TRUE(uninstallEnd);

  const struct {
    setupUi::Icon icon;
    QMessageBox::Icon shown;
    const char* title;
    const char* text;
  } cases[] = {
      {setupUi::Icon::Error, QMessageBox::Critical, "Błąd instalacji",
       "Błąd kopiowania pliku /home/ł/olven/olven"},
      {setupUi::Icon::Warning, QMessageBox::Warning, "Błąd deinstalacji",
       "Error deleting file a\r\nError deleting folder"},
      {setupUi::Icon::Information, QMessageBox::Information, "Error!", "Error writing to Registry"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    int buttons = 0;
    bool hasIcon = false;
    ui.answers.push_back([&](QDialog& d) {
      auto* box = qobject_cast<QMessageBox*>(&d);
      ASSERT_NE(box, nullptr);
      icon = box->icon();
      text = box->text();
      buttons = static_cast<int>(box->buttons().size());
      hasIcon = !box->windowIcon().isNull();
      box->button(QMessageBox::Ok)->click();
    });
    ui.message(cp(c.title), cp(c.text), c.icon);
    EXPECT_EQ(ui.titles.back(), u(c.title));
    EXPECT_EQ(icon, c.shown);
    EXPECT_EQ(text, u(c.text));
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(hasIcon);
  }
}

}  // namespace
