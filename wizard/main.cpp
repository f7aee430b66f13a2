// Entry of the command-file wizard: one main window. It reads no argument
// of its own (Qt takes its own) and starts no other program; the only thing
// it shares with olven is the command file it saves.

#include <unistd.h>

#include <QApplication>

#include "app/help/HelpSystem.h"
#include "platform/CodePage.h"
#include "platform/ConsoleOutput.h"
#include "platform/Display.h"
#include "platform/FileSystem.h"
#include "wizard/TForm1.h"
#include "wizard/wizPrompts.h"
#include "wizard/wizTexts.h"

int main(int argc, char** argv) {
  plat::ensureStandardDescriptors();
  const plat::ConsoleEncoding encoding = plat::localeConsoleEncoding();
  // File names are in the locale's encoding: the messages show them so.
  plat::setFileNameEncoding(encoding);
  if (!plat::displayAvailable()) {
    // Qt would abort without a display: the program says so itself.
    plat::ConsoleOutput err(STDERR_FILENO, encoding);
    err.write(plat::cp("Brak ekranu graficznego: okna programu nie można otworzyć.\n"));
    return 2;
  }

  QApplication app(argc, argv);
  swde::wizQtPrompts prompts;
  swde::TForm1 window(prompts);
  // F1 opens the help of the focused window's context; a failure is shown.
  swde::HelpSystem::instance().installF1(app, [&prompts](const QString& message) {
    prompts.tell(QApplication::activeWindow(), swde::wiz::T("Kreator pliku poleceń"), message,
                 swde::wizPrompts::Icon::Error);
  });
  window.show();
  return app.exec();
}
