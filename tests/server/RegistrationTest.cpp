// The component server's registration and activation against a registry
// that others change at the same time: lookups read one snapshot of the
// hive, CurVer chains end, and a registration reaches the hive whole or not
// at all, even when its writer is killed on the way.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/Activation.h"
#include "platform/Registry.h"
#include "reader/ReaderIds.h"
#include "server/ServerSupport.h"
#include "support/FileSizeLimit.h"
#include "support/Files.h"

using namespace plat;
using servertest::ComPtr;
using servertest::takeErrorDescription;

namespace {

const std::string kClsid = "{0BC21EB4-FA0F-42D5-9FAA-40ED0983E38A}";
const std::string kAppId = "{FC2B7620-8EA4-4C8F-BAB6-546C9696C729}";
const std::string kLibId = "{CFBCD852-4AF9-461C-9489-1D2925784002}";

// Every HKCR key that DllRegisterServer writes.
const std::vector<std::string> kRegisteredKeys = {
    "TypeLib\\" + kLibId + "\\1.0",
    "TypeLib\\" + kLibId + "\\1.0\\0\\linux",
    "TypeLib\\" + kLibId + "\\1.0\\FLAGS",
    "TypeLib\\" + kLibId + "\\1.0\\HELPDIR",
    "CLSID\\" + kClsid,
    "CLSID\\" + kClsid + "\\InprocServer32",
    "CLSID\\" + kClsid + "\\ProgID",
    "CLSID\\" + kClsid + "\\VersionIndependentProgID",
    "OLVENLIB.PlikSW.1",
    "OLVENLIB.PlikSW.1\\CLSID",
    "OLVENLIB.PlikSW",
    "OLVENLIB.PlikSW\\CLSID",
    "OLVENLIB.PlikSW\\CurVer",
    "AppID\\" + kAppId,
};

// How many of keys stand as sections in the text of an HKCR hive.
std::size_t sectionsPresent(const std::string& hive, const std::vector<std::string>& keys) {
  std::size_t n = 0;
  for (const std::string& key : keys)
    if (hive.find("[HKEY_CLASSES_ROOT\\" + key + "]\n") != std::string::npos) ++n;
  return n;
}

// Counts the opens of one file by anybody, from the moment it is made.
class OpenCounter {
 public:
  explicit OpenCounter(const std::string& path) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    // Closes are watched too, so that two opens never stand next to each
    // other in the queue, where the system would merge them into one event.
    ok_ = fd_ >= 0 && ::inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_CLOSE_NOWRITE) >= 0;
  }
  ~OpenCounter() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenCounter(const OpenCounter&) = delete;
  OpenCounter& operator=(const OpenCounter&) = delete;

  bool ok() const { return ok_; }
  // Opens since the last call.
  int take() {
    alignas(inotify_event) char buf[4096];
    int opens = 0;
    for (;;) {
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0) break;
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
        if (e->mask & IN_OPEN) ++opens;
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      }
    }
    return opens;
  }

 private:
  int fd_;
  bool ok_ = false;
};

// The built server with a registry of the test's own.
class Registration : public servertest::RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    void* lib = servertest::loadLibrary(OLV_OLVENLIB);
    ASSERT_NE(lib, nullptr);
    register_ = servertest::entry<DllRegisterServerFunc>(lib, "DllRegisterServer");
    unregister_ = servertest::entry<DllUnregisterServerFunc>(lib, "DllUnregisterServer");
    ASSERT_TRUE(register_ && unregister_);
  }

  std::string hivePath() const { return folder_ + "/HKEY_CLASSES_ROOT.reg"; }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder_))
      names.insert(e.path().filename().string());
    return names;
  }
  // Applies a registry script written to the test's registry folder's side.
  void import(const std::string& text) {
    const std::string path = folder_ + ".script.reg";
    testsupport::writeFile(path, text);
    std::string error;
    EXPECT_TRUE(ImportRegistryScript(path, &error)) << error;
    std::remove(path.c_str());
  }

  DllRegisterServerFunc register_ = nullptr;
  DllUnregisterServerFunc unregister_ = nullptr;
};

std::string chainClsid(int i) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "{00000000-0000-0000-0000-%012X}", static_cast<unsigned>(i));
  return buf;
}

// ProgIDs name.0 ... name.<steps>, each with its CLSID, each but the last
// with a CurVer naming the next; the last one's CurVer names lastCurVer
// when it is given.
std::string chainScript(const std::string& name, int steps, const std::string& lastCurVer = "") {
  std::string s;
  for (int i = 0; i <= steps; ++i) {
    const std::string progId = name + "." + std::to_string(i);
    s += "[HKCR\\" + progId + "\\CLSID]\n@=\"" + chainClsid(i) + "\"\n";
    const std::string next = i < steps ? name + "." + std::to_string(i + 1) : lastCurVer;
    if (!next.empty()) s += "[HKCR\\" + progId + "\\CurVer]\n@=\"" + next + "\"\n";
  }
  return s;
}

