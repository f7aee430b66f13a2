// A registry of its own for one test: $OLVEN_REGISTRY points at a fresh
// folder for the scope, and the earlier value comes back at its end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/FileSystem.h"

namespace testsupport {

class TempRegistry {
 public:
  TempRegistry() {
    std::string tmpl = plat::tempFolder() + "/olvregXXXXXX";
    folder_ = ::mkdtemp(tmpl.data());
    if (const char* old = std::getenv("OLVEN_REGISTRY")) saved_ = old;
    ::setenv("OLVEN_REGISTRY", folder_.c_str(), 1);
  }
  ~TempRegistry() {
    if (saved_)
      ::setenv("OLVEN_REGISTRY", saved_->c_str(), 1);
    else
      ::unsetenv("OLVEN_REGISTRY");
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  TempRegistry(const TempRegistry&) = delete;
  TempRegistry& operator=(const TempRegistry&) = delete;
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  std::optional<std::string> saved_;
};

}  // namespace testsupport
