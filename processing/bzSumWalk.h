// The three running sums of a control-sum walk over a file's lines (the
// file's, the section's and the record's), with the section and the record
// in hand. The authorization and the verification walk a file alike: a
// section or record start line opens its sum, every line is fed to the sums
// that cover it, and an end line closes its sum once the caller has used it.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Export.h"
#include "processing/bzDocCounters.h"
#include "processing/bzLineKinds.h"
#include "processing/bzSumCRC.h"

namespace swde {

class OLVCORE_API bzSumWalk {
 public:
  // What the line fed last ends.
  struct Ends {
    bool file = false;
    bool section = false;
    bool record = false;
  };

  // A new file: every sum restarted, no section or record in hand.
  void restart();
  // Opens the section or record that a line of code starts (its records
  // counted in records and in the section's slot of counters), then feeds
  // text to the sums that cover the line: the file's unless the line ends
  // the file, the section's and the record's unless it ends them. The end
  // line's own label and sum go to its sum through the caller.
  Ends feed(int code, std::string_view text, bzDocCounters& counters, std::uint32_t& records);
  // No section in hand any more (after its end line was used).
  void endSection();
  // No record in hand any more.
  void endRecord();

  bzSumCRC file, section, record;
  bool inSection = false;
  bool inRecord = false;
  int sectionCode = -1;  // of the section in hand; 0 after its end, -1 before any
  int slot = -1;         // document slot of the section in hand
};

}  // namespace swde
