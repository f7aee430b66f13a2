// A limit on the size of the files this process writes, for the length of a
// scope: a write past it fails with EFBIG (SIGXFSZ is ignored meanwhile), as
// on a full disk or quota. Limit and signal are restored at the end.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace testsupport {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  explicit operator bool() const { return active_; }

 private:
  rlimit saved_{};
  void (*previous_)(int) = SIG_DFL;
  bool active_ = false;
};

}  // namespace testsupport
