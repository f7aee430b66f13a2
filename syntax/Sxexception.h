// A fault of the program's own tables, or the tokenizer's line-length limit;
// stops the reading of a file.
#pragma once

#include "platform/AnsiString.h"
#include "platform/Exception.h"
#include "platform/Export.h"
#include "platform/Format.h"

namespace swde {

using plat::AnsiString;
using plat::TVarRec;

class OLVLEX_API sxException : public plat::Exception {
 public:
  explicit sxException(const char* message);
  explicit sxException(const AnsiString& message);
  sxException(const char* format, const TVarRec* args, int argsHigh);
  sxException(const AnsiString& format, const TVarRec* args, int argsHigh);
  // Assertion form: "Assertion failed: <expression> FILE:<file>, LINE: <line>".
  sxException(const char* expression, const char* file, int line);
};

}  // namespace swde
