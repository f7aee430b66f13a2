// The Polish locale (decimal comma) for the length of a test, and the one
// before it back at the end, also when the test fails half-way.
#pragma once

#include <clocale>
#include <string>

namespace testsupport {

class PolishLocale {
 public:
  PolishLocale() : saved_(std::setlocale(LC_ALL, nullptr)) {
    active_ = std::setlocale(LC_ALL, "pl_PL.UTF-8") != nullptr;
  }
  ~PolishLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
  PolishLocale(const PolishLocale&) = delete;
  PolishLocale& operator=(const PolishLocale&) = delete;

  // False where the locale is not to be had: the test is skipped.
  explicit operator bool() const { return active_; }

 private:
  std::string saved_;
  bool active_ = false;
};

}  // namespace testsupport
