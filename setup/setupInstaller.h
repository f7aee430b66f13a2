// The install: from the payload, runimage/ beside the running program, into
// a folder of the user's choice, per user.
//  1. The payload must be there; then the first question ("Tak" goes on).
//  2. The target: the recorded install folder, else <data home>/olven/; the
//     window asks until a folder is accepted (checkTarget) or it is left.
//  3. The status window; the uninstall record first, so that whatever
//     follows can be removed again.
//  4. Every file of the name table copied (copyFile), the templates merged
//     when the registry has none of its own, the component server
//     registered, the menu entries written; the record notes each step.
//  5. The end window.
// A failure of steps 3-4 ends the install with its text in a message box;
// what was copied stays, and the record lets the uninstall remove it.
#pragma once

#include <optional>
#include <string>

#include "platform/AnsiString.h"

namespace swde {

using plat::AnsiString;

class setupPlatform;
class setupUi;

class setupInstaller {
 public:
  setupInstaller(setupPlatform& platform, setupUi& ui);

  // 0 installed or declined, 2 a failure (shown).
  int run();

  // The payload folder, ending in "/": runimage/ beside the running program.
  std::string payload() const;

  // The folder the target window starts with, ending in "/" ("" when the
  // user has no home and there is no record).
  std::string initialTarget() const;

  // Checks a target typed by the user: nullopt and the folder (absolute,
  // normalised, ending in "/") in target when it is accepted, else the
  // refusal's text (cp1250).
  std::optional<AnsiString> checkTarget(const std::string& text, std::string& target) const;

  // Copies source over destination: a temporary file beside destination
  // gets the bytes and the source's mode, then replaces destination at
  // once. Empty on success, else the failure's text (cp1250); no temporary
  // file is left behind then.
  AnsiString copyFile(const std::string& source, const std::string& destination);

 private:
  struct Failure {
    AnsiString text;
  };
  void copyAll(const std::string& target);
  void mergeTemplates(const std::string& target);
  void registerComponent(const std::string& target);
  void createEntries(const std::string& target);

  setupPlatform& platform_;
  setupUi& ui_;
};

}  // namespace swde