TEST_F(Registration, CurVerChainsAreFollowedAtMostSixteenSteps) {
  import("REGEDIT4\n" + chainScript("Szesnascie", 16) + chainScript("Siedemnascie", 17) +
         chainScript("DoBrakujacego", 16, "Nie.Ma.Takiego"));
  const struct Case {
    std::string progId;
    HRESULT hr;
    std::string clsid;
  } cases[] = {
      {"Szesnascie.0", S_OK, chainClsid(16)},
      {"Szesnascie.1", S_OK, chainClsid(16)},
      {"Siedemnascie.0", CO_E_CLASSSTRING, ""},
      {"Siedemnascie.1", S_OK, chainClsid(17)},  // 16 steps from here
      // A CurVer naming a ProgID that is not there is no step.
      {"DoBrakujacego.0", S_OK, chainClsid(16)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.progId);
    CLSID clsid = IID_NULL;
    EXPECT_EQ(CLSIDFromProgID(c.progId, &clsid), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(guidToString(clsid), c.clsid);
    }
  }
}

// A lookup opens the hive once, however many keys it reads there.
TEST_F(Registration, LookupsReadTheHiveOnce) {
  ASSERT_EQ(register_(), S_OK) << takeErrorDescription();
  import("REGEDIT4\n" + chainScript("Lancuch", 16));
  OpenCounter opens(hivePath());
  if (!opens.ok()) GTEST_SKIP() << "no inotify here";

  CLSID clsid = IID_NULL;
  ASSERT_EQ(CLSIDFromProgID("Lancuch.0", &clsid), S_OK);
  EXPECT_EQ(guidToString(clsid), chainClsid(16));
  EXPECT_EQ(opens.take(), 1);
  ASSERT_EQ(CLSIDFromProgID("OLVENLIB.PlikSW", &clsid), S_OK);
  EXPECT_EQ(opens.take(), 1);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, IID_IClassFactory, factory.outVoid()),
            S_OK);
  EXPECT_EQ(opens.take(), 1);
  EXPECT_EQ(CLSIDFromProgID("Nie.Ma.Takiego", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(opens.take(), 1);
}

// True once the other end of the pipe is closed; never waits.
bool closed(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

// Writer processes register and unregister the server over and over while
// this process looks the class up: every lookup sees the class registered
// whole or not at all, and never an error.
TEST_F(Registration, LookupsRacingRegistrationsSeeAllOrNothing) {
  constexpr int kWriters = 2;
  constexpr int kMaxCycles = 2000;
  constexpr int kRounds = 1000;
  ASSERT_EQ(register_(), S_OK) << takeErrorDescription();  // the type library stays from here on

  int stop[2];
  ASSERT_EQ(::pipe(stop), 0);
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(stop[1]);
      for (int cycle = 0; cycle < kMaxCycles && !closed(stop[0]); ++cycle) {
        if (unregister_() != S_OK) ::_exit(2);
        if (register_() != S_OK) ::_exit(3);
      }
      ::_exit(0);
    }
    writers.push_back(pid);
  }
  ::close(stop[0]);

  int found = 0, missing = 0;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    CLSID clsid = IID_NULL;
    const HRESULT hr = CLSIDFromProgID("OLVENLIB.PlikSW", &clsid);
    EXPECT_TRUE(hr == S_OK || hr == CO_E_CLASSSTRING) << std::hex << hr;
    if (hr == S_OK) {
      EXPECT_EQ(guidToString(clsid), kClsid);
      ++found;
    } else {
      ++missing;
    }

    ComPtr<IClassFactory> factory;
    const HRESULT created = CoGetClassObject(swde::CLSID_CoPlikSW, CLSCTX_INPROC_SERVER,
                                             IID_IClassFactory, factory.outVoid());
    EXPECT_TRUE(created == S_OK || created == REGDB_E_CLASSNOTREG) << std::hex << created;

    // The hive is replaced whole, so one read of the file is one state of it.
    const std::size_t present = sectionsPresent(testsupport::readFile(hivePath()), kRegisteredKeys);
    EXPECT_TRUE(present == kRegisteredKeys.size() || present == 4)  // the type library's keys
        << present;
  }
  ::close(stop[1]);
  for (pid_t pid : writers) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  EXPECT_EQ(found + missing, kRounds);
}

TEST_F(Registration, KilledRegistrationLeavesAllOrNothingAndItsTempFileGoes) {
  // The size of a whole registration's hive.
  ASSERT_EQ(register_(), S_OK) << takeErrorDescription();
  const std::string whole = testsupport::readFile(hivePath());
  ASSERT_EQ(sectionsPresent(whole, kRegisteredKeys), kRegisteredKeys.size());
  std::filesystem::remove(hivePath());

  const pid_t pid = testsupport::killedWriter(whole.size() / 2, register_);
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;

  const std::size_t present = sectionsPresent(testsupport::readFile(hivePath()), kRegisteredKeys);
  EXPECT_EQ(present, 0u);
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID("OLVENLIB.PlikSW", &clsid), CO_E_CLASSSTRING);

  // The killed writer left its temporary hive; the next writer removes it.
  std::set<std::string> left = entries();
  left.erase(".lock");
  left.erase("HKEY_CLASSES_ROOT.reg");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left.begin()->rfind(".HKEY_CLASSES_ROOT.reg.", 0), 0u) << *left.begin();

  ASSERT_EQ(register_(), S_OK) << takeErrorDescription();
  EXPECT_EQ(entries(), (std::set<std::string>{".lock", "HKEY_CLASSES_ROOT.reg"}));
  EXPECT_EQ(testsupport::readFile(hivePath()), whole);
}

}  // namespace
