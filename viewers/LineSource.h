// The lines a page of a viewer is filled from: a paged buffer over a text
// file or over the records of a report. Line numbers count from 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Export.h"

namespace olv {

// Direction of a request: forward or a jump, or backwards (a buffer then
// loads its window so that it ends near the asked line).
enum : int { kForward = 0, kBackward = 1 };

class OLVPAGING_API LineSource {
 public:
  virtual ~LineSource() = default;

  // The text of line n. err: 0 found, 1 past the last line, -1 nothing open.
  virtual std::string getLine(std::int64_t n, int& err, int dir) = 0;

  // getLine for first, first + 1, ... until count lines or the first error,
  // which stays in err (0 when all were found).
  virtual std::vector<std::string> getLines(std::int64_t first, std::int64_t count, int& err,
                                            int dir) = 0;

  // One past the highest line number ever loaded since the open; only grows.
  virtual std::uint64_t getKnownLines() const = 0;
};

}  // namespace olv
