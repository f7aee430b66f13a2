// The time texts of a running action, shared by the console's status block
// and the main window's statistics panel: the time elapsed since the action
// started and the estimate of the time left in the current stage.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/AnsiString.h"

namespace swde {

using plat::AnsiString;

class TimeTexts {
 public:
  // Hours and minutes, minutes and seconds, or seconds of ms (whole days are
  // not shown); empty below one second.
  static AnsiString elapsed(std::uint64_t ms);

  // The start of the current stage, in the milliseconds of the caller's
  // clock.
  void setStageStart(std::uint64_t tick) { stageStart_ = tick; }

  // The time left in the stage from the process position p of max x at now:
  // nullopt while nothing is known, that is at position 0 (nothing else
  // changes) and when the position went back, which starts a new stage at
  // now.
  std::optional<AnsiString> remaining(std::uint64_t p, std::uint64_t x, std::uint64_t now);

 private:
  std::uint64_t stageStart_ = 0;
  std::uint64_t previousPosition_ = 0;
};

}  // namespace swde
