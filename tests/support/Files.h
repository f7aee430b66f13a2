// Whole files and scratch folders for tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "platform/FileSystem.h"

namespace testsupport {

// The whole content of the file at path; "" when it cannot be read.
inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file at path holds exactly bytes afterwards; a failure fails the test.
inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

// A fresh folder in the temporary folder, removed with all it holds at the
// end of the scope.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "olvtest") {
    std::string pattern = plat::tempFolder() + "/" + prefix + "XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // Names in the folder, temporary files included.
  std::size_t entries() const {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(path_)) ++n;
    return n;
  }

 private:
  std::string path_;
};

// The current folder with a final "/", as the console joins relative names
// to it.
inline std::string currentFolderSlash() {
  char buf[4096];
  EXPECT_NE(::getcwd(buf, sizeof buf), nullptr);
  std::string s = buf;
  if (s.back() != '/') s += '/';
  return s;
}

}  // namespace testsupport
