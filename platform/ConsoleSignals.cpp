#include "platform/ConsoleSignals.h"

#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace plat {

namespace {

// Thread-directed wake-up of the signals' thread at the end; blocked only in
// that thread, so that a SIGUSR1 from outside keeps its usual effect.
constexpr int kWakeSignal = SIGUSR1;

sigset_t controlSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGQUIT);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGTSTP);
  sigaddset(&set, SIGCONT);
  return set;
}

}  // namespace

bool ConsoleSignals::blockSignals() {
  const sigset_t set = controlSet();
  return ::pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0;
}

void ConsoleSignals::unblockSignals() {
  const sigset_t set = controlSet();
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

ConsoleSignals::Event ConsoleSignals::eventOf(int sig) {
  switch (sig) {
    case SIGINT:
    case SIGQUIT:
      return Event::Interrupt;
    case SIGTSTP:
      return Event::Suspend;
    case SIGCONT:
      return Event::Continue;
    default:
      return Event::Close;
  }
}

ConsoleSignals::~ConsoleSignals() {
  finish();
}

bool ConsoleSignals::start(Handler handler, Overdue overdue, unsigned graceMs) {
  if (started_) return false;
  handler_ = std::move(handler);
  overdue_ = std::move(overdue);
  graceMs_ = graceMs;
  finishing_ = false;
  // The new thread inherits the wake signal blocked; the caller's own mask
  // is put back at once.
  sigset_t wake, old;
  sigemptyset(&wake);
  sigaddset(&wake, kWakeSignal);
  if (::pthread_sigmask(SIG_BLOCK, &wake, &old) != 0) return false;
  started_ = ::pthread_create(&thread_, nullptr, &ConsoleSignals::threadMain, this) == 0;
  ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return started_;
}

void ConsoleSignals::finish() {
  if (!started_) return;
  finishing_ = true;
  ::pthread_kill(thread_, kWakeSignal);
  ::pthread_join(thread_, nullptr);
  started_ = false;
}

void* ConsoleSignals::threadMain(void* self) {
  static_cast<ConsoleSignals*>(self)->loop();
  return nullptr;
}

namespace {

timespec monotonicNow() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return t;
}

timespec later(timespec t, unsigned ms) {
  t.tv_sec += static_cast<time_t>(ms / 1000);
  t.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (t.tv_nsec >= 1000000000L) {
    t.tv_nsec -= 1000000000L;
    ++t.tv_sec;
  }
  return t;
}

// The time from now to the deadline, 0 when it has passed.
timespec left(const timespec& deadline) {
  const timespec now = monotonicNow();
  timespec d{deadline.tv_sec - now.tv_sec, deadline.tv_nsec - now.tv_nsec};
  if (d.tv_nsec < 0) {
    d.tv_nsec += 1000000000L;
    --d.tv_sec;
  }
  if (d.tv_sec < 0) return timespec{};
  return d;
}

}  // namespace

int ConsoleSignals::waitSignal(const sigset_t& set, bool timed, const timespec& deadline) {
  for (;;) {
    if (!timed) {
      int sig = 0;
      if (::sigwait(&set, &sig) == 0) return sig;
      continue;
    }
    const timespec wait = left(deadline);
    const int sig = ::sigtimedwait(&set, nullptr, &wait);
    if (sig > 0) return sig;
    if (errno == EINTR) continue;
    return -1;  // EAGAIN: the deadline
  }
}

void ConsoleSignals::loop() {
  sigset_t set = controlSet();
  sigaddset(&set, kWakeSignal);
  bool stopping = false;  // a stop came: the next one ends the program
  bool timed = false;     // the grace period runs
  timespec deadline{};
  while (!finishing_) {
    const int sig = waitSignal(set, timed, deadline);
    if (finishing_) break;
    if (sig < 0) {
      // The program is still there after the grace period.
      timed = false;
      if (overdue_) overdue_();
      continue;
    }
    if (sig == kWakeSignal) continue;  // the loop's test decides
    const Event event = eventOf(sig);
    if (isStop(event) && overdue_) {
      if (stopping) {
        overdue_();
        continue;
      }
      stopping = true;
      timed = true;
      deadline = later(monotonicNow(), graceMs_);
    }
    if (handler_) handler_(event);
    if (event == Event::Suspend) ::kill(::getpid(), SIGSTOP);
  }
}

}  // namespace plat
