// The installer's entry: what the command line asks for and the run of it,
// over an injected platform and user interface.
#pragma once

#include <functional>

#include "platform/AnsiString.h"

namespace swde {

using plat::AnsiString;

class setupPlatform;  // setup/setupPlatform.h: files, registry, loader, is-root;
                      // setupPlatform::system() is the real one
class setupUi;

struct setupProgram {
  enum class Action { Install, Uninstall, Nothing };
  // No argument installs; a first argument exactly "-u" uninstalls; anything else: Nothing.
  static Action actionFor(int argc, const char* const* argv);
  // Runs the action. ui is null when no window can be shown. err writes a cp1250 line to
  // stderr. As root: "Program instalacyjny należy uruchomić na koncie użytkownika, nie jako
  // root." on err (and, with a ui, in a "Błąd instalacji" box), status 1. No ui: "Brak ekranu
  // graficznego: okna programu nie można otworzyć." on err, status 2. Else the installer
  // (payload: runimage/ beside the running program) or the uninstaller: 0 done or declined,
  // 2 a failure. Action::Nothing: status 1, nothing shown.
  static int run(Action action, setupPlatform& platform, setupUi* ui,
                 const std::function<void(const AnsiString&)>& err);
};

}  // namespace swde
