#include "platform/ConsoleSignals.h"

#include <unistd.h>

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

bool ConsoleSignals::start(Handler handler) {
  if (started_) return false;
  handler_ = std::move(handler);
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

void ConsoleSignals::loop() {
  sigset_t set = controlSet();
  sigaddset(&set, kWakeSignal);
  while (!finishing_) {
    int sig = 0;
    if (::sigwait(&set, &sig) != 0) continue;
    if (sig == kWakeSignal) continue;  // the loop's test decides
    if (finishing_) break;
    const Event event = eventOf(sig);
    if (handler_) handler_(event);
    if (event == Event::Suspend) ::kill(::getpid(), SIGSTOP);
  }
}

}  // namespace plat
