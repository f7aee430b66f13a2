// One command of a command file as the wizard edits it.
#pragma once

#include <vector>

#include "platform/AnsiString.h"

namespace swde {

using plat::AnsiString;

struct wizCommand {
  // Input data files in the order given (file-system bytes, relative names
  // as written).
  std::vector<AnsiString> inputs;
  // Output file; "" when none.
  AnsiString output;
  // Each one of "-pk", "-pbz", "-rk".
  std::vector<AnsiString> options;
  // Report file; "" when the report is only shown on screen.
  AnsiString report;
  // "SK", "SP", "SC", "GA", "WA"; "" in a new command.
  AnsiString code;

  bool hasOption(const AnsiString& option) const;
  void removeOption(const AnsiString& option);

  bool operator==(const wizCommand&) const = default;
};

}  // namespace swde
