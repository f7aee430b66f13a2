// Console output: the system's texts are cp1250 bytes; they are converted to
// the console's encoding only here, at the output boundary.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Export.h"

namespace plat {

enum class ConsoleEncoding { Utf8, Cp1250, Iso88592 };

// The encoding for a locale charset name as nl_langinfo(CODESET) gives it:
// CP1250 (also WINDOWS-1250) and ISO-8859-2 (also ISO8859-2, ISO_8859-2) are
// written as such, every other charset gets UTF-8.
PLAT_API ConsoleEncoding consoleEncodingOfCharset(std::string_view charset);

// Sets LC_CTYPE from the environment and reads its charset.
PLAT_API ConsoleEncoding localeConsoleEncoding();

// cp1250 text in ISO-8859-2; characters without an ISO-8859-2 byte become '?'.
PLAT_API std::string cp1250ToIso88592(std::string_view text);

// cp1250 text in the console's encoding, and console text (command-line
// words) back to cp1250.
PLAT_API std::string toConsoleEncoding(std::string_view cp1250, ConsoleEncoding encoding);
PLAT_API std::string fromConsoleEncoding(std::string_view text, ConsoleEncoding encoding);

// The text as the console shows it: a control byte (below 0x20 but the line
// end "\n" and the CR of "\r\n"), DEL and the five cp1250 bytes that have no
// character (0x81 0x83 0x88 0x90 0x98, C1 controls once converted) become
// "\xHH", so that no byte read from a file can drive the terminal.
PLAT_API std::string shownOnConsole(std::string_view cp1250);
// True when shownOnConsole would change the text.
PLAT_API bool needsShowing(std::string_view cp1250);

// Writes every byte, going on after short writes and EINTR, and waiting on a
// descriptor in non-blocking mode until it takes more. False with the errno
// value in err when a write fails.
PLAT_API bool writeFully(int fd, const void* data, std::size_t size, int& err);

// One write that never waits: done only when fd is ready for it at once (a
// full pipe or a stopped terminal gets nothing). For the last words of a
// program whose other threads may be blocked on the same descriptor.
PLAT_API void writeIfReady(int fd, std::string_view bytes);

// Descriptors 0, 1 and 2 that are closed are opened on /dev/null, so that no
// file the program opens later takes the place of a standard stream. Call it
// first thing in main.
PLAT_API void ensureStandardDescriptors();

// A write to a closed pipe then fails with EPIPE instead of ending the
// program.
PLAT_API void ignoreSigpipe();

// BEL to the terminal: standard output when it is one, else standard error
// when it is one; nothing without a terminal, and nothing when the terminal
// cannot take it at once.
PLAT_API void consoleBeep();

class PLAT_API ConsoleOutput {
 public:
  ConsoleOutput(int fd, ConsoleEncoding encoding) : fd_(fd), encoding_(encoding) {}

  // Writes a cp1250 text as the console shows it (shownOnConsole), converted
  // to the console's encoding. 0, or the errno value of the failed write.
  // After EPIPE nothing more is written (and EPIPE is the result).
  int write(std::string_view cp1250);

  // The bytes write would send for the text.
  std::string bytesOf(std::string_view cp1250) const;

  bool pipeClosed() const { return pipeClosed_; }
  ConsoleEncoding encoding() const { return encoding_; }
  int fd() const { return fd_; }

 private:
  int fd_;
  ConsoleEncoding encoding_;
  bool pipeClosed_ = false;
};

}  // namespace plat
