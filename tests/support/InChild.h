// Runs steps of a test in a forked child of the test program: for what
// changes the whole process (its umask, its user), so that the test program
// and the tests after it stay as they were.
#pragma once

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace testsupport {

// body's result as the child gave it; false also when the child did not come
// to its end. The child ends with _Exit: nothing of the parent's (its atexit
// handlers, its leak check) runs twice. Diagnostics go to stderr.
inline bool inChild(const std::function<bool()>& body) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    bool ok = false;
    try {
      ok = body();
    } catch (...) {
      std::fprintf(stderr, "inChild: exception\n");
    }
    std::fflush(nullptr);
    std::_Exit(ok ? 0 : 1);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// In a child: gives up root (for a test whose point is a permission the
// system refuses), becoming the user and group "nobody" (65534). True when
// the process runs unprivileged afterwards; a process that was not root
// stays as it is.
inline bool dropRoot() {
  if (::geteuid() != 0) return true;
  const gid_t nobody = 65534;
  return ::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0 &&
         ::geteuid() != 0;
}

}  // namespace testsupport
