// Control events of a console command, taken by a thread of their own with
// sigwait and never handled in signal context: Ctrl+C and Ctrl+\ (SIGINT,
// SIGQUIT) interrupt, the end of the console or of the session (SIGHUP,
// SIGTERM) close, Ctrl+Z (SIGTSTP) suspends the program and SIGCONT tells it
// that it goes on.
//
// A stop (Interrupt or Close) always ends the program: when finish() has not
// come a grace period after the first stop, or at a second stop, the overdue
// function runs on the signals' thread instead of the handler. It is meant
// for a program blocked where the stop cannot reach it (a read or a write
// that does not come back), and ends the program there.
#pragma once

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <functional>

#include "platform/Export.h"

namespace plat {

class PLAT_API ConsoleSignals {
 public:
  enum class Event { Interrupt, Close, Suspend, Continue };
  // Runs on the signals' thread. After Suspend the program stops itself.
  using Handler = std::function<void(Event)>;
  using Overdue = std::function<void()>;

  static constexpr unsigned kGraceMs = 3000;

  // Blocks the control signals in the calling thread, and so in every thread
  // it creates later: call it first thing in main. False when it failed.
  static bool blockSignals();
  // Takes the block back (when the thread could not be started).
  static void unblockSignals();

  ConsoleSignals() = default;
  ~ConsoleSignals();
  ConsoleSignals(const ConsoleSignals&) = delete;
  ConsoleSignals& operator=(const ConsoleSignals&) = delete;

  // Starts the thread; false when it could not be started (no handling).
  // Without overdue a stop only reaches the handler.
  bool start(Handler handler, Overdue overdue = {}, unsigned graceMs = kGraceMs);
  // Ends the thread; a handler call in progress is waited for.
  void finish();

  static Event eventOf(int sig);
  static bool isStop(Event event) { return event == Event::Interrupt || event == Event::Close; }

 private:
  static void* threadMain(void* self);
  void loop();

  // The next signal; -1 when the deadline came first (or the wait failed).
  int waitSignal(const sigset_t& set, bool timed, const struct timespec& deadline);

  Handler handler_;
  Overdue overdue_;
  unsigned graceMs_ = kGraceMs;
  pthread_t thread_{};
  bool started_ = false;
  std::atomic<bool> finishing_{false};
};

}  // namespace plat
