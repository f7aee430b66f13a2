// Cyclic redundancy sum over bytes and texts. The register is read directly;
// from the start value 0xFFFFFFFF it holds the complement of the standard
// CRC-32 of what was fed.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Crc32.h"
#include "platform/Export.h"

namespace swde {

class OLVLEX_API sxSumCRC {
 public:
  static constexpr std::uint32_t SWDE_CRC32_POLYNOMIAL = plat::kCrc32Polynomial;
  static constexpr std::uint32_t SWDE_CRC_MASK = plat::kCrc32Start;

  sxSumCRC() = default;
  explicit sxSumCRC(std::uint32_t start) : crc(start) {}
  virtual ~sxSumCRC() = default;

  // Feeds the low 8 bits.
  void put(int byte) {
    const unsigned char b = static_cast<unsigned char>(byte);
    crc = plat::crc32Update(crc, &b, 1);
  }
  void put(std::string_view text) { crc = plat::crc32Update(crc, text.data(), text.size()); }

  static void initCcitt32Table() { plat::crc32Table(); }

  std::uint32_t crc = SWDE_CRC_MASK;
};

}  // namespace swde
