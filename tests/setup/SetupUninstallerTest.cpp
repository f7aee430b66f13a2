// The uninstall: what it removes and what it leaves, each failure told and
// finished by another uninstall.
#include <gtest/gtest.h>
#include <unistd.h>

#include "SetupSupport.h"
#include "setup/setupMenu.h"

namespace setuptest {
namespace {

using Role = setupFiles::Role;

class SetupUninstallerTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    makePayload();
    target_ = world_.path() + "/suite/";
    ASSERT_NO_FATAL_FAILURE(seedKeysThatStay());
    registryBefore_ = registryDump();
  }
  bool allTableFilesGone() const {
    for (const setupFiles::Entry& file : setupFiles::all())
      if (exists(target_ + file.name)) return false;
    return true;
  }
  bool allTableFilesThere() const {
    for (const setupFiles::Entry& file : setupFiles::all())
      if (!exists(target_ + file.name)) return false;
    return true;
  }
  void expectAllGone() {
    EXPECT_FALSE(exists(target_));
    EXPECT_FALSE(exists(menuFolder()));
    EXPECT_TRUE(exists(home() + "/.local/share/applications"));
    EXPECT_FALSE(record());
    EXPECT_EQ(registryDump(), registryBefore_);
  }

  std::string target_;
  std::string registryBefore_;
};

TEST_F(SetupUninstallerTest, RemovesEverythingItInstalledAndNothingElse) {
  const std::string treeBefore = treeDump(home());
  installInto(target_);
  ScriptUi ui;
  ASSERT_EQ(uninstall(ui), 0) << ui.boxText();
  EXPECT_TRUE(ui.uninstallEnd);
  EXPECT_EQ(ui.statusMode, setupUi::Mode::Uninstall);
  EXPECT_EQ(ui.steps, (std::vector<std::string>{"Usuwanie wpisów w rejestrach",
                                                "Deinstalacja komponentów", "Usuwanie plików",
                                                "Usuwanie plików", "Usuwanie wpisów w menu"}));
  EXPECT_EQ(ui.bar, (std::vector<int>{0, 20, 40, 60, 80}));
  EXPECT_EQ(FakeLoader::unregistered, 1);
  expectAllGone();
  // The data folder the menu made stays (it may hold others' entries).
  EXPECT_NE(treeDump(home()), treeBefore);
}

TEST_F(SetupUninstallerTest, DecliningOrMissingRecordRemovesNothing) {
  struct Case {
    const char* what;
    bool answer;
    std::function<void()> arrange;
    int status;
    std::string box;
  } cases[] = {
      {"No", false, [] {}, 0, ""},
      {"no record", true,
       [] {
         plat::TRegistryBatch batch(plat::HKEY_LOCAL_MACHINE);
         batch.DeleteKey(swde::setupRecord::kKey);
         batch.Commit();
       },
       2, "Error opening Registry key"},
      {"no InstallDir", true,
       [] {
         plat::TRegistryBatch batch(plat::HKEY_LOCAL_MACHINE);
         batch.DeleteValue(swde::setupRecord::kKey, "InstallDir");
         batch.Commit();
       },
       2, "Error reading from Registry"},
      {"relative InstallDir", true,
       [] {
         plat::TRegistryBatch batch(plat::HKEY_LOCAL_MACHINE);
         batch.WriteString(swde::setupRecord::kKey, "InstallDir", "suite/");
         batch.Commit();
       },
       2, "Error reading from Registry"},
      {"root as InstallDir", true,
       [] {
         plat::TRegistryBatch batch(plat::HKEY_LOCAL_MACHINE);
         batch.WriteString(swde::setupRecord::kKey, "InstallDir", "/./");
         batch.Commit();
       },
       2, "Error reading from Registry"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      plat::TRegistryBatch batch(plat::HKEY_LOCAL_MACHINE);
      batch.DeleteKey(swde::setupRecord::kKey);
      batch.Commit();
    }
    installInto(target_);
    c.arrange();
    const std::string before = treeDump(world_.path()) + registryDump();
    ScriptUi ui;
    ui.uninstallAnswer = c.answer;
    EXPECT_EQ(uninstall(ui), c.status);
    EXPECT_EQ(ui.boxText(), c.box);
    if (!c.box.empty()) {
      EXPECT_EQ(ui.boxes[0].title, "Błąd deinstalacji");
    }
    EXPECT_FALSE(ui.statusMode.has_value());
    EXPECT_EQ(FakeLoader::unregistered, 0);
    EXPECT_EQ(treeDump(world_.path()) + registryDump(), before);
  }
}

