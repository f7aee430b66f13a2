#include "app/WizardLauncher.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

#include "platform/CodePage.h"

extern char** environ;

namespace swde {

int WizardLauncher::launch(const std::string& path) {
  std::string arg0 = path;
  char* argv[] = {arg0.data(), nullptr};
  pid_t pid = 0;
  const int err = ::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ);
  if (err != 0) return err;
  // Reaped when it ends; the window never waits for it.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return 0;
}

plat::AnsiString WizardLauncher::failureMessage(int err) {
  const char* reason = nullptr;
  switch (err) {
    case E2BIG:
      reason = "Zbyt długa lista argumentów!";
      break;
    case EINVAL:
      reason = "Błędne argumenty!";
      break;
    case ENOENT:
      reason = "Błędna ścieżka lub nazwa pliku!";
      break;
    case ENOEXEC:
      reason = "Błąd w pliku EXE!";
      break;
    case ENOMEM:
      reason = "Brak pamięci!";
      break;
    default:
      reason = "Błąd nieznany";
      break;
  }
  return plat::cp("Nie udało się uruchomić kreatora!\n ") + plat::cp(reason);
}

}  // namespace swde
