#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "support/Files.h"

namespace {

// Reports, the registry and every other writer name a failed write by one text.
TEST(FileWriteErrorReason, EachErrnoHasItsPolishText) {
  struct Case {
    int err;
    const char* text;  // UTF-8
  };
  const Case cases[] = {
      {ENOSPC, "brak miejsca na dysku"},
      {EDQUOT, "przekroczony przydział miejsca na dysku"},
      {EFBIG, "przekroczony dopuszczalny rozmiar pliku"},
      {EACCES, "brak uprawnień do zapisu"},
      {EPERM, "brak uprawnień do zapisu"},
      {EROFS, "system plików tylko do odczytu"},
      {ENOENT, "folder nie istnieje"},
      // the reasons that opening and writing share
      {ENOTDIR, "część ścieżki nie jest katalogiem"},
      {ENAMETOOLONG, "za długa nazwa pliku"},
      {EIO, "błąd wejścia-wyjścia"},
      {EXDEV, "błąd systemu nr 18"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(plat::fileWriteErrorReason(c.err), plat::cp(c.text)) << c.err;
}

}  // namespace

namespace {

// The folder holds the running program itself, whatever the working folder.
TEST(ExecutableFolder, IsTheFolderOfTheRunningProgram) {
  const std::string folder = plat::executableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), '/');
  EXPECT_NE(folder.back(), '/');
  EXPECT_TRUE(plat::sameFile(folder + "/test_platform", "/proc/self/exe")) << folder;
}

// Names reach report lines and messages as cp1250 text whatever the file
// system's encoding; a sign cp1250 lacks becomes '?'.
TEST(FileNameToCp1250, DecodesTheFileSystemEncoding) {
  struct Case {
    plat::ConsoleEncoding encoding;
    std::string name;
    const char* text;  // UTF-8 of the expected cp1250 text
  };
  const Case cases[] = {
      {plat::ConsoleEncoding::Utf8, "/dane/łąka.swd", "/dane/łąka.swd"},
      {plat::ConsoleEncoding::Utf8, "ŹRÓDŁO.swd", "ŹRÓDŁO.swd"},
      {plat::ConsoleEncoding::Utf8, "plik_жук.swd", "plik_???.swd"},
      {plat::ConsoleEncoding::Utf8, "zły\xff.swd", "zły?.swd"},
      {plat::ConsoleEncoding::Cp1250, plat::cp("łąka.swd"), "łąka.swd"},
      {plat::ConsoleEncoding::Iso88592, "\xb1\xb6\xbc.swd", "ąśź.swd"},
  };
  for (const Case& c : cases) {
    plat::setFileNameEncoding(c.encoding);
    EXPECT_EQ(plat::fileNameToCp1250(c.name), plat::cp(c.text)) << c.name;
  }
  plat::setFileNameEncoding(plat::ConsoleEncoding::Utf8);
}

// Only regular files may be opened for reading or written over; nothing
// blocks on the way to that answer.
TEST(RegularFiles, OthersAreRefusedWithoutBlocking) {
  testsupport::TempFolder folder;
  const std::string fifo = folder / "fifo";
  const std::string plain = folder / "plain";
  testsupport::writeFile(plain, "x");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::symlink(plain.c_str(), (folder / "link").c_str()), 0);
  struct Case {
    std::string path;
    int err;  // 0: opened
    bool nonRegular;
  };
  const Case cases[] = {
      {plain, 0, false},
      {folder / "link", 0, false},
      {fifo, plat::kNotRegularFile, true},
      {"/dev/null", plat::kNotRegularFile, true},
      {folder.path(), EISDIR, true},
      {folder / "missing", ENOENT, false},
  };
  for (const Case& c : cases) {
    int err = 0;
    const int fd = plat::openRegularForReading(c.path, err);
    if (c.err == 0) {
      EXPECT_GE(fd, 0) << c.path;
      // Reads block again as usual.
      EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0) << c.path;
      ::close(fd);
    } else {
      EXPECT_EQ(fd, -1) << c.path;
      EXPECT_EQ(err, c.err) << c.path;
    }
    EXPECT_EQ(plat::existsAsNonRegular(c.path), c.nonRegular) << c.path;
  }
}

// Saved files get what a plain creation would give them; the umask is
// changed only in a child, since it is the whole process's.
TEST(NewFileMode, IsTheUsualModeLessTheUmask) {
  for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{0}}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::umask(mask);
      ::_exit(plat::newFileMode() == (0666u & ~mask) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << std::oct << mask;
  }
}

}  // namespace
