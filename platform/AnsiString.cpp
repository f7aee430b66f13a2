#include "platform/AnsiString.h"

#include <charconv>

#include "platform/CodePage.h"
#include "platform/Exception.h"

namespace plat {
namespace {

bool blank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

}  // namespace

AnsiString TrimLeft(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && blank(s[b])) ++b;
  return AnsiString(s.substr(b));
}

AnsiString TrimRight(std::string_view s) {
  std::size_t e = s.size();
  while (e > 0 && blank(s[e - 1])) --e;
  return AnsiString(s.substr(0, e));
}

AnsiString Trim(std::string_view s) {
  return AnsiString(TrimView(s));
}

bool TryStrToInt64(std::string_view s, std::int64_t& value) {
  s = TrimView(s);
  std::size_t b = 0, e = s.size();
  // One optional sign, then digits only; from_chars takes '-' but not '+'.
  if (b < e && s[b] == '+') {
    ++b;
    if (b < e && s[b] == '-') return false;
  }
  const std::size_t d = b < e && s[b] == '-' ? b + 1 : b;
  if (d == e || s[d] < '0' || s[d] > '9') return false;
  std::int64_t v = 0;
  auto r = std::from_chars(s.data() + b, s.data() + e, v, 10);
  if (r.ec != std::errc() || r.ptr != s.data() + e) return false;
  value = v;
  return true;
}

bool TryStrToInt(std::string_view s, int& value) {
  std::int64_t v = 0;
  if (!TryStrToInt64(s, v) || v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

int StrToInt(std::string_view s) {
  int v = 0;
  if (!TryStrToInt(s, v))
    throw EConvertError(cp("'") + std::string(s) + cp("' nie jest poprawną liczbą całkowitą"));
  return v;
}

std::int64_t StrToInt64(std::string_view s) {
  std::int64_t v = 0;
  if (!TryStrToInt64(s, v))
    throw EConvertError(cp("'") + std::string(s) + cp("' nie jest poprawną liczbą całkowitą"));
  return v;
}

AnsiString IntToStr(std::int64_t value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return AnsiString(buf, r.ptr);
}

AnsiString UIntToStr(std::uint64_t value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return AnsiString(buf, r.ptr);
}

AnsiString UpperCase(std::string_view s) {
  AnsiString r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

AnsiString LowerCase(std::string_view s) {
  AnsiString r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

}  // namespace plat
