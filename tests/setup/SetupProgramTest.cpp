// The program's entry: what the arguments ask for, and the refusals before
// any window (root, no display).
#include <gtest/gtest.h>

#include "SetupSupport.h"
#include "setup/setupProgram.h"

namespace setuptest {
namespace {

using swde::setupProgram;
using Action = setupProgram::Action;

TEST(SetupProgramTest, ArgumentsChooseTheAction) {
  struct Case {
    std::vector<const char*> args;
    Action action;
  } cases[] = {
      {{"olvenSetup"}, Action::Install},
      {{"olvenSetup", "-u"}, Action::Uninstall},
      {{"olvenSetup", "-u", "more"}, Action::Uninstall},
      {{"olvenSetup", "-U"}, Action::Nothing},
      {{"olvenSetup", "-u "}, Action::Nothing},
      {{"olvenSetup", "--u"}, Action::Nothing},
      {{"olvenSetup", "u"}, Action::Nothing},
      {{"olvenSetup", ""}, Action::Nothing},
      {{"olvenSetup", "/tmp/x"}, Action::Nothing},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = c.args;
    argv.push_back(nullptr);
    EXPECT_EQ(setupProgram::actionFor(static_cast<int>(c.args.size()), argv.data()), c.action)
        << (c.args.size() > 1 ? c.args[1] : "(none)");
  }
}

class SetupProgramRunTest : public SetupTest {
 protected:
  int run(Action action, ScriptUi* ui) {
    return setupProgram::run(action, platform_, ui, [this](const AnsiString& line) {
      err_.push_back(plat::cp1250ToUtf8(line));
    });
  }
  std::vector<std::string> err_;
};

TEST_F(SetupProgramRunTest, RootAndNoDisplayAreRefusedBeforeAnything) {
  makePayload();
  const std::string rootText =
      "Program instalacyjny należy uruchomić na koncie użytkownika, nie jako root.";
  const std::string noDisplay = "Brak ekranu graficznego: okna programu nie można otworzyć.";
  struct Case {
    Action action;
    bool root, withUi;
    int status;
    std::string err;  // "" when nothing is written
    bool box;
  } cases[] = {
      {Action::Nothing, false, true, 1, "", false},
      {Action::Nothing, true, true, 1, "", false},
      {Action::Install, true, true, 1, rootText, true},
      {Action::Uninstall, true, true, 1, rootText, true},
      {Action::Install, true, false, 1, rootText, false},
      {Action::Install, false, false, 2, noDisplay, false},
      {Action::Uninstall, false, false, 2, noDisplay, false},
  };
  const std::string before = treeDump(world_.path()) + registryDump();
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << static_cast<int>(c.action) << " root " << c.root << " ui " << c.withUi);
    platform_.root = c.root;
    err_.clear();
    ScriptUi ui;
    EXPECT_EQ(run(c.action, c.withUi ? &ui : nullptr), c.status);
    EXPECT_EQ(err_, c.err.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.err});
    ASSERT_EQ(ui.boxes.size(), c.box ? 1u : 0u);
    if (c.box) {
      EXPECT_EQ(ui.boxes[0].title, "Błąd instalacji");
      EXPECT_EQ(ui.boxes[0].text, rootText);
      EXPECT_EQ(ui.boxes[0].icon, setupUi::Icon::Error);
    }
    EXPECT_EQ(ui.firstAsked + ui.uninstallAsked + ui.targetAsked, 0);
  }
  EXPECT_EQ(treeDump(world_.path()) + registryDump(), before);
}

TEST_F(SetupProgramRunTest, InstallsAndUninstallsThroughTheUi) {
  makePayload();
  const std::string target = world_.path() + "/suite/";
  ScriptUi ui;
  ui.typed = {target};
  ASSERT_EQ(run(Action::Install, &ui), 0) << ui.boxText();
  EXPECT_TRUE(ui.installEnd);
  EXPECT_TRUE(exists(target + setupFiles::nameOf(setupFiles::Role::Program)));

  ScriptUi un;
  ASSERT_EQ(run(Action::Uninstall, &un), 0) << un.boxText();
  EXPECT_TRUE(un.uninstallEnd);
  EXPECT_FALSE(exists(target));
  EXPECT_TRUE(err_.empty());
}

}  // namespace
}  // namespace setuptest
