// What the installer and the uninstaller show, behind an interface: the
// windows implement it, tests script it. Texts are cp1250 (paths in them
// converted with plat::fileNameToCp1250); the target folder travels as
// file-system bytes.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/AnsiString.h"

namespace swde {

using plat::AnsiString;

class setupUi {
 public:
  enum class Mode { Install, Uninstall };
  enum class Icon { Error, Warning, Information };

  virtual ~setupUi() = default;

  // "OLVEN Program instalacyjny": true on "&Tak".
  virtual bool askFirstQuestion() = 0;

  // "OLVEN Program Instalacyjny": the target folder, starting from initial.
  // "&Instaluj" passes the edit's text to check: a refusal (its message, shown
  // by the window) keeps the window open; an accepted text closes it and is
  // returned. nullopt on "&Wyjdź" (or a closed window).
  using TargetCheck = std::function<std::optional<AnsiString>(const std::string& text)>;
  virtual std::optional<std::string> askTarget(const std::string& initial,
                                               const TargetCheck& check) = 0;

  // "OLVEN Usuwanie oprogramowania": true on "&Tak".
  virtual bool askUninstallQuestion() = 0;

  // The status window ("Przebieg instalacji" / "Przebieg deinstalacji"): each
  // step text moves the bar to shown x 100 / total (at most 100), then
  // counts the step.
  virtual void statusShow(Mode mode, int total) = 0;
  virtual void statusStep(const AnsiString& text) = 0;
  virtual void statusHide() = 0;

  // The end windows: "Instalacja przebiegła pomyślnie" and "Program OLVEN
  // został usunięty.", each closed by "&Wyjdź".
  virtual void showInstallEnd() = 0;
  virtual void showUninstallEnd() = 0;

  // A message box with an "OK" button.
  virtual void message(const AnsiString& title, const AnsiString& text, Icon icon) = 0;
};

}  // namespace swde
