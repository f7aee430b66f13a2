#include "setup/setupProgram.h"

#include <cstring>

#include "platform/CodePage.h"
#include "setup/setupInstaller.h"
#include "setup/setupPlatform.h"
#include "setup/setupUi.h"
#include "setup/setupUninstaller.h"

namespace swde {

setupProgram::Action setupProgram::actionFor(int argc, const char* const* argv) {
  if (argc < 2) return Action::Install;
  return argv[1] && std::strcmp(argv[1], "-u") == 0 ? Action::Uninstall : Action::Nothing;
}

int setupProgram::run(Action action, setupPlatform& platform, setupUi* ui,
                      const std::function<void(const AnsiString&)>& err) {
  if (action == Action::Nothing) return 1;
  // Everything the install writes is the user's own: the registry, the
  // folder, the menu. Root would make them root's.
  if (platform.isRoot()) {
    const AnsiString text =
        plat::cp("Program instalacyjny należy uruchomić na koncie użytkownika, nie jako root.");
    err(text);
    if (ui) ui->message(plat::cp("Błąd instalacji"), text, setupUi::Icon::Error);
    return 1;
  }
  if (!ui) {
    err(plat::cp("Brak ekranu graficznego: okna programu nie można otworzyć."));
    return 2;
  }
  if (action == Action::Install) return setupInstaller(platform, *ui).run();
  return setupUninstaller(platform, *ui).run();
}

}  // namespace swde
