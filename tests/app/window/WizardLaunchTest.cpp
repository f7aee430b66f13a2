// The main window's wizard command starts the built olvenWizzard from the
// program's folder as a process of its own, which the window does not wait
// for. The test finds the new child by its executable, ends it, and sees it
// reaped: no zombie and no stray process is left behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QAction>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "WindowSupport.h"

namespace {

namespace fs = std::filesystem;
using windowtest::WindowTest;

// The children of this process that /proc shows now.
std::set<pid_t> children() {
  std::set<pid_t> out;
  const pid_t self = ::getpid();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // pid (comm) state ppid ...: comm may hold blanks, so read after its ')'.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 1));
    char state = 0;
    pid_t ppid = 0;
    if (rest >> state >> ppid && ppid == self) out.insert(static_cast<pid_t>(std::stoi(name)));
  }
  return out;
}

std::string exeOf(pid_t pid) {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
  return ec ? std::string() : exe.string();
}

TEST_F(WindowTest, TheWizardCommandStartsTheBuiltWizard) {
  const fs::path wizard = fs::canonical(OLV_WIZARD);
  swde::TMainForm& w = make(wizard.parent_path().string() + "/");
  const std::set<pid_t> before = children();
  w.findChild<QAction*>(QStringLiteral("actWizard"))->trigger();
  EXPECT_TRUE(prompts.errors.empty());

  std::vector<pid_t> started;
  for (const pid_t pid : children())
    if (!before.count(pid)) started.push_back(pid);
  ASSERT_EQ(started.size(), 1u);
  const pid_t pid = started[0];
  // The spawn returns once the program has replaced the child.
  EXPECT_EQ(exeOf(pid), wizard.string());

  // Ended by the test; the window's reaper collects it. Only a reaper that
  // never comes makes the loop run out.
  ASSERT_EQ(::kill(pid, SIGKILL), 0);
  const fs::path proc = "/proc/" + std::to_string(pid);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (fs::exists(proc) && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_FALSE(fs::exists(proc)) << "the wizard was not reaped";
  // Nothing else was started (children of earlier tests may have ended).
  for (const pid_t child : children()) EXPECT_TRUE(before.count(child)) << child;
}

}  // namespace
