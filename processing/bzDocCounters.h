// The values of one file that its authorization or verification document
// states: comment counts, the file sum and the six section slots in the
// order SN, SD, SP, ST, SG, SO.
#pragma once

#include <array>
#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVCORE_API bzDocCounters {
 public:
  struct Section {
    bool present = false;
    std::uint64_t chars = 0;
    std::uint64_t records = 0;
    std::uint32_t sum = 0;
  };
  static constexpr unsigned kSections = 6;

  bzDocCounters() = default;
  virtual ~bzDocCounters();

  void clear();
  // "SN", "SD", "SP", "ST", "SG", "SO" for slots 0..5, "??" for any other.
  AnsiString getSectionName(unsigned slot) const;
  // Slot of a section code (46 SD .. 51 ST); bzException
  // "Nierozpoznany kod sekcji!" for any other code.
  int getSectionIndex(int sectionCode) const;

  std::uint64_t commentLines = 0;
  std::uint64_t commentChars = 0;
  std::uint32_t fileSum = 0;
  std::array<Section, kSections> sections{};
};

}  // namespace swde
