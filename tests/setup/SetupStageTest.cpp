// The stage as the build makes it: its payload is the name table, and an
// install from it into a folder with a blank gives a suite that runs on its
// own, which the uninstall then removes without a trace.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <set>

#include "SetupSupport.h"
#include "setup/setupMenu.h"
#include "setup/setupProgram.h"

extern char** environ;

namespace setuptest {
namespace {

using Role = setupFiles::Role;
using swde::setupProgram;

const std::string kStage = OLV_STAGE;

// Regular files below folder, relative to it.
std::set<std::string> filesBelow(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
       it.increment(ec))
    if (!it->is_directory()) names.insert(fs::relative(it->path(), folder).string());
  return names;
}

std::string commandOutput(const std::string& command) {
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return "cannot run " + command;
  std::string out;
  char buffer[4096];
  while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

TEST(SetupStageTest, PayloadIsTheNameTableBothWays) {
  std::set<std::string> table;
  for (const setupFiles::Entry& file : setupFiles::all())
    EXPECT_TRUE(table.insert(file.name).second) << "twice: " << file.name;
  EXPECT_EQ(filesBelow(kStage + "/runimage"), table);
  const std::string setup = setupFiles::nameOf(Role::Setup);
  EXPECT_EQ(filesBelow(kStage), [&] {
    std::set<std::string> all{setup};
    for (const std::string& name : table) all.insert("runimage/" + name);
    return all;
  }());
  // Every role the install, the registration and the entries use is there.
  for (const Role role : {Role::Program, Role::Wizard, Role::Setup, Role::Component, Role::Proxy,
                          Role::Metadata, Role::Templates, Role::HelpIndex, Role::Icon})
    EXPECT_FALSE(setupFiles::nameOf(role).empty()) << static_cast<int>(role);
  // The staged olvenSetup finds the payload's libraries below it.
  const std::string dynamic = commandOutput("readelf -d '" + kStage + "/" + setup + "'");
  EXPECT_NE(dynamic.find("[$ORIGIN:$ORIGIN/runimage]"), std::string::npos) << dynamic;
}

class SetupEndToEndTest : public SetupTest {
 protected:
  int run(setupProgram::Action action, ScriptUi& ui) {
    return setupProgram::run(action, platform_, &ui, [](const AnsiString& line) {
      ADD_FAILURE() << plat::cp1250ToUtf8(line);
    });
  }
  struct Result {
    int status = -1;
    std::string out;  // standard output and error
  };
  // An installed program run in the work folder, with the test's registry
  // and nothing that would lead it to the build tree's libraries.
  Result runInstalled(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = {"LC_ALL=C.UTF-8", "TMPDIR=" + world_.path()};
    for (char** e = environ; *e; ++e) {
      const std::string v = *e;
      if (v.rfind("LC_", 0) != 0 && v.rfind("LANG", 0) != 0 && v.rfind("TMPDIR=", 0) != 0 &&
          v.rfind("LD_LIBRARY_PATH=", 0) != 0)
        env.push_back(v);
    }
    std::vector<char*> envp;
    for (std::string& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    const std::string output = world_.path() + "/output.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addchdir_np(&actions, work_.c_str());
    Result result;
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
      int status = 0;
      if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = testsupport::readFile(output);
    return result;
  }
  std::string work_;
};

TEST_F(SetupEndToEndTest, InstallFromTheStageRunsAndUninstallLeavesNothing) {
  ASSERT_NO_FATAL_FAILURE(seedKeysThatStay());
  const std::string registryBefore = registryDump();
  const std::string homeBefore = treeDump(home());
  platform_.realLoader = true;
  platform_.program = kStage + "/" + setupFiles::nameOf(Role::Setup);
  const std::string parent = world_.path() + "/Moje programy";
  const std::string target = parent + "/olven/";
  work_ = world_.path() + "/work";
  fs::create_directories(work_);
  fs::copy_file(std::string(OLV_SAMPLES) + "/przyklad.swd", work_ + "/przyklad.swd");

  ScriptUi ui;
  ui.typed = {target};
  ASSERT_EQ(run(setupProgram::Action::Install, ui), 0) << ui.boxText();
  ASSERT_TRUE(ui.installEnd);
  for (const std::string& name : swde::setupMenu::fileNames())
    EXPECT_TRUE(exists(menuFolder() + name)) << name;

  // The installed programs and the component find nothing in the build tree.
  const std::string build = fs::path(kStage).parent_path().string() + "/";
  for (const Role role : {Role::Program, Role::Wizard, Role::Setup, Role::Component}) {
    const std::string file = target + setupFiles::nameOf(role);
    const std::string libraries = commandOutput("env -u LD_LIBRARY_PATH ldd '" + file + "'");
    SCOPED_TRACE(file + "\n" + libraries);
    EXPECT_NE(libraries.find(target), std::string::npos);
    EXPECT_EQ(libraries.find(build), std::string::npos);
    EXPECT_EQ(libraries.find("not found"), std::string::npos);
  }
  const std::string olven = target + setupFiles::nameOf(Role::Program);
  const Result check = runInstalled(olven, {"sk", "-pwe", "przyklad.swd"});
  EXPECT_EQ(check.status, 0) << check.out;
  EXPECT_NE(check.out.find("Sumaryczna liczba błędów    : 0"), std::string::npos) << check.out;
  // The authorization writes its document from the templates the install merged.
  const Result ga = runInstalled(olven, {"ga", "-pwe", "przyklad.swd", "-pwy", "przyklad_crc.swd"});
  EXPECT_EQ(ga.status, 0) << ga.out;
  const std::string document = testsupport::readFile(work_ + "/przyklad_crc.swd.aut.rtf");
  EXPECT_EQ(document.rfind("{\\rtf1", 0), 0u) << document.substr(0, 200);

  // The uninstall, as the entry starts it: the installed olvenSetup.
  platform_.program = target + setupFiles::nameOf(Role::Setup);
  ScriptUi un;
  ASSERT_EQ(run(setupProgram::Action::Uninstall, un), 0) << un.boxText();
  EXPECT_TRUE(un.uninstallEnd);
  EXPECT_FALSE(exists(target));
  EXPECT_TRUE(exists(parent));
  EXPECT_FALSE(exists(menuFolder()));
  EXPECT_EQ(registryDump(), registryBefore);
  // The home holds only the data folders the menu made, emptied.
  EXPECT_EQ(filesBelow(home()), std::set<std::string>{});
  (void)homeBefore;
}

}  // namespace
}  // namespace setuptest
