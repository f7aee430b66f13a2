// Entry of the main program. Without an argument it opens the main window;
// with arguments it is a console command (iuConsole) and touches nothing of
// Qt, so that it needs no display.

#include <unistd.h>

#include <QMetaObject>
#include <QTimer>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <string_view>

#include "app/OlvenApplication.h"
#include "app/TMainForm.h"
#include "app/UiPrompts.h"
#include "app/help/HelpSystem.h"
#include "app/iuConsole.h"
#include "platform/CodePage.h"
#include "platform/ConsoleKeyboard.h"
#include "platform/ConsoleOutput.h"
#include "platform/ConsoleSignals.h"
#include "platform/ConsoleTitle.h"
#include "platform/Display.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"

using plat::cp;

namespace {

// How long a stopped run may take to end before the program ends it: 3 s,
// or the milliseconds of OLVEN_STOP_GRACE_MS (the tests of a clean stop
// make it long, so that a loaded machine never takes the other way).
unsigned stopGraceMs() {
  unsigned ms = 3000;
  if (const char* v = std::getenv("OLVEN_STOP_GRACE_MS")) {
    const std::string_view text(v);
    unsigned parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec == std::errc() && end == text.data() + text.size() && !text.empty()) ms = parsed;
  }
  return ms;
}

// The window mode: the application, the main window and the event loop. A
// stop signal (SIGINT, SIGTERM, SIGHUP) closes the window as "&Zamknij
// program" does, without questions: the signals' thread hands it to the
// event loop.
int runWindow(int& argc, char** argv, bool signalsBlocked) {
  swde::OlvenApplication app(argc, argv);
  swde::QtUiPrompts prompts;
  swde::TMainForm window(prompts);
  prompts.setParent(&window);
  // F1 opens the help of the focused widget's context; a failure is shown.
  swde::HelpSystem::instance().installF1(
      app, [&prompts](const QString& message) { prompts.error(message); });

  plat::ConsoleSignals signals;
  if (signalsBlocked) {
    auto onEvent = [&window](plat::ConsoleSignals::Event event) {
      if (!plat::ConsoleSignals::isStop(event)) return;
      QMetaObject::invokeMethod(
          &window, [&window] { window.closeWithoutQuestions(); }, Qt::QueuedConnection);
    };
    // A window that does not close after its run was stopped (and the
    // stop's own 3 s) is blocked where nothing reaches it: the program ends.
    auto overdue = [] { ::_exit(swde::iuConsole::stStopped); };
    if (!signals.start(onEvent, overdue, stopGraceMs() + 3000))
      plat::ConsoleSignals::unblockSignals();
  }

  window.show();
  // For the tests that signal a running window: a line once the loop runs.
  if (std::getenv("OLVEN_TEST_READY_LINE"))
    QTimer::singleShot(0, [] { plat::writeIfReady(STDOUT_FILENO, "OLVEN_READY\n"); });
  const int status = app.exec();
  signals.finish();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed standard stream would be taken by the first file opened (the
  // report) and the console's texts would be written into it.
  plat::ensureStandardDescriptors();
  const bool windowMode = argc <= 1;
  const bool canShowWindow = windowMode && plat::displayAvailable();
  // Before any thread: the control events go to their own thread only.
  const bool signalsBlocked =
      (!windowMode || canShowWindow) && plat::ConsoleSignals::blockSignals();
  plat::ignoreSigpipe();
  const plat::ConsoleEncoding encoding = plat::localeConsoleEncoding();
  // File names are in the locale's encoding too: the messages show them so.
  plat::setFileNameEncoding(encoding);
  plat::ConsoleOutput out(STDOUT_FILENO, encoding);
  plat::ConsoleOutput err(STDERR_FILENO, encoding);

  swde::iuConsole console(argc, argv);
  console.setOutput([&out](std::string_view text) { return out.write(text); });
  console.setErrorOutput([&err](std::string_view text) { return err.write(text); });
  console.setArgumentEncoding(encoding);
  console.setNotifier([&err](const plat::AnsiString& text, const plat::AnsiString& caption) {
    err.write(caption + ": " + text + "\n");
  });

  if (windowMode) {
    if (!canShowWindow) {
      err.write(
          cp("Brak ekranu graficznego: okna programu nie można otworzyć. "
             "Tryb wsadowy: olven /?\n"));
      return 2;
    }
    return runWindow(argc, argv, signalsBlocked);
  }

  int status = swde::iuConsole::stFailure;
  {
    plat::ConsoleTitle title("OLVEN");
    plat::ConsoleKeyboard keyboard;
    if (keyboard.available()) console.setSpacePoll([&keyboard] { return keyboard.spaceHeld(); });

    std::atomic<bool> runEnded{false};
    // The run did not end after a stop: it is blocked in a read or a write
    // that the stop cannot reach. The program ends here, on the signals'
    // thread, without unwinding the blocked one: the terminal and the title
    // as they were, no temporary report left behind.
    const std::string stopLine = err.bytesOf(swde::iuConsole::stopLine() + "\n");
    auto endNow = [&] {
      if (runEnded) return;  // the main thread is ending by itself
      plat::ConsoleKeyboard::restoreAtExit();
      title.restoreWithoutWaiting();
      console.removeTemporaryReport();
      plat::writeIfReady(STDERR_FILENO, stopLine);
      ::_exit(swde::iuConsole::stStopped);
    };

    auto onEvent = [&](plat::ConsoleSignals::Event event) {
      switch (event) {
        case plat::ConsoleSignals::Event::Interrupt:
          plat::consoleBeep();
          console.stop();
          break;
        case plat::ConsoleSignals::Event::Close:
          console.stop();
          break;
        case plat::ConsoleSignals::Event::Suspend:
          keyboard.suspend();
          break;
        case plat::ConsoleSignals::Event::Continue:
          keyboard.resume();
          break;
      }
    };
    plat::ConsoleSignals signals;
    const bool handled = signalsBlocked && signals.start(onEvent, endNow, stopGraceMs());
    if (!handled) {
      // Without the thread the signals keep their usual effect.
      if (signalsBlocked) plat::ConsoleSignals::unblockSignals();
      out.write(cp("Nie udało się ustawić metody obsługi zdarzeń"));
    }

    try {
      status = console.run();
    } catch (const plat::Exception& e) {
      err.write(e.Message() + "\n");
    } catch (const std::exception& e) {
      err.write(plat::AnsiString(e.what()) + "\n");
    } catch (...) {
      err.write(cp("Wystąpił nierozpoznany błąd!!!\n"));
    }
    runEnded = true;
    signals.finish();
  }  // keyboard modes and title restored here
  return status;
}
