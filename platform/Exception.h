// Base of the exceptions that stop an action; carries the message text.
#pragma once

#include <exception>
#include <string>

#include "platform/Export.h"

namespace plat {

class PLAT_API Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override;

 private:
  std::string message_;
};

// A text that is not a number, or a number out of range.
class PLAT_API EConvertError : public Exception {
 public:
  using Exception::Exception;
  ~EConvertError() override;
};

// A format string and its arguments do not fit together.
class PLAT_API EFormatError : public Exception {
 public:
  using Exception::Exception;
  ~EFormatError() override;
};

// A file that cannot be opened or read; the message names the path and the
// reason.
class PLAT_API EFileError : public Exception {
 public:
  using Exception::Exception;
  ~EFileError() override;
};

}  // namespace plat
