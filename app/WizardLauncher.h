// Starts the batch-file wizard beside the program as a process of its own.
// The window does not wait for it: a thread of its own reaps it when it
// ends, so that no zombie is left behind.
#pragma once

#include <string>

#include "platform/AnsiString.h"

namespace swde {

class WizardLauncher {
 public:
  static constexpr const char* kProgram = "olvenWizzard";

  // Starts path with itself as its only argument: 0, or the errno of the
  // failure.
  static int launch(const std::string& path);

  // The message of a failed start by errno (cp1250).
  static plat::AnsiString failureMessage(int err);
};

}  // namespace swde
