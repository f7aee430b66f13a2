// Read-only file over POSIX descriptors, 64-bit sizes and positions. The size
// is read once at open: a file that grows while it is read is read up to the
// size seen then, unless this program writes it and lets its readers follow
// (GrowingFile).
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Export.h"

namespace plat {

// A file this program is still writing, whose readers follow it: a read at
// the bytes written so far waits until more come, the writer is done, or the
// writer gives up (the read then fails).
class PLAT_API GrowingFile {
 public:
  struct State {
    std::uint64_t size = 0;  // bytes in the file
    bool finished = false;   // no more come
    bool abandoned = false;  // the writer gave up: the file is not to be read
  };

  // The writer has put size bytes in the file.
  void grew(std::uint64_t size);
  // No byte comes after those written.
  void finish();
  // Nothing more comes and readers stop: their reads fail. A finished file
  // stays readable to its end.
  void abandon();

  State state() const;
  // Waits until the file holds more than at bytes, or is finished or
  // abandoned.
  State waitPast(std::uint64_t at) const;

 private:
  mutable std::mutex lock_;
  mutable std::condition_variable changed_;
  State state_;
};

// While it lives, an InputFile opened on the file of fd (the same file, by
// whatever path) follows growing.
class PLAT_API FollowedFile {
 public:
  FollowedFile(int fd, std::shared_ptr<GrowingFile> growing);
  ~FollowedFile();
  FollowedFile(const FollowedFile&) = delete;
  FollowedFile& operator=(const FollowedFile&) = delete;

 private:
  dev_t device_ = 0;
  ino_t inode_ = 0;
  bool registered_ = false;
};

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
  // error. A followed file's size is the bytes written so far: a read there
  // waits for more, and fails when the writer gave up.
  std::size_t read(void* buffer, std::size_t n);

 private:
  std::string path_;
  std::shared_ptr<const GrowingFile> growing_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;
};

// Polish text of an errno value for messages about files (cp1250).
PLAT_API std::string fileErrorReason(int err);

}  // namespace plat
