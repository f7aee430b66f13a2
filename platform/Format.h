// Typed formatting of message texts. The arguments carry their own type, so a
// format and its arguments that do not fit raise EFormatError instead of
// reading past the argument list. Data is never used as a format.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace plat {

struct PLAT_API TVarRec {
  enum class Kind : std::uint8_t { Int, UInt, Int64, UInt64, Text, Double, Char };

  TVarRec(int v) : kind(Kind::Int), i64(v) {}
  TVarRec(unsigned v) : kind(Kind::UInt), u64(v) {}
  TVarRec(long v) : kind(Kind::Int64), i64(v) {}
  TVarRec(unsigned long v) : kind(Kind::UInt64), u64(v) {}
  TVarRec(long long v) : kind(Kind::Int64), i64(v) {}
  TVarRec(unsigned long long v) : kind(Kind::UInt64), u64(v) {}
  TVarRec(double v) : kind(Kind::Double), dbl(v) {}
  TVarRec(char c) : kind(Kind::Char), ch(static_cast<unsigned char>(c)) {}
  TVarRec(const char* s) : kind(Kind::Text), text(s ? s : "") {}
  TVarRec(std::string_view s) : kind(Kind::Text), text(s) {}
  TVarRec(const std::string& s) : kind(Kind::Text), text(s) {}

  bool isInteger() const {
    return kind == Kind::Int || kind == Kind::UInt || kind == Kind::Int64 || kind == Kind::UInt64;
  }

  Kind kind;
  union {
    std::int64_t i64;
    std::uint64_t u64;
    double dbl;
    unsigned char ch;
  };
  std::string text;
};

// Formats fmt with args[0..argsHigh]. A null args (or argsHigh < 0) leaves the
// text as it stands. Specifiers: %s %d %u %x %X %f %c and %%, with the flags
// '-' and '0', a width and a precision (".n": minimum digits for integers,
// decimals for %f, maximum characters for %s). Too few arguments, an argument
// of the wrong type or an unknown specifier raise EFormatError; extra
// arguments are ignored.
PLAT_API AnsiString Format(std::string_view fmt, const TVarRec* args, int argsHigh);
PLAT_API AnsiString Format(std::string_view fmt, std::initializer_list<TVarRec> args);

// "Brak opisu błędu!": the message of an error whose table text is empty.
PLAT_API const AnsiString& NoErrorDescription();
// The message of an error from its table text: NoErrorDescription() for an
// empty text, the text itself without arguments, else the text formatted
// with args[0..argsHigh]. One rule for the message tables of every layer.
PLAT_API AnsiString ErrorMessage(const AnsiString& tableText, const TVarRec* args, int argsHigh);

}  // namespace plat
