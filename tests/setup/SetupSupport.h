// What the installer's tests share: a scripted user interface, a platform
// with the process's facts and faults of the test's choosing, and a scratch
// world of their own (registry, home, data folder, a payload beside a
// pretended olvenSetup), with dumps of its files and of its registry.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Com.h"
#include "platform/Registry.h"
#include "setup/setupFiles.h"
#include "setup/setupPlatform.h"
#include "setup/setupRecord.h"
#include "setup/setupUi.h"
#include "support/Files.h"

namespace setuptest {

namespace fs = std::filesystem;
using plat::AnsiString;
using swde::setupFiles;
using swde::setupUi;

// What the user answers, and what the program showed.
class ScriptUi : public setupUi {
 public:
  bool firstAnswer = true;
  bool uninstallAnswer = true;
  // The texts typed into the target window, one per "&Instaluj"; when they
  // are used up, the window is left with "&Wyjdź". Empty: the initial one.
  std::deque<std::optional<std::string>> typed{std::nullopt};

  // What was shown.
  int firstAsked = 0, uninstallAsked = 0, targetAsked = 0;
  std::string initial;                // the target window's start
  std::vector<std::string> refusals;  // UTF-8
  std::vector<std::string> steps;     // UTF-8
  std::vector<int> bar;               // the bar's value at each step
  std::optional<Mode> statusMode;
  int statusTotal = 0;
  bool statusVisible = false;
  bool installEnd = false, uninstallEnd = false;
  struct Box {
    std::string title, text;  // UTF-8
    Icon icon;
  };
  std::vector<Box> boxes;

  bool askFirstQuestion() override {
    ++firstAsked;
    return firstAnswer;
  }
  std::optional<std::string> askTarget(const std::string& start,
                                       const TargetCheck& check) override {
    ++targetAsked;
    initial = start;
    while (!typed.empty()) {
      const std::string text = typed.front().value_or(start);
      typed.pop_front();
      if (const std::optional<AnsiString> refusal = check(text))
        refusals.push_back(plat::cp1250ToUtf8(*refusal));
      else
        return text;
    }
    return std::nullopt;
  }
  bool askUninstallQuestion() override {
    ++uninstallAsked;
    return uninstallAnswer;
  }
  void statusShow(Mode mode, int total) override {
    statusMode = mode;
    statusTotal = total;
    statusVisible = true;
    steps.clear();
    bar.clear();
  }
  void statusStep(const AnsiString& text) override {
    EXPECT_TRUE(statusVisible) << "a step without the status window";
    bar.push_back(std::min(100, static_cast<int>(steps.size() * 100 / std::max(1, statusTotal))));
    steps.push_back(plat::cp1250ToUtf8(text));
  }
  void statusHide() override { statusVisible = false; }
  void showInstallEnd() override { installEnd = true; }
  void showUninstallEnd() override { uninstallEnd = true; }
  void message(const AnsiString& title, const AnsiString& text, Icon icon) override {
    boxes.push_back({plat::cp1250ToUtf8(title), plat::cp1250ToUtf8(text), icon});
  }

  // The one message box's text, "" when none was shown (more than one fails).
  std::string boxText() const {
    EXPECT_LE(boxes.size(), 1u);
    return boxes.empty() ? std::string() : boxes.back().text;
  }
};

// A component's registration entry points, for a payload whose component is
// not a real library.
struct FakeLoader {
  static inline plat::HRESULT registerResult = 0;
  static inline plat::HRESULT unregisterResult = 0;
  static inline int registered = 0, unregistered = 0;
  static plat::HRESULT doRegister() {
    ++registered;
    return registerResult;
  }
  static plat::HRESULT doUnregister() {
    ++unregistered;
    return unregisterResult;
  }
  static void reset() {
    registerResult = unregisterResult = 0;
    registered = unregistered = 0;
  }
};

// The platform of the tests: the real files, registry and loader, with the
// process's facts given by the test, and faults where it asks.
class TestPlatform : public swde::setupPlatform {
 public:
  bool root = false;
  std::map<std::string, std::string> env;
  std::string program;  // the pretended olvenSetup
  bool realLoader = false;
  // Reads of a source whose path ends so fail (EIO) after its first block.
  std::string failingRead;
  // Deleting this path fails with EACCES.
  std::string undeletable;

