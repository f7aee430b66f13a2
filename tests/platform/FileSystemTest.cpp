#include <gtest/gtest.h>

#include <cerrno>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"

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

}  // namespace
