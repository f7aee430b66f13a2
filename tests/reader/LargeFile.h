// Files past 4 GiB that cost nothing: a sparse file with the bytes of a small
// data file far into it, and the reader's start seam set to begin reading
// there, so that sizes and positions beyond 4 GiB are reached without reading
// gigabytes.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "reader/PlikSW.h"

namespace testsupport {

inline constexpr std::uint64_t kGiB = 1ULL << 30;

class SparseFile {
 public:
  // head at the start, data at offset, the file size bytes long (at least
  // up to the end of data); the rest is a hole. ok() is false when the file
  // system cannot hold such a file.
  SparseFile(std::string_view head, std::uint64_t offset, std::string_view data,
             std::uint64_t size = 0) {
    const char* dir = std::getenv("TMPDIR");
    path_ = std::string(dir && *dir ? dir : "/tmp") + "/olvlargeXXXXXX";
    const int fd = ::mkstemp(path_.data());
    if (fd < 0) std::abort();
    if (size < offset + data.size()) size = offset + data.size();
    ok_ =
        ::ftruncate(fd, static_cast<off_t>(size)) == 0 && put(fd, 0, head) && put(fd, offset, data);
    ::close(fd);
  }
  ~SparseFile() { std::remove(path_.c_str()); }
  SparseFile(const SparseFile&) = delete;
  SparseFile& operator=(const SparseFile&) = delete;

  const std::string& path() const { return path_; }
  bool ok() const { return ok_; }

 private:
  static bool put(int fd, std::uint64_t offset, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n =
          ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  std::string path_;
  bool ok_ = false;
};

// While it lives, every reader of the process starts reading its file at
// offset instead of at 0 (the reader's start seam).
class ReaderStartsAt {
 public:
  explicit ReaderStartsAt(std::uint64_t offset) {
    start().store(offset);
    swde::PlikSW::setStartHook(&seek);
  }
  ~ReaderStartsAt() { swde::PlikSW::setStartHook(nullptr); }
  ReaderStartsAt(const ReaderStartsAt&) = delete;
  ReaderStartsAt& operator=(const ReaderStartsAt&) = delete;

 private:
  static std::atomic<std::uint64_t>& start() {
    static std::atomic<std::uint64_t> offset{0};
    return offset;
  }
  static void seek(swde::sxFileStream& stream) { stream.seek(start().load()); }
};

}  // namespace testsupport
