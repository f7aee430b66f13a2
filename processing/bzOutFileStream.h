// Buffered writing of one output file. The bytes go to a new temporary file
// in the target's folder (mode 0666 less the umask, as a plain creation
// would give); the target itself is only replaced by commit(), so that a
// run that fails or stops half-way leaves an older file as it was. A target
// that exists as something other than a regular file (a folder, a device, a
// FIFO; links followed) is refused when the stream is made and again at
// commit, so it is never replaced. Every write, flush and close is checked:
// a failure raises bzException "Błąd zapisu pliku <target>: <reason>" (the
// target shown as cp1250 text).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVCORE_API bzOutFileStream {
 public:
  // Creates the temporary file beside target; the buffer holds at least two
  // bytes (a line end goes in whole).
  bzOutFileStream(const AnsiString& target, std::size_t bufferSize);
  // A temporary file that was not committed is removed.
  virtual ~bzOutFileStream();
  bzOutFileStream(const bzOutFileStream&) = delete;
  bzOutFileStream& operator=(const bzOutFileStream&) = delete;

  // The text, then CR LF.
  void putLine(std::string_view text);
  // The bytes as they are.
  void putBytes(std::string_view bytes);
  // Writes the buffered bytes to the file.
  void putBuff();
  // Flushes and closes the file; the temporary file stays until commit or
  // discard.
  void close();
  // Renames the closed temporary file to the target.
  void commit();
  // Removes the temporary file (also an open one); no failure is raised.
  void discard() noexcept;

  // Bytes the file has taken so far.
  std::uint64_t getPosition() const { return written_; }
  // The file written: the target, or the file it names when it is a link to
  // a regular file.
  const AnsiString& target() const { return target_; }
  const std::string& tempPath() const { return tempPath_; }

 private:
  [[noreturn]] void fail(int err) const;

  AnsiString target_;
  std::string tempPath_;
  int fd_ = -1;
  bool committed_ = false;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;
};

}  // namespace swde
