// CRC-32 with the reflected polynomial 0xEDB88320: one table for every
// accumulator of the system, built on first use. The register is handed back
// raw: no final complement.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/Export.h"

namespace plat {

constexpr std::uint32_t kCrc32Polynomial = 0xEDB88320u;
constexpr std::uint32_t kCrc32Start = 0xFFFFFFFFu;

// The table, built on the first call; one for the whole process.
PLAT_API const std::array<std::uint32_t, 256>& crc32Table();

// Feeds n bytes to the register reg and returns the new register.
inline std::uint32_t crc32Update(std::uint32_t reg, const void* data, std::size_t n) {
  const auto& t = crc32Table();
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < n; ++i) reg = (reg >> 8) ^ t[(reg ^ p[i]) & 0xFFu];
  return reg;
}

}  // namespace plat
