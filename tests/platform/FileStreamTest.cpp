#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "support/Files.h"
#include "support/TempFile.h"

namespace {

TEST(InputFile, ReadsSeeksAndStopsAtTheSizeSeenAtOpen) {
  testsupport::TempFile f("0123456789");
  plat::InputFile in(f.path());
  EXPECT_EQ(in.size(), 10u);
  char buf[16] = {};
  EXPECT_EQ(in.read(buf, 4), 4u);
  EXPECT_EQ(std::string(buf, 4), "0123");
  EXPECT_EQ(in.position(), 4u);
  EXPECT_EQ(in.seek(8), 8u);
  EXPECT_EQ(in.read(buf, 16), 2u);
  EXPECT_EQ(std::string(buf, 2), "89");
  EXPECT_EQ(in.read(buf, 16), 0u);
  EXPECT_EQ(in.seek(100), 100u);
  EXPECT_EQ(in.read(buf, 16), 0u);

  // Bytes appended after the open are not read.
  FILE* w = std::fopen(f.path().c_str(), "ab");
  std::fputs("more", w);
  std::fclose(w);
  in.seek(0);
  EXPECT_EQ(in.read(buf, 16), 10u);
}

// Reads the whole of in, piece by piece, until the end or a failure.
struct Follower {
  std::string read;
  bool failed = false;
  void operator()(plat::InputFile& in) {
    char buf[4];
    try {
      while (const std::size_t n = in.read(buf, sizeof buf)) read.append(buf, n);
    } catch (const plat::EFileError&) {
      failed = true;
    }
  }
};

// A file this program writes and lets its readers follow: a reader opened
// on it by another name reads what is written as it comes, to the end the
// writer sets; when the writer gives up instead, the waiting read fails.
TEST(InputFile, FollowsAGrowingFileToTheEndItsWriterSets) {
  for (const bool finished : {true, false}) {
    SCOPED_TRACE(finished ? "finished" : "abandoned");
    testsupport::TempFile f("head;");
    const std::string link = f.path() + ".link";
    ASSERT_EQ(::link(f.path().c_str(), link.c_str()), 0);
    const int fd = ::open(f.path().c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    auto growing = std::make_shared<plat::GrowingFile>();
    growing->grew(5);
    Follower follower;
    {
      plat::FollowedFile followed(fd, growing);
      plat::InputFile in(link);
      EXPECT_EQ(in.size(), 5u);
      std::thread reader([&] { follower(in); });
      for (const char* piece : {"a,b;", "", "c;"}) {
        ASSERT_EQ(::write(fd, piece, std::strlen(piece)), static_cast<ssize_t>(std::strlen(piece)));
        growing->grew(growing->state().size + std::strlen(piece));
      }
      if (finished) {
        growing->finish();
        growing->abandon();  // too late: a finished file is read to its end
      } else {
        growing->abandon();
      }
      reader.join();
      if (finished) EXPECT_EQ(in.size(), 11u);
    }
    EXPECT_EQ(follower.failed, !finished);
    // Abandoned, the reader stopped wherever it stood.
    EXPECT_EQ(follower.read, std::string("head;a,b;c;").substr(0, follower.read.size()));
    if (finished) EXPECT_EQ(follower.read, "head;a,b;c;");
    // No longer followed: a reader reads what is there at its open.
    ASSERT_EQ(::write(fd, "d;", 2), 2);
    plat::InputFile later(link);
    EXPECT_EQ(later.size(), 13u);
    ::close(fd);
    ::unlink(link.c_str());
  }
}

TEST(InputFile, OpenFailuresNameThePathAndTheReason) {
  struct Case {
    std::string path;
    const char* reason;
  };
  const char* dir = std::getenv("TMPDIR");
  // A FIFO with no writer would block a plain open for good.
  testsupport::TempFolder folder;
  const std::string fifo = folder / "fifo.swd";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const Case cases[] = {
      {"/nonexistent/olv/file.swd", "plik nie istnieje"},
      {dir && *dir ? dir : "/tmp", "katalog"},
      {"/dev/null", "nie jest zwykły plik"},
      {fifo, "nie jest zwykły plik"},
      {folder.path() + "/" + std::string(300, 'x'), "za długa nazwa pliku"},
  };
  for (const Case& c : cases) {
    try {
      plat::InputFile in(c.path);
      ADD_FAILURE() << "opened " << c.path;
    } catch (const plat::EFileError& e) {
      EXPECT_NE(e.Message().find(c.path), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find(plat::cp(c.reason)), std::string::npos) << e.Message();
    }
  }
}

// The open is tried in a child process, which drops root's rights to those
// of nobody first (root reads every file); it reports by its exit status.
TEST(InputFile, UnreadableFileIsRefused) {
  enum : int { kRefused = 0, kOpened = 1, kOtherError = 2, kNoUnprivilegedUser = 3 };
  testsupport::TempFile f("x");
  ASSERT_EQ(::chmod(f.path().c_str(), 0), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::geteuid() == 0) {
      const gid_t nobody = 65534;
      if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0 ||
          ::geteuid() == 0)
        ::_exit(kNoUnprivilegedUser);
    }
    int status = kOpened;
    try {
      plat::InputFile in(f.path());
    } catch (const plat::EFileError& e) {
      const std::string m = e.Message();
      const bool named = m.find(f.path()) != std::string::npos &&
                         m.find(plat::fileErrorReason(EACCES)) != std::string::npos;
      status = named ? kRefused : kOtherError;
    } catch (...) {
      status = kOtherError;
    }
    ::_exit(status);
  }
  int st = 0;
  ASSERT_EQ(::waitpid(pid, &st, 0), pid);
  ASSERT_TRUE(WIFEXITED(st)) << "the child ended by signal " << WTERMSIG(st);
  if (WEXITSTATUS(st) == kNoUnprivilegedUser)
    GTEST_SKIP() << "no unprivileged user id to try the open with";
  EXPECT_EQ(WEXITSTATUS(st), kRefused)
      << (WEXITSTATUS(st) == kOpened ? "the file was opened"
                                     : "not refused with its path and reason");
}

}  // namespace
