// What a paged buffer reads its units from: the lines of a text file or the
// records of a report, each found by the byte offset where it starts.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Export.h"

namespace olv {

class OLVPAGING_API UnitSource {
 public:
  virtual ~UnitSource() = default;

  // Reads the unit starting at offset: true when there was one, next then
  // being the offset of the unit after it. text null: the unit is only
  // skipped.
  virtual bool readUnit(std::uint64_t offset, std::string* text, std::uint64_t& next) = 0;

  // Skips up to count units from offset: the number skipped (fewer at the
  // end of the file), next then being the offset behind the last one.
  virtual std::int64_t skipUnits(std::uint64_t offset, std::int64_t count, std::uint64_t& next) {
    std::int64_t done = 0;
    next = offset;
    for (; done < count; ++done) {
      std::uint64_t after = 0;
      if (!readUnit(next, nullptr, after)) break;
      next = after;
    }
    return done;
  }

  // The start of the unit count units before the one starting at start,
  // found by reading backwards; false when the source cannot tell (then the
  // caller reads forward from a start it knows).
  virtual bool startBefore(std::uint64_t start, std::int64_t count, std::uint64_t& found) {
    (void)start;
    (void)count;
    (void)found;
    return false;
  }
};

}  // namespace olv
