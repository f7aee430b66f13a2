#include "app/TimeTexts.h"

#include <limits>

#include "platform/CodePage.h"

namespace swde {

using plat::UIntToStr;

namespace {

struct Units {
  AnsiString hours = plat::cp(" godz ");
  AnsiString minutes = plat::cp(" min");
  AnsiString seconds = plat::cp(" sek");
};

const Units& units() {
  static const Units u;
  return u;
}

}  // namespace

AnsiString TimeTexts::elapsed(std::uint64_t ms) {
  const std::uint64_t total = ms / 1000;
  const std::uint64_t inDay = total % 86400;  // whole days are not shown
  const std::uint64_t h = inDay / 3600, m = inDay % 3600 / 60, s = inDay % 60;
  const Units& u = units();
  if (h >= 1) return UIntToStr(h) + u.hours + UIntToStr(m) + u.minutes;
  if (m >= 1) return UIntToStr(m) + u.minutes + " " + UIntToStr(s) + u.seconds;
  if (s >= 1) return UIntToStr(s) + u.seconds;
  return AnsiString();
}

std::optional<AnsiString> TimeTexts::remaining(std::uint64_t p, std::uint64_t x,
                                               std::uint64_t now) {
  if (p == 0) return std::nullopt;
  if (p < previousPosition_) {
    // A new stage has begun.
    stageStart_ = now;
    previousPosition_ = p;
    return std::nullopt;
  }
  previousPosition_ = p;
  const std::uint64_t e = now > stageStart_ ? (now - stageStart_) / 1000 : 0;
  // e * x overflows 64 bits on large files after a while: 128-bit product.
  const unsigned __int128 whole = static_cast<unsigned __int128>(e) * x / p;
  const unsigned __int128 rest = whole > e ? whole - e : 0;
  const std::uint64_t r = rest > std::numeric_limits<std::uint64_t>::max()
                              ? std::numeric_limits<std::uint64_t>::max()
                              : static_cast<std::uint64_t>(rest);
  const Units& u = units();
  if (r > 3599) {
    AnsiString s = UIntToStr(r / 3600) + u.hours;
    if (r % 3600 > 0) s += UIntToStr(r % 3600 / 60) + u.minutes;
    return s;
  }
  if (r >= 60) {
    AnsiString s = UIntToStr(r / 60) + u.minutes + " ";
    if (r % 60 > 0) s += UIntToStr(r % 60) + u.seconds;
    return s;
  }
  return UIntToStr(r) + u.seconds;
}

}  // namespace swde
