// An error of a line kept as its code and arguments, made into an sxError
// (with its message) only where the line's number and section are known.
// Taking one down allocates nothing once its text has room.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/Format.h"
#include "syntax/Sxerrors.h"

namespace swde {

class sxErrorNote {
 public:
  void take(std::uint8_t code) { start(code, 0); }
  void take(std::uint8_t code, unsigned a) {
    start(code, 1);
    number_[0] = a;
  }
  void take(std::uint8_t code, unsigned a, unsigned b) {
    start(code, 2);
    number_[0] = a;
    number_[1] = b;
  }
  // One text argument.
  void take(std::uint8_t code, std::string_view text) {
    start(code, 1);
    isText_ = true;
    text_.assign(text);
  }

  std::uint8_t code() const { return code_; }

  // The error as the table gives it with these arguments.
  std::shared_ptr<sxError> make(std::uint64_t line, std::uint8_t section) const {
    if (count_ == 0)
      return std::make_shared<sxError>(line, section, code_,
                                       static_cast<const plat::TVarRec*>(nullptr), 0);
    if (isText_) {
      const plat::TVarRec args[] = {plat::TVarRec(std::string_view(text_))};
      return std::make_shared<sxError>(line, section, code_, args, 0);
    }
    const plat::TVarRec args[] = {plat::TVarRec(number_[0]), plat::TVarRec(number_[1])};
    return std::make_shared<sxError>(line, section, code_, args, count_ - 1);
  }

 private:
  void start(std::uint8_t code, int count) {
    code_ = code;
    count_ = count;
    isText_ = false;
  }

  std::uint8_t code_ = 0;
  int count_ = 0;
  bool isText_ = false;
  unsigned number_[2] = {};
  plat::AnsiString text_;
};

}  // namespace swde
