#include "processing/bzSumCRC.h"

#include <array>
#include <bit>
#include <cstring>

#include "platform/Crc32.h"

namespace swde {

namespace {

// Slicing by eight: table 0 is the platform's byte table, table k the effect
// of a byte followed by k zero bytes. The sums run over whole data files, so
// eight bytes per step matter.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

const Tables& tables() {
  static const Tables t = [] {
    Tables made{};
    made[0] = plat::crc32Table();
    for (std::size_t k = 1; k < 8; ++k)
      for (std::size_t i = 0; i < 256; ++i)
        made[k][i] = (made[k - 1][i] >> 8) ^ made[0][made[k - 1][i] & 0xFFu];
    return made;
  }();
  return t;
}

inline std::uint32_t step8(const Tables& t, std::uint32_t reg, const unsigned char* p) {
  std::uint32_t lo, hi;
  std::memcpy(&lo, p, 4);
  std::memcpy(&hi, p + 4, 4);
  if constexpr (std::endian::native == std::endian::big) {
    lo = __builtin_bswap32(lo);
    hi = __builtin_bswap32(hi);
  }
  lo ^= reg;
  return t[7][lo & 0xFFu] ^ t[6][(lo >> 8) & 0xFFu] ^ t[5][(lo >> 16) & 0xFFu] ^ t[4][lo >> 24] ^
         t[3][hi & 0xFFu] ^ t[2][(hi >> 8) & 0xFFu] ^ t[1][(hi >> 16) & 0xFFu] ^ t[0][hi >> 24];
}

inline std::uint32_t step1(const Tables& t, std::uint32_t reg, unsigned char b) {
  return (reg >> 8) ^ t[0][(reg ^ b) & 0xFFu];
}

template <std::size_t N>
void feed(std::string_view text, std::uint32_t (&regs)[N]) {
  const Tables& t = tables();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t n = text.size();
  while (n >= 8) {
    for (std::size_t k = 0; k < N; ++k) regs[k] = step8(t, regs[k], p);
    p += 8;
    n -= 8;
  }
  for (; n > 0; --n, ++p)
    for (std::size_t k = 0; k < N; ++k) regs[k] = step1(t, regs[k], *p);
}

}  // namespace

bzSumCRC::~bzSumCRC() = default;

void bzSumCRC::put(int byte) {
  reg = step1(tables(), reg, static_cast<unsigned char>(byte));
  ++byteCount;
}

void bzSumCRC::put(std::string_view text) {
  std::uint32_t regs[1] = {reg};
  feed(text, regs);
  reg = regs[0];
  byteCount += text.size();
}

void bzSumCRC::putEach(std::string_view text, bzSumCRC* const* sums, std::size_t n) {
  bzSumCRC* live[3];
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!sums[i]) continue;
    if (count == 3) {
      sums[i]->put(text);
      continue;
    }
    live[count++] = sums[i];
  }
  switch (count) {
    case 0:
      return;
    case 1:
      live[0]->put(text);
      return;
    case 2: {
      std::uint32_t regs[2] = {live[0]->reg, live[1]->reg};
      feed(text, regs);
      live[0]->reg = regs[0];
      live[1]->reg = regs[1];
      break;
    }
    default: {
      std::uint32_t regs[3] = {live[0]->reg, live[1]->reg, live[2]->reg};
      feed(text, regs);
      live[0]->reg = regs[0];
      live[1]->reg = regs[1];
      live[2]->reg = regs[2];
      break;
    }
  }
  for (std::size_t k = 0; k < count; ++k) live[k]->byteCount += text.size();
}

AnsiString Crc2Str(std::uint32_t sum) {
  return plat::UIntToStr(sum);
}

}  // namespace swde
