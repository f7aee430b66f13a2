// The processing options of one run. The main program writes the fields
// directly after construction; the processes only read them.
#pragma once

#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVCORE_API bzSettings {
 public:
  bzSettings() = default;
  virtual ~bzSettings();

  // Options block of the report, merge and authorization: comment lines are
  // skipped when records are read. The checks always skip them.
  bool skipComments = true;
  // Insignificant characters are skipped when a line is rebuilt.
  bool skipWhiteChars = true;
  // Merge and authorization: folder of the result and name of the result
  // file. An empty folder is the input's folder for the authorization and
  // the current folder for the merge.
  AnsiString outputDir;
  AnsiString outputFileName;
  // Kept for the main program's own use.
  AnsiString reportDir;
  AnsiString reportFileName;
  std::int32_t maxErrors = 100;
  // Condensed report: only the first finding of each (key, code) is written.
  bool reportCondensed = true;
};

}  // namespace swde
