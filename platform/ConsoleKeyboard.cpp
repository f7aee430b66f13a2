#include "platform/ConsoleKeyboard.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace plat {

namespace {

// What a fault signal's handler needs to give the terminal its modes back;
// written before raw mode begins, read in signal context.
volatile sig_atomic_t gRawFd = -1;
termios gSaved{};

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
struct sigaction gOldActions[sizeof kFaultSignals / sizeof kFaultSignals[0]];
bool gHandlersInstalled = false;

void restoreRaw() {
  const int fd = gRawFd;
  if (fd >= 0) ::tcsetattr(fd, TCSANOW, &gSaved);
}

void faultHandler(int sig) {
  restoreRaw();
  // The handler that was there before (default or a sanitizer's) takes the
  // signal: a fault repeats on return, a raised signal is raised again.
  for (std::size_t i = 0; i < sizeof kFaultSignals / sizeof kFaultSignals[0]; ++i)
    if (kFaultSignals[i] == sig) ::sigaction(sig, &gOldActions[i], nullptr);
  if (sig == SIGABRT) ::raise(sig);
}

void installFaultHandlers() {
  if (gHandlersInstalled) return;
  gHandlersInstalled = true;
  for (std::size_t i = 0; i < sizeof kFaultSignals / sizeof kFaultSignals[0]; ++i) {
    struct sigaction action {};
    action.sa_handler = faultHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_NODEFER;
    ::sigaction(kFaultSignals[i], &action, &gOldActions[i]);
  }
}

}  // namespace

ConsoleKeyboard::ConsoleKeyboard(int fd) : fd_(fd) {
  if (!::isatty(fd_) || ::tcgetattr(fd_, &saved_) != 0) return;
  available_ = true;
  gSaved = saved_;
  installFaultHandlers();
  std::lock_guard<std::mutex> g(mutex_);
  if (foreground()) enterRaw();
}

ConsoleKeyboard::~ConsoleKeyboard() {
  restore();
}

// A terminal that is not the program's controlling terminal has no
// foreground group: reading it never stops the program.
bool ConsoleKeyboard::foreground() const {
  const pid_t group = ::tcgetpgrp(fd_);
  return group < 0 || group == ::getpgrp();
}

void ConsoleKeyboard::enterRaw() {
  if (raw_ || ended_ || !available_) return;
  termios raw = saved_;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  gRawFd = fd_;
  if (::tcsetattr(fd_, TCSANOW, &raw) == 0)
    raw_ = true;
  else
    gRawFd = -1;
}

void ConsoleKeyboard::leaveRaw() {
  if (!raw_) return;
  ::tcsetattr(fd_, TCSANOW, &saved_);
  raw_ = false;
  gRawFd = -1;
}

bool ConsoleKeyboard::spaceHeld() {
  std::lock_guard<std::mutex> g(mutex_);
  if (!available_ || ended_) return false;
  if (!raw_) {
    // Reading from the background would stop the program.
    if (suspended_ || !foreground()) return false;
    enterRaw();
    if (!raw_) return false;
  }
  bool space = false;
  for (;;) {
    pollfd p{fd_, POLLIN, 0};
    const int r = ::poll(&p, 1, 0);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0 || !(p.revents & POLLIN)) break;
    char buf[256];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i)
      if (buf[i] == ' ') space = true;
  }
  return space;
}

void ConsoleKeyboard::suspend() {
  std::lock_guard<std::mutex> g(mutex_);
  suspended_ = true;
  leaveRaw();
}

void ConsoleKeyboard::resume() {
  std::lock_guard<std::mutex> g(mutex_);
  suspended_ = false;
  if (available_ && foreground()) enterRaw();
}

void ConsoleKeyboard::restoreAtExit() {
  restoreRaw();
}

void ConsoleKeyboard::restore() {
  std::lock_guard<std::mutex> g(mutex_);
  leaveRaw();
  ended_ = true;
}

}  // namespace plat
