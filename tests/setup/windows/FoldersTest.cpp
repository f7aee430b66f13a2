// The target folder window: the tree of folders under the home folder with
// the initial target selected, a folder selected reaching the edit, the
// check refusing (window kept, refusal shown) and accepting (window closed,
// the text handed back as file-system bytes).
#include <gtest/gtest.h>

#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <string>
#include <vector>

#include "SetupWindowSupport.h"
#include "platform/CodePage.h"
#include "setup/TfrmFolders.h"

namespace {

namespace fs = std::filesystem;
using setupwintest::buttonsOf;
using setupwintest::click;
using setupwintest::labelsOf;
using setupwintest::TempHome;
using setupwintest::u;
using swde::TfrmFolders;

// A check that refuses every text but one, recording what it was given.
struct RecordingCheck {
  std::string accepted;
  std::vector<std::string> given;
  swde::setupUi::TargetCheck fn() {
    return [this](const std::string& text) -> std::optional<plat::AnsiString> {
      given.push_back(text);
      if (text == accepted) return std::nullopt;
      return plat::cp("Niepoprawny katalog docelowy: ") + plat::fileNameToCp1250(text);
    };
  }
};

TEST(SetupFolders, TextsButtonsAndTheInitialTargetSelectedInTheTree) {
  TempHome home;
  fs::create_directories(home / ".local/share/olven");
  fs::create_directories(home / "Dokumenty");
  const std::string initial = home / ".local/share/olven/";

  TfrmFolders form(initial, nullptr);
  form.show();
  EXPECT_EQ(form.windowTitle(), u("OLVEN Program Instalacyjny"));
  EXPECT_EQ(labelsOf(form),
            (QStringList{u("Wybierz katalog docelowy:"), u("Wybrany katalog docelowy:")}));
  EXPECT_EQ(buttonsOf(form), (QStringList{u("&Instaluj"), u("&Wyjdź")}));
  EXPECT_FALSE(form.windowIcon().isNull());

  // The tree starts at the home folder and holds folders only.
  EXPECT_EQ(form.model()->filePath(form.tree()->rootIndex()), QString::fromStdString(home.path()));
  EXPECT_FALSE(form.model()->filter().testFlag(QDir::Files));
  // The initial target: selected (its hidden parents opened), and the edit
  // keeps it as given, trailing "/" included.
  const QModelIndex current = form.tree()->currentIndex();
  ASSERT_TRUE(current.isValid());
  EXPECT_EQ(form.model()->filePath(current), QString::fromStdString(home / ".local/share/olven"));
  EXPECT_TRUE(form.tree()->isExpanded(current.parent()));
  EXPECT_EQ(form.edit()->text(), QString::fromStdString(initial));
}

TEST(SetupFolders, AnInitialTargetThatIsNoFolderOfTheTreeIsOnlyInTheEdit) {
  TempHome home;
  testsupport::TempFolder elsewhere("olvsetupelse");
  for (const std::string& initial :
       {home / "brak/olven/", elsewhere.path() + "/", std::string("wzgledny/"), std::string()}) {
    SCOPED_TRACE(initial);
    TfrmFolders form(initial, nullptr);
    form.show();
    EXPECT_FALSE(form.tree()->currentIndex().isValid());
    EXPECT_EQ(form.edit()->text(), QString::fromStdString(initial));
    EXPECT_EQ(form.editBytes(), initial);
  }
}

TEST(SetupFolders, AFolderClickedInTheTreeReachesTheEdit) {
  TempHome home;
  fs::create_directories(home / "Programy");
  fs::create_directories(home / "Zażółć");
  testsupport::writeFile(home / "plik.txt", "x");

  TfrmFolders form(home / ".local/share/olven/", nullptr);
  form.show();
  for (const std::string name : {"Programy", "Zażółć"}) {
    SCOPED_TRACE(name);
    const QModelIndex index = form.model()->index(QString::fromStdString(home / name));
    ASSERT_TRUE(index.isValid());
    const QRect rect = form.tree()->visualRect(index);
    ASSERT_FALSE(rect.isEmpty()) << "the folder is a row of the tree";
    QTest::mouseClick(form.tree()->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(form.edit()->text(), QString::fromStdString(home / name));
    // Handed on as the file system's bytes (UTF-8).
    EXPECT_EQ(form.editBytes(), home / name);
  }
}

TEST(SetupFolders, InstallPassesTheEditToTheCheckAndKeepsTheWindowOnARefusal) {
  TempHome home;
  const std::string initial = home / ".local/share/olven/";
  RecordingCheck check;
  check.accepted = home / "Programy/olven";
  std::vector<QString> refusals;

  TfrmFolders form(initial, check.fn());
  form.setRefusalShower([&](const QString& text) { refusals.push_back(text); });
  form.setResult(-1);

  // Refused: the initial text as given, then a relative one typed in.
  click(form.installButton());
  form.edit()->setText(u("wzgledny"));
  click(form.installButton());
  EXPECT_TRUE(form.isVisible()) << "a refusal keeps the window";
  EXPECT_EQ(form.result(), -1);
  EXPECT_FALSE(form.target().has_value());
  ASSERT_EQ(refusals.size(), 2u);
  EXPECT_EQ(refusals[0], u("Niepoprawny katalog docelowy: ") + QString::fromStdString(initial));
  EXPECT_EQ(refusals[1], u("Niepoprawny katalog docelowy: wzgledny"));

  // Accepted: closed, the text handed back as it was checked.
  form.edit()->setText(QString::fromStdString(check.accepted));
  click(form.installButton());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(form.target(), check.accepted);
  EXPECT_EQ(check.given, (std::vector<std::string>{initial, "wzgledny", check.accepted}));
  EXPECT_EQ(refusals.size(), 2u);
}

TEST(SetupFolders, ExitClosesWithoutATargetOrACheck) {
  TempHome home;
  RecordingCheck check;
  TfrmFolders form(home / "olven/", check.fn());
  form.setRefusalShower([](const QString&) { ADD_FAILURE() << "nothing to refuse"; });
  click(form.exitButton());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_FALSE(form.target().has_value());
  EXPECT_TRUE(check.given.empty());
}

TEST(SetupFolders, AnInitialTargetThatIsNotUtf8ReachesTheCheckUnchanged) {
  // Bytes the edit cannot show as they are: while the shown text stays, the
  // check gets the bytes themselves, so that its refusal names them.
  TempHome home;
  const std::string initial = home.path() + "/\xff\xfeolven/";
  RecordingCheck check;
  TfrmFolders form(initial, check.fn());
  form.setRefusalShower([](const QString&) {});
  click(form.installButton());
  ASSERT_EQ(check.given.size(), 1u);
  EXPECT_EQ(check.given[0], initial);
}

}  // namespace
