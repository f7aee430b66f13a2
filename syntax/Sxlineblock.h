// A run of consecutive lines of one file as the bulk check hands them out:
// the code of every line, and the lines that carry an error.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "syntax/Sxcodes.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxline.h"

namespace swde {

// A line of a block that carries an error.
struct sxLineFinding {
  std::uint32_t index = 0;     // the line's place in the block
  std::uint8_t section = 0;    // the section in force once the line was read
  std::uint64_t position = 0;  // byte offset of the line's start in the file
  counted_ptr<sxError> error;
};

struct sxLineBlock {
  // The codes of the lines, in file order (sxLineCode values).
  std::vector<std::uint8_t> codes;
  // How many of the lines have each code.
  std::array<std::uint32_t, kLastLineCode + 1> codeCounts{};
  // The lines of the block that carry an error, in file order.
  std::vector<sxLineFinding> findings;
  // Byte offset in the file just past the block's last line.
  std::uint64_t endPosition = 0;

  void clear() {
    codes.clear();
    codeCounts.fill(0);
    findings.clear();
  }
};

}  // namespace swde
