// The CRC-32 accumulator of the control sums: the register and the number of
// bytes summed since the last restart. The register is kept raw; value()
// gives the finished sum (register XOR 0xFFFFFFFF).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVCORE_API bzSumCRC {
 public:
  static constexpr std::uint32_t SWDE_CRC_MASK = 0xFFFFFFFFu;
  static constexpr std::uint32_t SWDE_CRC32_POLYNOMIAL = 0xEDB88320u;

  bzSumCRC() = default;
  explicit bzSumCRC(std::uint32_t start) : reg(start) {}
  virtual ~bzSumCRC();

  // Register back to 0xFFFFFFFF, count to 0.
  void restart() {
    reg = SWDE_CRC_MASK;
    byteCount = 0;
  }
  // The low 8 bits of byte.
  void put(int byte);
  void put(std::string_view text);
  // Feeds text to every sum of sums[0..n) in one pass over its bytes; null
  // entries are skipped.
  static void putEach(std::string_view text, bzSumCRC* const* sums, std::size_t n);

  std::uint32_t value() const { return reg ^ SWDE_CRC_MASK; }

  std::uint32_t reg = SWDE_CRC_MASK;
  std::uint64_t byteCount = 0;
};

// The decimal text of a sum ("%u").
OLVCORE_API AnsiString Crc2Str(std::uint32_t sum);

}  // namespace swde
