// Small temporary files for tests, removed at the end of the scope.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace testsupport {

class TempFile {
 public:
  explicit TempFile(std::string_view content) {
    const char* dir = std::getenv("TMPDIR");
    path_ = std::string(dir && *dir ? dir : "/tmp") + "/olvtestXXXXXX";
    const int fd = ::mkstemp(path_.data());
    if (fd < 0) std::abort();
    std::size_t done = 0;
    while (done < content.size()) {
      const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
      if (n <= 0) std::abort();
      done += static_cast<std::size_t>(n);
    }
    ::close(fd);
  }
  ~TempFile() { std::remove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace testsupport
