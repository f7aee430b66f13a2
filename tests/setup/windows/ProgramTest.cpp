// olvenSetup as the user starts it: an argument other than "-u" does
// nothing (before any window or display is needed); without a display it
// says so and ends with 2; as root it refuses, also without a display.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/Files.h"

namespace {

namespace fs = std::filesystem;

// The account the program runs as when the test runs as root.
constexpr uid_t kPlainUser = 65534;

struct Result {
  int status = -1;
  std::string out, err;
};

std::string readAll(int fd) {
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    text.append(buf, static_cast<std::size_t>(n));
  }
  return text;
}

// olvenSetup with args, no display of any kind (a program that started Qt
// here would abort), a home, data folder and registry of the folder's own,
// UTF-8 output; as user when given.
Result runSetup(const std::vector<std::string>& args, const std::string& folder,
                std::optional<uid_t> user) {
  std::vector<std::string> argv = {OLV_OLVENSETUP};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env = {"LC_ALL=C.UTF-8",
                                  "HOME=" + folder + "/home",
                                  "XDG_DATA_HOME=" + folder + "/home/.local/share",
                                  "OLVEN_REGISTRY=" + folder + "/registry",
                                  "TMPDIR=" + folder,
                                  "PATH=/usr/bin:/bin"};
  if (const char* asan = std::getenv("ASAN_OPTIONS"))
    env.push_back(std::string("ASAN_OPTIONS=") + asan);
  if (const char* lsan = std::getenv("LSAN_OPTIONS"))
    env.push_back(std::string("LSAN_OPTIONS=") + lsan);
  std::vector<char*> a, e;
  for (auto& s : argv) a.push_back(s.data());
  a.push_back(nullptr);
  for (auto& s : env) e.push_back(s.data());
  e.push_back(nullptr);

  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) std::abort();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    const int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, 0);
    if (user && (::setgroups(0, nullptr) != 0 || ::setgid(*user) != 0 || ::setuid(*user) != 0))
      ::_exit(126);
    if (::chdir(folder.c_str()) != 0) ::_exit(127);
    ::execve(a[0], a.data(), e.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  Result r;
  // The program writes a line at most: neither pipe fills while the other
  // is read.
  r.out = readAll(out[0]);
  r.err = readAll(err[0]);
  ::close(out[0]);
  ::close(err[0]);
  int st = 0;
  ::waitpid(pid, &st, 0);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return r;
}

struct Case {
  std::vector<std::string> args;
  int status;
  std::string err;
};

void runCases(const std::vector<Case>& cases, std::optional<uid_t> user) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.front());
    testsupport::TempFolder dir("olvsetupp");
    fs::create_directories(dir / "home");
    // Open to the plain user the program may run as.
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(dir / "home", fs::perms::all);
    const Result r = runSetup(c.args, dir.path(), user);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
    // Nothing installed or recorded.
    EXPECT_TRUE(fs::is_empty(dir / "home"));
  }
}

const char kNoDisplay[] = "Brak ekranu graficznego: okna programu nie można otworzyć.\n";
const char kRoot[] =
    "Program instalacyjny należy uruchomić na koncie użytkownika, nie jako root.\n";

TEST(OlvenSetupProcess, OtherArgumentsDoNothingAndWithoutADisplayItSaysSo) {
  const std::optional<uid_t> user =
      ::geteuid() == 0 ? std::optional<uid_t>(kPlainUser) : std::nullopt;
  runCases({{{"x"}, 1, ""},
            {{"-U"}, 1, ""},
            {{"--u"}, 1, ""},
            {{""}, 1, ""},
            {{}, 2, kNoDisplay},
            {{"-u"}, 2, kNoDisplay},
            {{"-u", "x"}, 2, kNoDisplay}},
           user);
}

TEST(OlvenSetupProcess, AsRootItRefusesWithoutADisplay) {
  if (::geteuid() != 0) GTEST_SKIP() << "runs as root only";
  runCases({{{}, 1, kRoot}, {{"-u"}, 1, kRoot}, {{"x"}, 1, ""}}, std::nullopt);
}

}  // namespace
