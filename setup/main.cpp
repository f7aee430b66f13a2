// Entry of the installer: no argument installs the suite from "runimage/"
// beside the program, "-u" removes it, any other argument does nothing. The
// work is the core's (setupProgram); this file gives it the windows when a
// display is there, and the standard error stream for its lines.

#include <unistd.h>

#include <QApplication>
#include <exception>
#include <functional>

#include "platform/CodePage.h"
#include "platform/ConsoleOutput.h"
#include "platform/Display.h"
#include "platform/Exception.h"
#include "setup/TfrmMain.h"
#include "setup/setupPlatform.h"
#include "setup/setupProgram.h"
#include "setup/setupQtUi.h"

namespace {

// The work, with anything it throws told on the error stream as a failure:
// nothing may leave an event handler of Qt.
int guarded(const std::function<int()>& work,
            const std::function<void(const plat::AnsiString&)>& err) {
  try {
    return work();
  } catch (const plat::Exception& e) {
    err(e.Message());
  } catch (const std::exception& e) {
    err(plat::AnsiString(e.what()));
  } catch (...) {
    err(plat::cp("Wystąpił nierozpoznany błąd!!!"));
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  plat::ensureStandardDescriptors();
  const swde::setupProgram::Action action = swde::setupProgram::actionFor(argc, argv);
  if (action == swde::setupProgram::Action::Nothing) return 1;

  plat::ignoreSigpipe();
  plat::ConsoleOutput console(STDERR_FILENO, plat::localeConsoleEncoding());
  // One line each: the line end is added unless the text brings its own.
  const std::function<void(const plat::AnsiString&)> err =
      [&console](const plat::AnsiString& text) {
        if (!text.empty() && text.back() == '\n')
          console.write(text);
        else
          console.write(text + "\n");
      };
  swde::setupPlatform& platform = swde::setupPlatform::system();

  if (!plat::displayAvailable())
    return guarded([&] { return swde::setupProgram::run(action, platform, nullptr, err); }, err);

  QApplication app(argc, argv);
  // The start form stays hidden and the dialogs come and go: the program
  // ends when the work does, not when a window closes.
  QApplication::setQuitOnLastWindowClosed(false);
  swde::TfrmMain form;
  QApplication::setWindowIcon(form.windowIcon());
  swde::setupQtUi ui;
  QObject::connect(&form, &swde::TfrmMain::workDone, &app,
                   [](int status) { QApplication::exit(status); });
  form.start([&] {
    return guarded([&] { return swde::setupProgram::run(action, platform, &ui, err); }, err);
  });
  app.exec();
  return form.status();
}