TEST_F(SetupUninstallerTest, LeftoversAndGapsAreHandled) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::vector<std::string> stays;  // relative to the target; the folders with them stay
  } cases[] = {
      {"a file already gone",
       [&] { fs::remove(target_ + setupFiles::nameOf(Role::Metadata)); },
       {}},
      {"the component's library already gone",
       [&] { fs::remove(target_ + setupFiles::nameOf(Role::Component)); },
       {}},
      {"the menu folder already gone", [&] { fs::remove_all(menuFolder()); }, {}},
      {"a foreign file in the folder and in the help",
       [&] {
         testsupport::writeFile(target_ + "notes.txt", "mine");
         testsupport::writeFile(target_ + "pomoc/mine.html", "mine");
       },
       {"notes.txt", "pomoc/mine.html"}},
      {"temporary files of a killed copy",
       [&] {
         testsupport::writeFile(target_ + ".olven.a1B2c3.$$$", "partial");
         testsupport::writeFile(target_ + "pomoc/.index.html.x9Y8z7.$$$", "partial");
       },
       {}},
      {"a folder and a link named like temporary files",
       [&] {
         fs::create_directory(target_ + "kept.$$$");
         fs::create_symlink(home(), target_ + "link.$$$");
       },
       {"kept.$$$", "link.$$$"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    installInto(target_);
    c.arrange();
    ScriptUi ui;
    EXPECT_EQ(uninstall(ui), 0) << ui.boxText();
    EXPECT_TRUE(ui.uninstallEnd);
    EXPECT_TRUE(allTableFilesGone());
    EXPECT_FALSE(record());
    EXPECT_FALSE(exists(menuFolder()));
    EXPECT_TRUE(exists(home()));
    for (const std::string& name : c.stays) EXPECT_TRUE(exists(target_ + name)) << name;
    if (c.stays.empty()) {
      EXPECT_FALSE(exists(target_));
    }
    EXPECT_EQ(registryDump(), registryBefore_);
    std::error_code ec;
    fs::remove_all(target_, ec);
  }
}

TEST_F(SetupUninstallerTest, FailuresAreToldTogetherAndASecondUninstallFinishes) {
  struct Case {
    const char* what;
    std::function<void()> fault, mend;
    std::string box;
    bool filesStay;
  } cases[] = {
      {"a file that cannot be deleted",
       [&] { platform_.undeletable = target_ + setupFiles::nameOf(Role::Program); },
       [&] { platform_.undeletable.clear(); },
       "Error deleting file " + target_ + setupFiles::nameOf(Role::Program), false},
      {"a failing unregistration", [] { FakeLoader::unregisterResult = plat::E_UNEXPECTED; },
       [] { FakeLoader::unregisterResult = 0; },
       "Błąd rejestracji " + target_ + setupFiles::nameOf(Role::Component) + " (0x8000FFFF)", true},
      {"two failures at once",
       [&] {
         platform_.undeletable = menuFolder() + swde::setupMenu::fileNames().front();
         FakeLoader::unregisterResult = plat::E_FAIL;
       },
       [&] {
         platform_.undeletable.clear();
         FakeLoader::unregisterResult = 0;
       },
       "Błąd rejestracji " + target_ + setupFiles::nameOf(Role::Component) +
           " (0x80004005)\nError deleting file " + menuFolder() +
           swde::setupMenu::fileNames().front(),
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    installInto(target_);
    c.fault();
    ScriptUi ui;
    EXPECT_EQ(uninstall(ui), 2);
    EXPECT_FALSE(ui.uninstallEnd);
    EXPECT_FALSE(ui.statusVisible);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Błąd deinstalacji");
    EXPECT_EQ(ui.boxes[0].text, c.box);
    // Every step ran; the record stays for the next uninstall.
    EXPECT_EQ(ui.steps.size(), 5u);
    ASSERT_TRUE(record());
    if (c.filesStay)
      EXPECT_TRUE(allTableFilesThere());
    else
      EXPECT_EQ(exists(target_ + setupFiles::nameOf(Role::Metadata)), false);

    c.mend();
    ScriptUi again;
    EXPECT_EQ(uninstall(again), 0) << again.boxText();
    EXPECT_TRUE(again.uninstallEnd);
    expectAllGone();
  }
}

}  // namespace
}  // namespace setuptest
