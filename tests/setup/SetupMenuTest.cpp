// The menu entries: what they hold, that the desktop tools accept them, and
// where they go (or that they do not, without a home).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "SetupSupport.h"
#include "setup/setupMenu.h"

namespace setuptest {
namespace {

using Role = setupFiles::Role;
using swde::setupMenu;

// desktop-file-validate's verdict on a file: its output, "" when clean.
std::string validate(const std::string& path) {
  const std::string command = std::string(OLV_DESKTOP_FILE_VALIDATE) + " '" + path + "' 2>&1";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return "cannot run " + command;
  std::string out;
  char buffer[512];
  while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  const int status = ::pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    out += " (status " + std::to_string(status) + ")";
  return out;
}

class SetupMenuTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    makePayload();
  }
};

TEST_F(SetupMenuTest, EntriesForATargetWithABlankAreValidAndStartTheInstalledFiles) {
  const std::string target = world_.path() + "/Moje programy/olven/";
  installInto(target);
  const std::string folder = menuFolder();
  const std::vector<std::string> names = setupMenu::fileNames();
  ASSERT_EQ(names.size(), 4u);
  struct Expected {
    Role role;
    std::string name, comment, exec;
  } expected[] = {
      {Role::Program, "OLVEN", "Uruchamia program OLVEN",
       "\"" + target + setupFiles::nameOf(Role::Program) + "\""},
      {Role::HelpIndex, "OLVEN Pomoc", "Pomoc do programu OLVEN",
       "xdg-open \"" + target + setupFiles::nameOf(Role::HelpIndex) + "\""},
      {Role::Wizard, "OLVEN Kreator pliku poleceń", "Kreator pliku poleceń",
       "\"" + target + setupFiles::nameOf(Role::Wizard) + "\""},
      {Role::Setup, "OLVEN Usuwanie oprogramowania", "Usuwa program OLVEN",
       "\"" + target + setupFiles::nameOf(Role::Setup) + "\" -u"},
  };
  for (std::size_t i = 0; i < 4; ++i) {
    const std::string path = folder + names[i];
    SCOPED_TRACE(path);
    const std::string text = testsupport::readFile(path);
    EXPECT_EQ(text, "[Desktop Entry]\nType=Application\nName=" + expected[i].name + "\nComment=" +
                        expected[i].comment + "\nExec=" + expected[i].exec + "\nIcon=" + target +
                        setupFiles::nameOf(Role::Icon) + "\nTerminal=false\nCategories=Utility;\n");
    struct ::stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(validate(path), "");
  }
  // The program's entry is named after it, the help's after its folder.
  EXPECT_EQ(names[0], setupFiles::nameOf(Role::Program) + ".desktop");
  EXPECT_EQ(names[3], "usun.desktop");
  // Nothing else in the folder: no temporary file is left.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 4);
}

TEST_F(SetupMenuTest, EntriesGoToTheDataFolderAndNowhereWithoutAHome) {
  struct Case {
    std::optional<std::string> home, xdg;
    std::string folder;  // "" : none
  } cases[] = {
      {home(), std::nullopt, home() + "/.local/share/applications/olven/"},
      {home(), world_.path() + "/data", world_.path() + "/data/applications/olven/"},
      {home(), "not/absolute", home() + "/.local/share/applications/olven/"},
      {std::nullopt, std::nullopt, ""},
      {"", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.home.value_or("(no home)") + " " + c.xdg.value_or("(no xdg)"));
    std::error_code ec;
    fs::remove_all(world_.path() + "/registry", ec);
    fs::remove_all(world_.path() + "/suite", ec);
    fs::remove_all(world_.path() + "/data", ec);
    fs::remove_all(home() + "/.local", ec);
    platform_.env.clear();
    if (c.home) platform_.env["HOME"] = *c.home;
    if (c.xdg) platform_.env["XDG_DATA_HOME"] = *c.xdg;
    installInto(world_.path() + "/suite/");
    ASSERT_TRUE(record());
    EXPECT_EQ(record()->menuDir, c.folder);
    if (c.folder.empty()) {
      EXPECT_FALSE(exists(home() + "/.local"));
    } else {
      for (const std::string& name : setupMenu::fileNames())
        EXPECT_TRUE(exists(c.folder + name)) << name;
    }
  }
}

}  // namespace
}  // namespace setuptest
