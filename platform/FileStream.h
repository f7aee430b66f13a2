// Read-only file over POSIX descriptors, 64-bit sizes and positions. The size
// is read once at open: a file that grows while it is read is read up to the
// size seen then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Export.h"

namespace plat {

class PLAT_API InputFile {
 public:
  // Raises EFileError (message names the path, as fileNameToCp1250 shows
  // it, and the reason) when the path is missing, not a regular file, or
  // unreadable; so does a failed read.
  explicit InputFile(const std::string& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  const std::string& path() const { return path_; }
  std::uint64_t size() const { return size_; }
  std::uint64_t position() const { return position_; }

  // Moves to offset (past the size is allowed; reads there give nothing) and
  // returns the new position.
  std::uint64_t seek(std::uint64_t offset);

  // Reads up to n bytes at the position, never past the size seen at open;
  // returns how many were read (0 at the end). Raises EFileError on an I/O
  // error.
  std::size_t read(void* buffer, std::size_t n);

 private:
  std::string path_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;
};

// Polish text of an errno value for messages about files (cp1250).
PLAT_API std::string fileErrorReason(int err);

}  // namespace plat
