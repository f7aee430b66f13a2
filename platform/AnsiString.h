// AnsiString: the system's 8-bit text, cp1250 bytes in a std::string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Export.h"

namespace plat {

using AnsiString = std::string;

// Cuts every byte <= 0x20 (compared as unsigned) at both ends.
PLAT_API AnsiString Trim(std::string_view s);
// The same as a view into s, for the per-line paths: nothing is copied.
inline std::string_view TrimView(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}
PLAT_API AnsiString TrimLeft(std::string_view s);
PLAT_API AnsiString TrimRight(std::string_view s);

// Strict decimal conversion: optional blanks around, optional sign, digits
// only, no overflow. StrToInt raises EConvertError on anything else.
PLAT_API bool TryStrToInt(std::string_view s, int& value);
PLAT_API bool TryStrToInt64(std::string_view s, std::int64_t& value);
PLAT_API int StrToInt(std::string_view s);
PLAT_API std::int64_t StrToInt64(std::string_view s);

PLAT_API AnsiString IntToStr(std::int64_t value);
PLAT_API AnsiString UIntToStr(std::uint64_t value);

// ASCII-only case mapping; bytes above 0x7F stay as they are.
PLAT_API AnsiString UpperCase(std::string_view s);
PLAT_API AnsiString LowerCase(std::string_view s);

}  // namespace plat
