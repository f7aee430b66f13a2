#include "platform/ConsoleTitle.h"

#include <unistd.h>

#include "platform/ConsoleOutput.h"

namespace plat {

const char ConsoleTitle::kPush[] = "\x1b[22;0t";
const char ConsoleTitle::kPop[] = "\x1b[23;0t";

std::string ConsoleTitle::setSequence(std::string_view title) {
  std::string s = "\x1b]0;";
  for (const char c : title)
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) s += c;  // no control bytes inside
  s += '\a';
  return s;
}

ConsoleTitle::ConsoleTitle(std::string_view title, int fd) : fd_(fd) {
  if (!::isatty(fd_)) return;
  const std::string s = kPush + setSequence(title);
  int err = 0;
  active_ = writeFully(fd_, s.data(), s.size(), err);
}

ConsoleTitle::~ConsoleTitle() {
  restore();
}

void ConsoleTitle::restore() {
  if (!active_.exchange(false)) return;
  int err = 0;
  writeFully(fd_, kPop, sizeof kPop - 1, err);
}

void ConsoleTitle::restoreWithoutWaiting() {
  if (!active_.exchange(false)) return;
  writeIfReady(fd_, std::string_view(kPop, sizeof kPop - 1));
}

}  // namespace plat
