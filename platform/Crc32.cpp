#include "platform/Crc32.h"

namespace plat {

const std::array<std::uint32_t, 256>& crc32Table() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t r = i;
      for (int k = 0; k < 8; ++k) r = (r & 1) ? (r >> 1) ^ kCrc32Polynomial : r >> 1;
      t[i] = r;
    }
    return t;
  }();
  return table;
}

}  // namespace plat
