// The terminal's window title for the life of the object: the title in use is
// saved on the terminal's title stack and replaced, and taken back from the
// stack at the end. Nothing happens when the output is not a terminal, so
// redirected output carries no escape bytes.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "platform/Export.h"

namespace plat {

class PLAT_API ConsoleTitle {
 public:
  explicit ConsoleTitle(std::string_view title, int fd = 1);
  ~ConsoleTitle();
  ConsoleTitle(const ConsoleTitle&) = delete;
  ConsoleTitle& operator=(const ConsoleTitle&) = delete;

  // Takes the saved title back now; later calls do nothing.
  void restore();
  // The same without ever waiting for the terminal (a terminal stopped by
  // Ctrl+S gets nothing): for a program that ends from another thread.
  void restoreWithoutWaiting();
  bool active() const { return active_; }

  // The escape sequences: push the title (CSI 22;0 t), set it (OSC 0), pop
  // it (CSI 23;0 t).
  static std::string setSequence(std::string_view title);
  static const char kPush[];
  static const char kPop[];

 private:
  int fd_;
  std::atomic<bool> active_{false};
};

}  // namespace plat
