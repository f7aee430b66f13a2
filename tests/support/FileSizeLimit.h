// A limit on the size of the files this process writes, for the length of a
// scope: a write past it fails with EFBIG (SIGXFSZ is ignored meanwhile), as
// on a full disk or quota. Limit and signal are restored at the end.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <functional>

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

// A child process that runs write with the files it writes limited to limit
// bytes, killed by SIGXFSZ where a write goes past it: a writer that dies in
// the middle of its work. Exceptions of write are swallowed; the child exits
// with 0 when write returns. The child's pid, or -1.
inline pid_t killedWriter(rlim_t limit, const std::function<void()>& write) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    std::signal(SIGXFSZ, SIG_DFL);
    const rlimit small{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &small);
    try {
      write();
    } catch (...) {
    }
    ::_exit(0);
  }
  return pid;
}

}  // namespace testsupport
