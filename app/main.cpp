// Entry of the main program. Without an argument it would open the main
// window; with arguments it is a console command (iuConsole).

#include <unistd.h>

#include <exception>

#include "app/iuConsole.h"
#include "platform/CodePage.h"
#include "platform/ConsoleKeyboard.h"
#include "platform/ConsoleOutput.h"
#include "platform/ConsoleSignals.h"
#include "platform/ConsoleTitle.h"
#include "platform/Exception.h"

using plat::cp;

int main(int argc, char** argv) {
  // Before any thread: the control events go to their own thread only.
  const bool signalsBlocked = argc > 1 && plat::ConsoleSignals::blockSignals();
  plat::ignoreSigpipe();
  const plat::ConsoleEncoding encoding = plat::localeConsoleEncoding();
  plat::ConsoleOutput out(STDOUT_FILENO, encoding);
  plat::ConsoleOutput err(STDERR_FILENO, encoding);

  swde::iuConsole console(argc, argv);
  console.setOutput([&out](std::string_view text) { return out.write(text); });
  console.setBeep(&plat::consoleBeep);
  console.setArgumentEncoding(encoding);
  console.setNotifier([&err](const plat::AnsiString& text, const plat::AnsiString& caption) {
    err.write(caption + ": " + text + "\n");
  });

  if (argc <= 1) {
    out.write(
        cp("Okno główne programu nie jest dostępne w tej wersji. "
           "Program działa w trybie wsadowym:\n\n"));
    return console.run();
  }

  int status = swde::iuConsole::stFailure;
  {
    plat::ConsoleTitle title("OLVEN");
    plat::ConsoleKeyboard keyboard;
    if (keyboard.available()) console.setSpacePoll([&keyboard] { return keyboard.spaceHeld(); });

    plat::ConsoleSignals signals;
    const bool handled = signalsBlocked && signals.start([&](plat::ConsoleSignals::Event event) {
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
    });
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
    signals.finish();
  }  // keyboard modes and title restored here
  return status;
}