  bool isRoot() override { return root; }
  std::optional<std::string> environment(const std::string& name) override {
    const auto it = env.find(name);
    if (it == env.end()) return std::nullopt;
    return it->second;
  }
  std::string programFile() override { return program; }

  int openForReading(const std::string& path, struct ::stat& st) override {
    const int fd = setupPlatform::openForReading(path, st);
    const bool failing =
        !failingRead.empty() && path.size() >= failingRead.size() &&
        path.compare(path.size() - failingRead.size(), failingRead.size(), failingRead) == 0;
    if (fd >= 0 && failing) failingFd_ = fd;
    return fd;
  }
  long long readSome(int fd, char* buffer, std::size_t size) override {
    if (fd == failingFd_ && readsOfFailing_++ > 0) {
      errno = EIO;
      return -1;
    }
    return setupPlatform::readSome(fd, buffer, size);
  }
  int closeFile(int fd) override {
    if (fd == failingFd_) failingFd_ = -1, readsOfFailing_ = 0;
    return setupPlatform::closeFile(fd);
  }
  int removeFile(const std::string& path) override {
    if (path == undeletable) {
      errno = EACCES;
      return -1;
    }
    return setupPlatform::removeFile(path);
  }
  void* loadLibrary(const std::string& path, std::string& error) override {
    if (realLoader) return setupPlatform::loadLibrary(path, error);
    if (!isRegularFile(path)) {
      error = path + ": cannot open shared object file";
      return nullptr;
    }
    return this;
  }
  void* findFunction(void* library, const char* name) override {
    if (realLoader) return setupPlatform::findFunction(library, name);
    if (std::string(name) == "DllRegisterServer")
      return reinterpret_cast<void*>(&FakeLoader::doRegister);
    if (std::string(name) == "DllUnregisterServer")
      return reinterpret_cast<void*>(&FakeLoader::doUnregister);
    return nullptr;
  }

 private:
  int failingFd_ = -1;
  int readsOfFailing_ = 0;
};

// Every key and value of the three hives, one line each, in a stable order.
std::string registryDump();

// Every file and folder below root with its mode, and each file's content.
std::string treeDump(const std::string& root);

// Keys the uninstall must leave: a foreign key and the main window's
// settings under the suite's own key.
void seedKeysThatStay();

// A world of the test's own: $OLVEN_REGISTRY, a home and a payload beside a
// pretended olvenSetup; the platform sees HOME (and no XDG_DATA_HOME unless
// the test sets it).
class SetupTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A payload holding every file of the name table (the content names the
  // file, the programs executable); the component is not a real library
  // unless a test puts one there.
  void makePayload();
  std::string payload() const { return stage_ + "/runimage/"; }
  std::string home() const { return world_.path() + "/home"; }
  // The default target.
  std::string defaultTarget() const { return home() + "/.local/share/olven/"; }
  std::string menuFolder() const { return home() + "/.local/share/applications/olven/"; }

  // Installs with the platform and the UI; the status.
  int install(ScriptUi& ui);
  int uninstall(ScriptUi& ui);
  // An install into target, answered Yes everywhere; fails the test unless
  // it ends well.
  void installInto(const std::string& target);

  std::optional<swde::setupRecord> record() const { return swde::setupRecord::read(); }
  static bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
  }

  testsupport::TempFolder world_{"olvsetup"};
  std::string stage_;
  TestPlatform platform_;

 private:
  std::optional<std::string> savedRegistry_;
};

}  // namespace setuptest
