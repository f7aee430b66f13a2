// Cyclic redundancy sum of the metadata model: the same CRC-32 register as the
// syntax layer's accumulator, over the one shared table, with the finished
// value (the complement of the register) on request.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Crc32.h"
#include "platform/Export.h"

namespace swde {

class OLVSCHEMA_API SumCRC {
 public:
  static constexpr std::uint32_t SWDE_CRC32_POLYNOMIAL = plat::kCrc32Polynomial;
  static constexpr std::uint32_t SWDE_CRC_MASK = plat::kCrc32Start;

  SumCRC() = default;
  explicit SumCRC(std::uint32_t start) : crc(start) {}
  virtual ~SumCRC();

  // Feeds the low 8 bits.
  void put(int byte);
  void put(std::string_view text);

  static void initCcitt32Table();

  // Bitwise complement of the register: the standard CRC-32 of what was fed
  // from the start value.
  std::uint32_t getValue() const { return ~crc; }

  std::uint32_t crc = SWDE_CRC_MASK;
};

}  // namespace swde
