// Makes every further read of an open file fail, as a disk that gives up in
// the middle of a walk would: a directory takes the place of the file's
// descriptor, which the system refuses to read (EISDIR).
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "processing/bzReport.h"

namespace testsupport {

// The descriptor by which this process reads path, or -1.
inline int descriptorOf(const std::string& path) {
  const std::filesystem::path real = std::filesystem::canonical(path);
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), ec);
    if (!ec && target == real) return std::stoi(entry.path().filename().string());
  }
  return -1;
}

inline void breakReadsOf(const std::string& path) {
  const int fd = descriptorOf(path);
  ASSERT_GE(fd, 0) << path;
  const int dir = ::open(std::filesystem::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(dir, 0);
  ASSERT_EQ(::dup2(dir, fd), fd);
  ::close(dir);
}

// An SWDE file larger than the reader holds at once whose third line is a
// finding ("typ linii : QQ"), for a read that fails in the middle of it.
inline std::string fileFailingMidWay() {
  std::string content = "SWDE.W.1.13.0;\nSO;\nQQ;\n";
  for (int i = 1; i <= 4000; ++i) content += "RD,G5KLU,," + std::to_string(i) + ",,;\nX;\n";
  return content + "SX;\nSWDEX;\n";
}

// Once the report takes the finding of fileFailingMidWay, every further read
// of path fails; broke tells that it happened.
inline void breakReadsAtItsFinding(swde::bzReport& report, const std::string& path, bool& broke) {
  broke = false;
  report.setWriteFunction([&broke, path](int fd, const void* data, std::size_t size, off_t offset) {
    if (!broke && std::string(static_cast<const char*>(data), size).find("typ linii : QQ") !=
                      std::string::npos) {
      broke = true;
      breakReadsOf(path);
    }
    return ::pwrite(fd, data, size, offset);
  });
}

}  // namespace testsupport
