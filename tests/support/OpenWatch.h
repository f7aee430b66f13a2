// Watches one file for being opened or read by anybody, to prove that a
// parser never touched a file a document names.
#pragma once

#include <sys/inotify.h>
#include <unistd.h>

#include <string>

namespace testsupport {

class OpenWatch {
 public:
  explicit OpenWatch(const std::string& path) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    ok_ = fd_ >= 0 && ::inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_ACCESS) >= 0;
  }
  ~OpenWatch() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenWatch(const OpenWatch&) = delete;
  OpenWatch& operator=(const OpenWatch&) = delete;

  bool ok() const { return ok_; }
  // True when the file was opened or read since the last call.
  bool touched() {
    alignas(inotify_event) char buf[4096];
    bool any = false;
    while (::read(fd_, buf, sizeof buf) > 0) any = true;
    return any;
  }

 private:
  int fd_;
  bool ok_ = false;
};

}  // namespace testsupport
