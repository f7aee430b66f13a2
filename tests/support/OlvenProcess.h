// The built olven in a process of its own, as the user runs it: its standard
// streams on pipes (no terminal) unless the test asks otherwise, in a folder
// of the test's own, with a temporary folder and a registry of its own. Its
// cp1250 texts come out as UTF-8 under LC_ALL=C.UTF-8.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace testsupport {

// Only a hung child takes this long: no test waits for it in any other case.
inline constexpr std::chrono::seconds kHangGuard{300};

// Printed output with the START and STOP lines, which carry the time,
// replaced by the bare word.
inline std::string withoutTimes(std::string s) {
  for (const std::string word : {"START: ", "STOP: "}) {
    for (std::size_t at = s.find(word); at != std::string::npos; at = s.find(word, at + 1)) {
      if (at > 0 && s[at - 1] != '\n') continue;
      const std::size_t eol = s.find('\n', at);
      s.replace(at, eol - at, word.substr(0, word.size() - 2));
    }
  }
  return s;
}

struct OlvenResult {
  int status = -1;  // exit status, or 128 + the signal that ended it
  std::string out, err;
};

// How the child's standard streams are set up.
struct OlvenStreams {
  enum class Output { Pipe, Closed, File, Descriptor };
  Output output = Output::Pipe;
  std::string outputFile;  // Output::File: opened for writing (e.g. /dev/full)
  int outputFd = -1;       // Output::Descriptor: the test's own (a terminal)
  int inputFd = -1;        // standard input; /dev/null when -1
  std::string locale = "C.UTF-8";
  // "NAME=value" in place of the test's own NAME.
  std::vector<std::string> env{};
};

class OlvenChild {
 public:
  using Clock = std::chrono::steady_clock;

  OlvenChild(const std::vector<std::string>& args, const std::string& cwd, const std::string& tmp,
             const OlvenStreams& streams = {}) {
    int out[2] = {-1, -1}, err[2];
    const bool outPipe = streams.output == OlvenStreams::Output::Pipe;
    if ((outPipe && ::pipe2(out, O_CLOEXEC) != 0) || ::pipe2(err, O_CLOEXEC) != 0) std::abort();
    // A registry of the test's own: the document templates of GA and WA
    // are read and made there.
    std::vector<std::string> env = {"LC_ALL=" + streams.locale, "TMPDIR=" + tmp,
                                    "OLVEN_REGISTRY=" + cwd + "/registry"};
    env.insert(env.end(), streams.env.begin(), streams.env.end());
    auto replaced = [&](const std::string& v) {
      for (const std::string& own : streams.env)
        if (v.compare(0, own.find('=') + 1, own, 0, own.find('=') + 1) == 0) return true;
      return false;
    };
    for (char** e = environ; *e; ++e) {
      const std::string v = *e;
      if (v.rfind("LC_", 0) != 0 && v.rfind("LANG", 0) != 0 && v.rfind("TMPDIR=", 0) != 0 &&
          v.rfind("OLVEN_REGISTRY=", 0) != 0 && !replaced(v))
        env.push_back(v);
    }
    std::vector<std::string> argvs = {OLV_OLVEN};
    argvs.insert(argvs.end(), args.begin(), args.end());
    std::vector<char*> a, e;
    for (auto& s : argvs) a.push_back(s.data());
    a.push_back(nullptr);
    for (auto& s : env) e.push_back(s.data());
    e.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      const int in = streams.inputFd >= 0 ? streams.inputFd : ::open("/dev/null", O_RDONLY);
      ::dup2(in, 0);
      switch (streams.output) {
        case OlvenStreams::Output::Pipe:
          ::dup2(out[1], 1);
          break;
        case OlvenStreams::Output::Closed:
          ::close(1);
          break;
        case OlvenStreams::Output::Descriptor:
          ::dup2(streams.outputFd, 1);
          break;
        case OlvenStreams::Output::File: {
          const int fd = ::open(streams.outputFile.c_str(), O_WRONLY);
          if (fd < 0) ::_exit(127);
          ::dup2(fd, 1);
          ::close(fd);
          break;
        }
      }
      ::dup2(err[1], 2);
      if (in > 2 && in != streams.inputFd) ::close(in);
      if (::chdir(cwd.c_str()) != 0) ::_exit(127);
      ::execve(a[0], a.data(), e.data());
      ::_exit(127);
    }
    if (outPipe) {
      ::close(out[1]);
      outFd_ = out[0];
    }
    ::close(err[1]);
    errFd_ = err[0];
  }

  ~OlvenChild() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    closeFd(outFd_);
    closeFd(errFd_);
  }

  OlvenChild(const OlvenChild&) = delete;
  OlvenChild& operator=(const OlvenChild&) = delete;

  // Reads until stdout holds text (UTF-8); false when the output ended
  // without it (or after the guard against a hung child).
  bool waitForOutput(const std::string& text) {
    const auto end = Clock::now() + kHangGuard;
    while (result_.out.find(text) == std::string::npos) {
      if (Clock::now() > end || !pump(end, true))
        return result_.out.find(text) != std::string::npos;
    }
    return true;
  }

  void signal(int sig) { ::kill(pid_, sig); }
  void closeOutput() { closeFd(outFd_); }
  pid_t pid() const { return pid_; }

  // Waits until the process has stopped itself (SIGSTOP); false when it
  // ended instead.
  bool waitStopped() {
    int st = 0;
    return ::waitpid(pid_, &st, WUNTRACED) == pid_ && WIFSTOPPED(st);
  }

  // Everything up to the end of the process; a process still there after
  // the guard against a hung child is killed and the test fails. With
  // drainOutput false standard output is left unread (a pipe that nobody
  // drains) and only standard error is read.
  OlvenResult finish(bool drainOutput = true) {
    const auto end = Clock::now() + kHangGuard;
    auto open = [&] { return (drainOutput && outFd_ >= 0) || errFd_ >= 0; };
    while (open() && pump(end, drainOutput)) {
    }
    if (open()) {
      ADD_FAILURE() << "olven did not end in time";
      ::kill(pid_, SIGKILL);
    }
    int st = 0;
    ::waitpid(pid_, &st, 0);
    pid_ = -1;
    result_.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return result_;
  }

 private:
  static void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }

  // One round of reading; false when the time is up or the pipes ended.
  bool pump(Clock::time_point end, bool withOutput) {
    const int outFd = withOutput ? outFd_ : -1;
    pollfd p[2] = {{outFd, POLLIN, 0}, {errFd_, POLLIN, 0}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (left.count() <= 0 || (outFd < 0 && errFd_ < 0)) return false;
    if (::poll(p, 2, static_cast<int>(left.count())) <= 0) return false;
    if (outFd >= 0) readFrom(p[0], outFd_, result_.out);
    readFrom(p[1], errFd_, result_.err);
    return true;
  }

  static void readFrom(const pollfd& p, int& fd, std::string& into) {
    if (fd < 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) return;
    char buf[65536];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0)
      into.append(buf, static_cast<std::size_t>(n));
    else
      closeFd(fd);
  }

  pid_t pid_ = -1;
  int outFd_ = -1, errFd_ = -1;
  OlvenResult result_;
};

}  // namespace testsupport
