// AnsiString: the system's 8-bit text, cp1250 bytes in a std::string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

using AnsiString = std::string;

// Cuts every byte <= 0x20 (compared as unsigned) at both ends.
AnsiString Trim(std::string_view s);
AnsiString TrimLeft(std::string_view s);
AnsiString TrimRight(std::string_view s);

// Strict decimal conversion: optional blanks around, optional sign, digits
// only, no overflow. StrToInt raises EConvertError on anything else.
bool TryStrToInt(std::string_view s, int& value);
bool TryStrToInt64(std::string_view s, std::int64_t& value);
int StrToInt(std::string_view s);
std::int64_t StrToInt64(std::string_view s);

AnsiString IntToStr(std::int64_t value);
AnsiString UIntToStr(std::uint64_t value);

// ASCII-only case mapping; bytes above 0x7F stay as they are.
AnsiString UpperCase(std::string_view s);
AnsiString LowerCase(std::string_view s);

}  // namespace plat
