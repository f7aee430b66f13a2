// Things that stand where a file would be written or read and are no regular
// file: what a writer must never replace and a reader never wait on.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/FileSystem.h"

namespace testsupport {

struct NonRegularTarget {
  const char* what;
  void (*make)(const std::string& path);
  int err;  // what the platform names it by: plat::kNotRegularFile or EISDIR
};

inline const NonRegularTarget kNonRegularTargets[] = {
    {"FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
     plat::kNotRegularFile},
    {"link to a device",
     [](const std::string& p) { ASSERT_EQ(::symlink("/dev/null", p.c_str()), 0); },
     plat::kNotRegularFile},
    {"folder", [](const std::string& p) { ASSERT_EQ(::mkdir(p.c_str(), 0700), 0); }, EISDIR},
};

}  // namespace testsupport
