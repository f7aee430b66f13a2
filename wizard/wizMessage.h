// A message box the wizard shows: text and title in cp1250 (file names in
// them converted for display), and its icon.
#pragma once

#include "platform/AnsiString.h"

namespace swde {

using plat::AnsiString;

struct wizMessage {
  enum class Icon { Warning, Error, Question };
  AnsiString text;
  AnsiString title;
  Icon icon = Icon::Warning;

  bool operator==(const wizMessage&) const = default;
};

}  // namespace swde
