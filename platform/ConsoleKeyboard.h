// The space bar of a console command. When standard input is a terminal in
// the foreground, it is switched to raw non-blocking input (no line editing,
// no echo; Ctrl+C still raises its signal) and read without waiting. The
// terminal's modes come back when the object ends, on suspend(), and when the
// program dies of a fault signal or ends through restoreAtExit().
#pragma once

#include <termios.h>

#include <mutex>

#include "platform/Export.h"

namespace plat {

class PLAT_API ConsoleKeyboard {
 public:
  explicit ConsoleKeyboard(int fd = 0);
  ~ConsoleKeyboard();
  ConsoleKeyboard(const ConsoleKeyboard&) = delete;
  ConsoleKeyboard& operator=(const ConsoleKeyboard&) = delete;

  // Standard input is a terminal: the status block may be shown.
  bool available() const { return available_; }

  // A space arrived since the last call. Other keys are dropped. Raw mode is
  // taken up again here when the program has come back to the foreground.
  bool spaceHeld();

  // Before the program is stopped (Ctrl+Z): the saved modes again. resume()
  // switches back to raw input when the program is in the foreground.
  void suspend();
  void resume();

  // Puts the saved modes back; later calls do nothing.
  void restore();

  // The saved modes back on the terminal in raw mode, if there is one, with
  // no lock taken: for a program that ends from another thread while this
  // one may be anywhere (as a fault signal's handler does it).
  static void restoreAtExit();

 private:
  bool foreground() const;
  void enterRaw();  // with mutex_ held
  void leaveRaw();  // with mutex_ held

  int fd_;
  bool available_ = false;
  bool raw_ = false;
  bool suspended_ = false;
  bool ended_ = false;
  termios saved_{};
  std::mutex mutex_;
};

}  // namespace plat
