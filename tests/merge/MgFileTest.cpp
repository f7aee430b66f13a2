#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "merge/Mgfile.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "support/InChild.h"
#include "support/NonRegularTargets.h"

namespace {

namespace fs = std::filesystem;
using plat::cp;
using swde::mgFile;

std::vector<std::string> entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  return names;
}

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every test works in an empty folder of its own, so that leftovers show.
class MgFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = plat::tempFolder() + "/olvmgfXXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string dir_;
};

struct Piece {
  std::string text;
  std::uint64_t offset;  // where the store says it lies
};

struct ReadCase {
  const char* name;
  std::vector<Piece> pieces;
  std::uint64_t offset, length;
  std::string expected;
};

TEST_F(MgFileTest, PiecesLieBackToBackAndReadBackByOffsetAndLength) {
  const std::string big(300 * 1024, 'x');  // larger than the write buffer
  const std::vector<ReadCase> cases = {
      {"second piece", {{"abc", 0}, {"defg", 3}}, 3, 4, "defg"},
      {"across pieces", {{"abc", 0}, {"defg", 3}}, 1, 4, "bcde"},
      {"empty write adds nothing", {{"abc", 0}, {"", 3}, {"defg", 3}}, 3, 4, "defg"},
      {"empty read", {{"abc", 0}}, 3, 0, ""},
      {"NUL bytes kept",
       {{std::string("a\0b", 3), 0}, {std::string("\0", 1), 3}},
       0,
       4,
       std::string("a\0b\0", 4)},
      {"cp1250 bytes", {{cp("żółć\r\n"), 0}}, 0, 6, cp("żółć\r\n")},
      {"piece beyond the buffer",
       {{"ab", 0}, {big, 2}, {"cd", 2 + big.size()}},
       big.size() + 1,
       3,
       "xcd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    mgFile f;
    f.openTempFile(dir_);
    for (const auto& p : c.pieces) {
      EXPECT_EQ(f.position(), p.offset);
      f.saveLinesToFile(p.text);
    }
    EXPECT_EQ(f.readLinesFromFile(c.offset, c.length), c.expected);
    // Writing goes on at the end after a read.
    const std::uint64_t end = f.position();
    f.saveLinesToFile("Z");
    EXPECT_EQ(f.readLinesFromFile(end, 1), "Z");
  }
}

TEST_F(MgFileTest, ReadPastTheEndRaisesNamingTheFile) {
  mgFile f;
  f.openTempFile(dir_);
  f.saveLinesToFile("abc");
  for (auto [offset, length] : {std::pair<std::uint64_t, std::uint64_t>{0, 4}, {3, 1}, {9, 0}}) {
    try {
      f.readLinesFromFile(offset, length);
      ADD_FAILURE() << offset << "," << length;
    } catch (const plat::EFileError& e) {
      EXPECT_EQ(e.Message(),
                cp("Błąd odczytu pliku ") + f.path() + cp(" (nieoczekiwany koniec pliku)"));
    }
  }
  EXPECT_EQ(f.readLinesFromFile(0, 3), "abc");
}

TEST_F(MgFileTest, TemporaryStoreIsPrivateAndLeavesNothing) {
  {
    mgFile f;
    f.openTempFile(dir_);
    f.saveLinesToFile("abc");
    ASSERT_EQ(entries(dir_).size(), 1u);
    struct stat st;
    ASSERT_EQ(::stat(f.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(plat::extractFilePath(f.path()), dir_ + "/");
  }
  EXPECT_TRUE(entries(dir_).empty());

  // Closed, replaced by another store, or unlinked at once: nothing stays.
  {
    mgFile f;
    f.openTempFile(dir_);
    f.closeFile();
    EXPECT_FALSE(f.isOpen());
    EXPECT_TRUE(entries(dir_).empty());
    f.openTempFile(dir_);
    f.openTempFile(dir_);
    EXPECT_EQ(entries(dir_).size(), 1u);
    f.unlinkName();
    EXPECT_TRUE(entries(dir_).empty());
    f.saveLinesToFile("still there");
    EXPECT_EQ(f.readLinesFromFile(6, 5), "there");
  }
  EXPECT_TRUE(entries(dir_).empty());
}

TEST_F(MgFileTest, NamedStoreStaysWithWhatWasWritten) {
  const std::string name = dir_ + "/wynik.swd";
  {
    std::ofstream(name) << "old content that is longer";
    mgFile f;
    f.openFile(name);
    f.saveLinesToFile("abc");
    f.saveLinesToFile("defg");
  }
  EXPECT_EQ(contents(name), "abcdefg");
  {
    mgFile f;
    f.openFile(name);
    f.saveLinesToFile("x");
    f.closeFile();
  }
  EXPECT_EQ(contents(name), "x");
  EXPECT_EQ(entries(dir_), std::vector<std::string>{"wynik.swd"});
}

TEST_F(MgFileTest, MissingFolderRaisesAndTheStoreKeepsWhatItHeld) {
  const std::string missing = dir_ + "/none";
  mgFile f;
  f.openTempFile(dir_);
  f.saveLinesToFile("abc");
  try {
    f.openTempFile(missing);
    ADD_FAILURE() << "no raise";
  } catch (const plat::EFileError& e) {
    EXPECT_EQ(e.Message(), cp("Nie można utworzyć pliku tymczasowego w folderze ") + missing +
                               cp(" (folder nie istnieje)"));
  }
  try {
    f.openFile(missing + "/x.swd");
    ADD_FAILURE() << "no raise";
  } catch (const plat::EFileError& e) {
    EXPECT_EQ(e.Message(),
              cp("Nie można utworzyć pliku ") + missing + cp("/x.swd (folder nie istnieje)"));
  }
  EXPECT_EQ(f.readLinesFromFile(0, 3), "abc");
  EXPECT_EQ(entries(dir_).size(), 1u);
}

TEST_F(MgFileTest, ClosedStoreRaisesOnWriteAndRead) {
  mgFile f;
  EXPECT_THROW(f.saveLinesToFile("abc"), plat::EFileError);
  EXPECT_THROW(f.readLinesFromFile(0, 0), plat::EFileError);
  f.saveLinesToFile("");  // nothing to write, nothing to fail
  f.closeFile();
}

// A failing write: the raise names the file and the reason, every later use
// raises again, and the temporary file goes all the same.
TEST_F(MgFileTest, FailedWriteRaisesAndTheTemporaryFileStillGoes) {
  struct Case {
    const char* name;
    int err;
    const char* reason;
    bool shortWrites;  // the disk takes part of the data first
  };
  const Case cases[] = {
      {"disk full", ENOSPC, "brak miejsca na dysku", false},
      {"quota after a short write", EDQUOT, "przekroczony przydział miejsca na dysku", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    {
      mgFile f;
      f.openTempFile(dir_);
      bool once = c.shortWrites;
      f.setWriteFunction([&](int fd, const void* data, std::size_t size, off_t at) -> ssize_t {
        if (once) {
          once = false;
          return ::pwrite(fd, data, size / 2, at);
        }
        errno = c.err;
        return -1;
      });
      const std::string expected = cp("Błąd zapisu pliku ") + f.path() + " (" + cp(c.reason) + ")";
      f.saveLinesToFile("abcdef");
      try {
        f.readLinesFromFile(0, 6);  // the buffer goes out first
        ADD_FAILURE() << "no raise";
      } catch (const plat::EFileError& e) {
        EXPECT_EQ(e.Message(), expected);
      }
      f.setWriteFunction({});
      EXPECT_THROW(f.saveLinesToFile("g"), plat::EFileError);
      EXPECT_THROW(f.readLinesFromFile(0, 1), plat::EFileError);
      try {
        f.closeFile();
        ADD_FAILURE() << "no raise";
      } catch (const plat::EFileError& e) {
        EXPECT_EQ(e.Message(), expected);
      }
      EXPECT_FALSE(f.isOpen());
    }
    EXPECT_TRUE(entries(dir_).empty());
  }
}

// A real limit on the file size, in a child process so that the limit and the
// ignored signal stay there.
TEST_F(MgFileTest, FileSizeLimitRaisesOnFlushAndLeavesNothing) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit;
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 1000;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(11);
    std::string expected;
    try {
      mgFile f;
      f.openTempFile(dir_);
      expected =
          cp("Błąd zapisu pliku ") + f.path() + cp(" (przekroczony dopuszczalny rozmiar pliku)");
      f.saveLinesToFile(std::string(600, 'a'));
      f.saveLinesToFile(std::string(600, 'b'));
      f.closeFile();
      ::_exit(1);
    } catch (const plat::EFileError& e) {
      if (e.Message() != expected) ::_exit(2);
    }
    ::_exit(entries(dir_).empty() ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A named store is only ever a regular file: a FIFO, a device reached through
// a link or a folder of that name is refused untouched, without waiting for
// a reader of the FIFO; the store keeps what it held.
TEST_F(MgFileTest, NamedStoreRefusesWhatIsNotARegularFile) {
  for (const testsupport::NonRegularTarget& c : testsupport::kNonRegularTargets) {
    SCOPED_TRACE(c.what);
    const std::string name = dir_ + "/wynik.swd";
    c.make(name);
    struct stat before;
    ASSERT_EQ(::lstat(name.c_str(), &before), 0);
    mgFile f;
    f.openTempFile(dir_);
    f.saveLinesToFile("abc");
    try {
      f.openFile(name);
      ADD_FAILURE() << "opened";
    } catch (const plat::EFileError& e) {
      EXPECT_EQ(e.Message(), cp("Nie można utworzyć pliku ") + name + " (" +
                                 plat::fileWriteErrorReason(c.err) + ")");
    }
    EXPECT_EQ(f.readLinesFromFile(0, 3), "abc");
    struct stat after;
    ASSERT_EQ(::lstat(name.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_ino, before.st_ino);
    f.closeFile();
    fs::remove_all(name);
  }
}

// A new named store has the mode of a plain creation (0666 less the umask,
// set in a child so that the test program keeps its own); a link to a
// regular file is written through, as any program would.
TEST_F(MgFileTest, NamedStoreModeAndLinks) {
  const std::string dir = dir_;
  EXPECT_TRUE(testsupport::inChild([&] {
    ::umask(027);
    mgFile f;
    f.openFile(dir + "/nowy.swd");
    f.closeFile();
    struct stat st;
    return ::stat((dir + "/nowy.swd").c_str(), &st) == 0 && (st.st_mode & 0777) == 0640;
  }));
  const std::string real = dir_ + "/prawdziwy.swd";
  std::ofstream(real) << "old content";
  ASSERT_EQ(::symlink(real.c_str(), (dir_ + "/link.swd").c_str()), 0);
  mgFile f;
  f.openFile(dir_ + "/link.swd");
  f.saveLinesToFile("new");
  f.closeFile();
  EXPECT_EQ(contents(real), "new");
}

}  // namespace

namespace {

// A store whose bytes go to the disk as they are written commits exactly
// them, past its buffer and in pieces of every size.
TEST_F(MgFileTest, WrittenBackEarlyCommitsTheSameBytes) {
  mgFile store;
  store.openTempFile(dir_);
  store.writeBackEarly();
  std::string all;
  for (int i = 0; i < 3000; ++i) {
    const std::string piece = std::string(static_cast<std::size_t>(i % 700), 'a' + i % 26) + "\r\n";
    store.saveLinesToFile(piece);
    all += piece;
  }
  const std::string target = dir_ + "/wynik.swd";
  store.commitTo(target);
  EXPECT_EQ(contents(target), all);
  EXPECT_EQ(entries(dir_), std::vector<std::string>{"wynik.swd"});
}

// A store written early syncs what it wrote on a thread of its own, every
// few tens of megabytes, while it goes on writing. A sync that succeeds
// leaves the commit as it was; one that fails is the failure of the commit
// (the output as it was, no file left) or of the close of a named store,
// never lost to the last sync, which the system would tell nothing of it.
TEST_F(MgFileTest, WrittenBackEarlySyncsOnItsWayAndReportsAFailedSync) {
  struct Case {
    const char* name;
    int fails;  // errno of the syncs, 0 for none
    bool named;
  } const cases[] = {{"syncs", 0, false}, {"failed sync", EIO, false}, {"named", EIO, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string target = dir_ + "/wynik.swd";
    { std::ofstream(target, std::ios::binary) << "poprzedni"; }
    std::mutex lock;
    std::condition_variable called;
    int syncs = 0;
    mgFile store;
    if (c.named)
      store.openFile(target);
    else
      store.openTempFile(dir_);
    store.writeBackEarly();
    store.setSyncFunction([&](int fd) {
      {
        std::lock_guard<std::mutex> hold(lock);
        ++syncs;
      }
      called.notify_all();
      if (c.fails == 0) return ::fdatasync(fd);
      errno = c.fails;
      return -1;
    });
    // Just past the first step.
    const std::string piece(1 << 20, 'x');
    constexpr std::size_t kPieces = 33;
    for (std::size_t i = 0; i < kPieces; ++i) store.saveLinesToFile(piece);
    {
      // Past the first step the thread syncs; the test waits for it.
      std::unique_lock<std::mutex> hold(lock);
      called.wait(hold, [&] { return syncs > 0; });
    }
    if (c.named) {
      EXPECT_THROW(store.closeFile(), plat::EFileError);
      EXPECT_FALSE(store.isOpen());
      continue;
    }
    if (c.fails == 0) {
      store.commitTo(target);
      std::ifstream in(target, std::ios::binary);
      std::string got(kPieces * piece.size() + 1, '\0');
      in.read(got.data(), static_cast<std::streamsize>(got.size()));
      EXPECT_EQ(static_cast<std::size_t>(in.gcount()), kPieces * piece.size());
      got.resize(static_cast<std::size_t>(in.gcount()));
      EXPECT_EQ(got.find_first_not_of('x'), std::string::npos);
    } else {
      try {
        store.commitTo(target);
        ADD_FAILURE() << "the commit went through";
      } catch (const plat::EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("wynik.swd"), std::string::npos) << e.what();
      }
      EXPECT_EQ(contents(target), "poprzedni");
    }
    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(entries(dir_), std::vector<std::string>{"wynik.swd"});
  }
}

// A reader of the store's file follows it as it is written: it gets every
// byte written, to the end finishWriting sets; a store that goes before that
// (a run stopped, a write failed) leaves its reader's read failing, never
// waiting for good.
TEST_F(MgFileTest, ReadersFollowTheFileWhileItIsWritten) {
  for (const bool finished : {true, false}) {
    SCOPED_TRACE(finished ? "finished" : "store gone");
    auto store = std::make_unique<mgFile>();
    store->openTempFile(dir_);
    store->saveLinesToFile("SWDE;\r\n");
    store->letReadersFollow();
    store->flushFile();
    plat::InputFile in(store->path());
    std::string read;
    bool failed = false;
    std::thread reader([&] {
      std::string buf(100000, '\0');
      try {
        while (const std::size_t n = in.read(buf.data(), buf.size())) read.append(buf.data(), n);
      } catch (const plat::EFileError&) {
        failed = true;
      }
    });
    std::string all = "SWDE;\r\n";
    // Past the store's buffer, so that some of it reaches the file.
    for (int i = 0; i < 4000; ++i) {
      const std::string piece =
          std::string(static_cast<std::size_t>(i % 300), 'a' + i % 26) + "\r\n";
      store->saveLinesToFile(piece);
      all += piece;
    }
    if (finished) store->finishWriting();
    store.reset();
    reader.join();
    EXPECT_EQ(failed, !finished);
    if (finished) EXPECT_EQ(read, all);
    EXPECT_EQ(read, all.substr(0, read.size()));
  }
  EXPECT_TRUE(entries(dir_).empty());
}

}  // namespace
