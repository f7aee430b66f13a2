// Control events of a console command, taken by a thread of their own with
// sigwait and never handled in signal context: Ctrl+C and Ctrl+\ (SIGINT,
// SIGQUIT) interrupt, the end of the console or of the session (SIGHUP,
// SIGTERM) close, Ctrl+Z (SIGTSTP) suspends the program and SIGCONT tells it
// that it goes on.
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
  bool start(Handler handler);
  // Ends the thread; a handler call in progress is waited for.
  void finish();

  static Event eventOf(int sig);

 private:
  static void* threadMain(void* self);
  void loop();

  Handler handler_;
  pthread_t thread_{};
  bool started_ = false;
  std::atomic<bool> finishing_{false};
};

}  // namespace plat
