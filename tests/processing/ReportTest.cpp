#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "processing/bzFileList.h"
#include "processing/bzReport.h"
#include "support/Files.h"
#include "support/InChild.h"
#include "support/NonRegularTargets.h"
#include "support/ReportLine.h"

namespace {

using testsupport::readFile;
using testsupport::writeFile;

using plat::cp;
using swde::bzFileList;
using swde::bzReport;
namespace fs = std::filesystem;

std::string le32(std::uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFFu));
  return s;
}

std::string record(std::uint32_t lineNo, std::uint32_t fileIdx, std::uint32_t position,
                   const std::string& text) {
  return le32(lineNo) + le32(fileIdx) + le32(position) +
         le32(static_cast<std::uint32_t>(text.size())) + text;
}

bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::vector<std::string> namesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

using Line = testsupport::ReportLine;
using testsupport::drain;

void add(bzReport& r, const std::vector<Line>& lines) {
  for (const Line& l : lines) r.AddLine(l.lineNo, l.fileIdx, l.position, l.text);
}

// Every test works in a folder of its own, which also stands for the system's
// temporary folder, so that leftover files show.
class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* t = std::getenv("TMPDIR")) oldTmp_ = t;
    std::string pattern = plat::tempFolder() + "/olvrptXXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ::setenv("TMPDIR", dir_.c_str(), 1);
    files_.addFile("a.swd", "/dane/a.swd");
    files_.addFile(cp("żółw.swd"), cp("/dane/źródła/żółw.swd"));
  }
  void TearDown() override {
    if (oldTmp_)
      ::setenv("TMPDIR", oldTmp_->c_str(), 1);
    else
      ::unsetenv("TMPDIR");
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string header() const {
    const std::string second = cp("/dane/źródła/żółw.swd");
    return le32(2) + le32(11) + "/dane/a.swd" + le32(static_cast<std::uint32_t>(second.size())) +
           second;
  }

  std::optional<std::string> oldTmp_;
  std::string dir_;
  bzFileList files_;
};

const std::vector<Line> kLines = {
    {-1, -1, -1, "START: 01-02-2024 10:11:12"},
    {-1, -1, -1, ""},
    {12, 0, 345, cp("12 B   121 SD - Zażółć gęślą jaźń")},
    {1, 1, 0, ""},
    {0xFFFFFFFELL, 1, 0xFFFFFFFELL, std::string("\x00\xFF\x80 ", 4)},
};

TEST(ReportLineText, FindingLines) {
  struct Case {
    std::int64_t lineNo;
    int type, code, section;
    std::string text, expected;
  };
  const std::vector<Case> cases = {
      {12, 0, 121, 46, "t", "12 B   121 SD - t"},
      {3, 1, 7, 47, "w", "3 O     7 SG - w"},
      {4, 2, 12345, 48, "", "4 I 12345 SN - "},
      {5, 0, 123456, 49, "x", "5 B 123456 SO - x"},  // never cut
      {6, 0, 1234567890, 50, "x", "6 B 1234567890 SP - x"},
      {7, 1, 0, 51, "x", "7 O     0 ST - x"},
      {8, 9, 1, 45, "x", "8     1 - x"},  // unknown type and section: no mark, no tag
      {9, -1, 1, 52, "x", "9     1 - x"},
      {0x100000000LL, 0, 1, 0, cp("ą"), "4294967296 B     1 - " + cp("ą")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(swde::formatFindingLine(c.lineNo, c.type, c.code, c.section, c.text), c.expected);
  }
  EXPECT_EQ(swde::fileLine(cp("/dane/żółw.swd")), "=========> " + cp("/dane/żółw.swd"));
}

TEST_F(ReportTest, TemporaryFileIsMadeInTheTemporaryFolder) {
  bzReport r(false);
  ASSERT_TRUE(r.Create(&files_));
  const std::string path = r.getPath();
  EXPECT_EQ(plat::extractFilePath(path), dir_ + "/");
  const std::string name = plat::extractFileName(path);
  ASSERT_EQ(name.size(), 13u);
  EXPECT_EQ(name.substr(0, 3), "TMP");
  EXPECT_EQ(name.substr(9), ".$$$");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(readFile(path), header());
}

TEST_F(ReportTest, ExactBytesOfASmallReport) {
  bzReport r(false);
  ASSERT_TRUE(r.Create(&files_));
  r.AddLine(-1, -1, -1, "x");
  r.AddLine(12, 1, 345, "ab");
  r.AddLine(0xFFFFFFFELL, 0, 0xFFFFFFFELL, "");
  // Past 4 GiB a line number or position can no longer be a jump target.
  r.AddLine(0x100000000LL, 0, 5000000000LL, cp("ż"));
  r.AddLine(0xFFFFFFFFLL, 0, -7, "");
  EXPECT_EQ(r.getLineCount(), 5);
  const std::string expected = header() + record(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, "x") +
                               record(12, 1, 345, "ab") + record(0xFFFFFFFEu, 0, 0xFFFFFFFEu, "") +
                               record(0xFFFFFFFFu, 0, 0xFFFFFFFFu, cp("ż")) +
                               record(0xFFFFFFFFu, 0, 0xFFFFFFFFu, "");
  EXPECT_EQ(readFile(r.getPath()), expected);
  const std::string target = dir_ + "/out.rpt";
  ASSERT_TRUE(r.SaveToFile(target));
  EXPECT_EQ(readFile(target), expected);
}

TEST_F(ReportTest, EmptyListGivesACountOfZero) {
  bzReport r(false);
  ASSERT_TRUE(r.Create(nullptr));
  r.AddLine(-1, -1, -1, "a");
  EXPECT_EQ(readFile(r.getPath()), le32(0) + record(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, "a"));
}

TEST_F(ReportTest, LinesReadBackWhileWritingAndAfterReopening) {
  bzReport r(true);
  ASSERT_TRUE(r.Create(&files_));
  EXPECT_EQ(r.GetNextLine(), nullptr);  // nothing written yet
  add(r, {kLines[0], kLines[1]});
  EXPECT_EQ(drain(r), (std::vector<Line>{kLines[0], kLines[1]}));
  // At the exact end: no line, and the next record once it is written.
  EXPECT_EQ(r.GetNextLine(), nullptr);
  add(r, {kLines.begin() + 2, kLines.end()});
  EXPECT_EQ(drain(r), (std::vector<Line>{kLines.begin() + 2, kLines.end()}));
  EXPECT_EQ(r.getLineCount(), static_cast<int>(kLines.size()));

  const std::string target = dir_ + "/saved.rpt";
  ASSERT_TRUE(r.SaveToFile(target));
  EXPECT_EQ(drain(r), kLines);  // the saved copy, from its first line
  EXPECT_FALSE(r.readFailed());
  EXPECT_EQ(r.GetFilePath(0), "/dane/");
  EXPECT_EQ(r.GetFilePath(1), cp("/dane/źródła/"));
  EXPECT_EQ(r.GetFilePath(2), "");
  EXPECT_EQ(r.GetFilePath(-1), "");

  bzReport viewer(true);
  ASSERT_TRUE(viewer.Open(target));
  EXPECT_EQ(drain(viewer), kLines);
  EXPECT_EQ(viewer.GetFilePath(1), cp("/dane/źródła/"));
  // An opened report takes no lines.
  viewer.AddLine(1, 1, 1, "x");
  EXPECT_EQ(viewer.getLineCount(), 0);
  EXPECT_FALSE(viewer.failed());
  EXPECT_EQ(readFile(target).size(), readFile(r.getPath()).size());
}

TEST_F(ReportTest, OpenWorksOnlyForAViewingReport) {
  const std::string path = dir_ + "/r.rpt";
  writeFile(path, header() + record(1, 0, 2, "x"));
  bzReport r(false);
  EXPECT_FALSE(r.Open(path));
  EXPECT_EQ(r.GetNextLine(), nullptr);
  EXPECT_FALSE(r.readFailed());
  EXPECT_EQ(r.GetFilePath(0), "");
}

TEST_F(ReportTest, UnsoundReportFilesAreReportedAndNeverOverrun) {
  const std::string head = le32(1) + le32(4) + "/a/b";
  const std::string first = record(1, 0, 10, "ok");
  const std::string corrupt = cp("Plik raportu jest uszkodzony: ");
  struct Case {
    const char* name;
    std::string bytes;
    bool opens;
    std::size_t lines;
    std::string detail;  // "" for the plain open error
  };
  const std::vector<Case> cases = {
      {"count 0", le32(0) + first, false, 0, ""},
      {"empty file", "", false, 0, cp("niepełny nagłówek")},
      {"short count", "\x01\x00", false, 0, cp("niepełny nagłówek")},
      {"huge count", le32(0x7FFFFFFF) + le32(1) + "a", false, 0,
       cp("nieprawidłowa liczba plików w nagłówku: 2147483647")},
      {"negative count", le32(0xFFFFFFFBu) + first, false, 0,
       cp("nieprawidłowa liczba plików w nagłówku: -5")},
      {"entry past the end", le32(1) + le32(0x7FFFFFF0) + "ab", false, 0,
       cp("długość tekstu 2147483632 na pozycji 4 wykracza poza koniec pliku")},
      {"negative entry", le32(1) + le32(0xFFFFFFFFu) + "ab", false, 0,
       cp("długość tekstu -1 na pozycji 4 wykracza poza koniec pliku")},
      {"missing entry", le32(2) + le32(4) + "/a/b", false, 0, cp("niepełny nagłówek")},
      {"record cut in its head", head + first + first.substr(0, 10), true, 1,
       cp("niepełny rekord na pozycji 30")},
      {"record cut in its text", head + first + record(2, 0, 1, "abcde").substr(0, 18), true, 1,
       cp("długość tekstu 5 na pozycji 30 wykracza poza koniec pliku")},
      {"huge length", head + first + le32(2) + le32(0) + le32(1) + le32(0x7FFFFFFF) + "abc", true,
       1, cp("długość tekstu 2147483647 na pozycji 30 wykracza poza koniec pliku")},
      {"negative length", head + le32(2) + le32(0) + le32(1) + le32(0x80000000u) + "abc", true, 0,
       cp("długość tekstu -2147483648 na pozycji 12 wykracza poza koniec pliku")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir_ + "/bad.rpt";
    writeFile(path, c.bytes);
    bzReport r(true);
    EXPECT_EQ(r.Open(path), c.opens);
    EXPECT_EQ(drain(r).size(), c.lines);
    EXPECT_TRUE(r.readFailed());
    const std::string expected = c.detail.empty() ? cp("Błąd otwarcia pliku raportu")
                                                  : corrupt + path + " (" + c.detail + ")";
    EXPECT_EQ(r.readErrorMessage(), expected);
    // It stays stopped.
    EXPECT_EQ(r.GetNextLine(), nullptr);
    EXPECT_EQ(r.readErrorMessage(), expected);
  }
}

TEST_F(ReportTest, OpenOfAMissingFileNamesIt) {
  bzReport r(true);
  const std::string path = dir_ + "/none.rpt";
  EXPECT_FALSE(r.Open(path));
  EXPECT_EQ(r.readErrorMessage(),
            cp("Błąd otwarcia pliku raportu: ") + path + " (" + cp("plik nie istnieje") + ")");
  EXPECT_FALSE(r.Open(dir_));
  EXPECT_EQ(r.readErrorMessage(), cp("Błąd otwarcia pliku raportu: ") + dir_ + " (" +
                                      cp("to jest katalog, a nie plik") + ")");
}

TEST_F(ReportTest, SaveRenamesOverAnExistingTarget) {
  const std::string target = dir_ + "/out.rpt";
  writeFile(target, "old");
  std::string temp;
  {
    bzReport r(false);
    ASSERT_TRUE(r.Create(&files_));
    add(r, kLines);
    temp = r.getPath();
    const std::string bytes = readFile(temp);
    std::string error = "untouched";
    ASSERT_TRUE(r.SaveToFile(target, &error));
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(readFile(target), bytes);
    EXPECT_FALSE(exists(temp));
    EXPECT_EQ(r.getPath(), target);
    // Writing has ended with the save.
    r.AddLine(1, 1, 1, "late");
    EXPECT_EQ(readFile(target), bytes);
  }
  EXPECT_EQ(namesIn(dir_), std::vector<std::string>{"out.rpt"});
}

TEST_F(ReportTest, UnsavedReportDeletesItsTemporaryFile) {
  for (bool keep : {false, true}) {
    SCOPED_TRACE(keep);
    {
      bzReport r(keep);
      ASSERT_TRUE(r.Create(&files_));
      add(r, kLines);
      EXPECT_EQ(namesIn(dir_).size(), 1u);
    }
    EXPECT_TRUE(namesIn(dir_).empty());
  }
}

TEST_F(ReportTest, SavingOntoItsOwnFileKeepsIt) {
  std::string temp, bytes;
  {
    bzReport r(false);
    ASSERT_TRUE(r.Create(&files_));
    add(r, kLines);
    temp = r.getPath();
    bytes = readFile(temp);
    // Another spelling of the same file.
    const std::string same = dir_ + "/./" + plat::extractFileName(temp);
    EXPECT_TRUE(r.SaveToFile(same));
  }
  EXPECT_EQ(readFile(temp), bytes);
}

TEST_F(ReportTest, KeepForViewingCopiesKeepsTheTemporaryAndOpensTheCopy) {
  const std::string target = dir_ + "/view.rpt";
  std::string temp;
  {
    bzReport r(true);
    ASSERT_TRUE(r.Create(&files_));
    add(r, kLines);
    temp = r.getPath();
    ASSERT_TRUE(r.SaveToFile(target));
    EXPECT_EQ(readFile(target), readFile(temp));
    EXPECT_EQ(r.getPath(), target);
    EXPECT_EQ(drain(r), kLines);
    // Saving the opened report onto itself changes nothing.
    EXPECT_TRUE(r.SaveToFile(target));
    EXPECT_EQ(drain(r), kLines);
  }
  EXPECT_TRUE(exists(temp));
  EXPECT_TRUE(exists(target));
}

TEST_F(ReportTest, FailedSaveKeepsTheTemporaryFileAndNamesIt) {
  const std::string target = dir_ + "/missing/out.rpt";
  const std::string good = dir_ + "/out.rpt";
  std::string temp, bytes;
  {
    bzReport r(false);
    ASSERT_TRUE(r.Create(&files_));
    add(r, kLines);
    temp = r.getPath();
    bytes = readFile(temp);
    std::string error;
    EXPECT_FALSE(r.SaveToFile(target, &error));
    EXPECT_EQ(error, cp("Nie można zapisać raportu w pliku ") + target +
                         cp(" (folder nie istnieje). Raport pozostał w pliku ") + temp);
    EXPECT_EQ(readFile(temp), bytes);
  }
  // The caller was told where the report is; it outlives the report object.
  ASSERT_TRUE(exists(temp));
  EXPECT_EQ(readFile(temp), bytes);

  // A second attempt on a sound target still moves it.
  bzReport r(false);
  ASSERT_TRUE(r.Create(&files_));
  add(r, kLines);
  const std::string temp2 = r.getPath();
  EXPECT_FALSE(r.SaveToFile(target));
  EXPECT_TRUE(r.SaveToFile(good));
  EXPECT_FALSE(exists(temp2));
  EXPECT_EQ(readFile(good), bytes);
}

TEST_F(ReportTest, SaveWithoutAReportFails) {
  bzReport r(false);
  std::string error;
  EXPECT_FALSE(r.SaveToFile(dir_ + "/x.rpt", &error));
  EXPECT_EQ(error, cp("Raport nie został utworzony"));
  EXPECT_FALSE(exists(dir_ + "/x.rpt"));
}

// A target on another file system: the rename fails with EXDEV and the report
// is copied.
class ReportAcrossFileSystems : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    struct stat a, b;
    if (::stat("/dev/shm", &b) != 0 || ::stat(dir_.c_str(), &a) != 0 || a.st_dev == b.st_dev)
      GTEST_SKIP() << "/dev/shm is not another file system here";
    std::string pattern = "/dev/shm/olvrptXXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    other_ = pattern;
  }
  void TearDown() override {
    if (!other_.empty()) {
      std::error_code ec;
      fs::remove_all(other_, ec);
    }
    ReportTest::TearDown();
  }
  std::string other_;
};

TEST_F(ReportAcrossFileSystems, CopyReplacesTheTargetThenTheTemporaryGoes) {
  const std::string target = other_ + "/out.rpt";
  writeFile(target, "old");
  bzReport r(false);
  ASSERT_TRUE(r.Create(&files_));
  add(r, kLines);
  for (int i = 0; i < 5000; ++i) r.AddLine(i, 0, i, std::string(40, 'x'));  // several buffers
  const std::string temp = r.getPath();
  const std::string bytes = readFile(temp);
  std::string error;
  ASSERT_TRUE(r.SaveToFile(target, &error)) << error;
  EXPECT_EQ(readFile(target), bytes);
  EXPECT_FALSE(exists(temp));
  EXPECT_EQ(r.getPath(), target);
  EXPECT_EQ(namesIn(other_), std::vector<std::string>{"out.rpt"});
  EXPECT_TRUE(namesIn(dir_).empty());

  bzReport viewer(true);
  ASSERT_TRUE(viewer.Open(target));
  const std::vector<Line> lines = drain(viewer);
  ASSERT_EQ(lines.size(), kLines.size() + 5000);
  EXPECT_EQ(std::vector<Line>(lines.begin(), lines.begin() + kLines.size()), kLines);
  EXPECT_FALSE(viewer.readFailed());
}

TEST_F(ReportAcrossFileSystems, FailingCopyLeavesTargetAndTemporaryAsTheyWere) {
  const std::string target = other_ + "/out.rpt";
  writeFile(target, "old");
  std::string temp, bytes;
  {
    bzReport r(false);
    ASSERT_TRUE(r.Create(&files_));
    for (int i = 0; i < 3000; ++i) r.AddLine(i, 0, i, std::string(40, 'y'));
    temp = r.getPath();
    bytes = readFile(temp);
    // The target's file system fills up in the middle of the copy.
    int calls = 0;
    r.setWriteFunction([&](int fd, const void* data, std::size_t size, off_t offset) -> ssize_t {
      if (++calls == 1) return ::pwrite(fd, data, size / 2, offset);
      errno = ENOSPC;
      return -1;
    });
    std::string error;
    EXPECT_FALSE(r.SaveToFile(target, &error));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(error, cp("Nie można zapisać raportu w pliku ") + target +
                         cp(" (brak miejsca na dysku). Raport pozostał w pliku ") + temp);
  }
  EXPECT_EQ(readFile(temp), bytes);
  EXPECT_EQ(readFile(target), "old");
  EXPECT_EQ(namesIn(other_), std::vector<std::string>{"out.rpt"});  // no half copy left
}

TEST_F(ReportAcrossFileSystems, KeepForViewingCopiesAcross) {
  const std::string target = other_ + "/view.rpt";
  bzReport r(true);
  ASSERT_TRUE(r.Create(&files_));
  add(r, kLines);
  const std::string temp = r.getPath();
  ASSERT_TRUE(r.SaveToFile(target));
  EXPECT_TRUE(exists(temp));
  EXPECT_EQ(readFile(target), readFile(temp));
  EXPECT_EQ(drain(r), kLines);
}

TEST_F(ReportTest, ReaderThreadGetsEveryLineOnceAndInOrder) {
  constexpr int kCount = 20000;
  bzReport r(false);
  ASSERT_TRUE(r.Create(&files_));
  std::vector<Line> seen;
  seen.reserve(kCount);
  std::atomic<bool> writerDone{false};
  std::thread reader([&] {
    // Ends with every line, or with what is left once the writer is done.
    while (static_cast<int>(seen.size()) < kCount) {
      auto l = r.GetNextLine();
      if (!l) {
        if (writerDone.load() && static_cast<int>(seen.size()) >= r.getLineCount()) break;
        std::this_thread::yield();
        continue;
      }
      // A line is counted before a reader can see it.
      EXPECT_GT(r.getLineCount(), static_cast<int>(seen.size()));
      seen.push_back({l->lineNo, l->fileIdx, l->position, l->text});
    }
  });
  std::thread writer([&] {
    for (int i = 0; i < kCount; ++i)
      r.AddLine(i, i % 2, 10LL * i, "line " + std::to_string(i) + std::string(i % 7, 'x'));
    writerDone.store(true);
  });
  writer.join();
  reader.join();
  ASSERT_EQ(seen.size(), static_cast<std::size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    const Line expected{i, i % 2, 10LL * i, "line " + std::to_string(i) + std::string(i % 7, 'x')};
    if (seen[i] != expected) {
      ADD_FAILURE() << "line " << i << ": " << seen[i];
      break;
    }
  }
  EXPECT_EQ(r.GetNextLine(), nullptr);
  EXPECT_EQ(r.getLineCount(), kCount);
}

TEST_F(ReportTest, WriteFailureIsKeptOnceAndStopsFurtherLines) {
  bzReport r(false);
  ASSERT_TRUE(r.Create(&files_));
  const std::string temp = r.getPath();
  int calls = 0;
  r.setWriteFunction([&](int fd, const void* data, std::size_t size, off_t offset) -> ssize_t {
    ++calls;
    if (calls <= 2) return ::pwrite(fd, data, size, offset);
    if (calls == 3) return ::pwrite(fd, data, size / 2, offset);  // the disk fills up here
    errno = calls == 4 ? ENOSPC : EIO;
    return -1;
  });
  add(r, kLines);
  EXPECT_TRUE(r.failed());
  EXPECT_EQ(r.failureMessage(),
            cp("Błąd zapisu pliku raportu ") + temp + cp(" (brak miejsca na dysku)"));
  EXPECT_EQ(calls, 4);  // nothing tried after the failure
  EXPECT_EQ(r.getLineCount(), 2);
  r.AddLine(1, 1, 1, "more");
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(r.getLineCount(), 2);

  // The half-written record is gone: the file is a sound report of the lines
  // before the failure.
  EXPECT_EQ(drain(r), (std::vector<Line>{kLines[0], kLines[1]}));
  EXPECT_FALSE(r.readFailed());
  const std::string target = dir_ + "/out.rpt";
  r.setWriteFunction(nullptr);
  ASSERT_TRUE(r.SaveToFile(target));
  bzReport viewer(true);
  ASSERT_TRUE(viewer.Open(target));
  EXPECT_EQ(drain(viewer), (std::vector<Line>{kLines[0], kLines[1]}));
  EXPECT_FALSE(viewer.readFailed());
}

TEST_F(ReportTest, HeaderWriteFailureFailsCreate) {
  bzReport r(false);
  r.setWriteFunction([](int, const void*, std::size_t, off_t) -> ssize_t {
    errno = EDQUOT;
    return -1;
  });
  EXPECT_FALSE(r.Create(&files_));
  EXPECT_TRUE(r.failed());
  EXPECT_EQ(r.failureMessage(), cp("Błąd zapisu pliku raportu ") + r.getPath() +
                                    cp(" (przekroczony przydział miejsca na dysku)"));
  r.AddLine(-1, -1, -1, "x");
  EXPECT_EQ(r.getLineCount(), 0);
}

TEST_F(ReportTest, TemporaryFileThatCannotBeMadeFailsCreate) {
  const std::string missing = dir_ + "/none";
  ::setenv("TMPDIR", missing.c_str(), 1);
  bzReport r(false);
  EXPECT_FALSE(r.Create(&files_));
  EXPECT_TRUE(r.failed());
  EXPECT_EQ(r.failureMessage(), cp("Nie można utworzyć pliku tymczasowego raportu w folderze ") +
                                    missing + cp(" (folder nie istnieje)"));
  r.AddLine(-1, -1, -1, "x");
  EXPECT_EQ(r.getLineCount(), 0);
  EXPECT_EQ(r.GetNextLine(), nullptr);
}

// A real limit on the file size, in a child process so that the limit and the
// ignored signal stay there.
TEST_F(ReportTest, FileSizeLimitEndsTheReportCleanly) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    bzReport r(false);
    if (!r.Create(&files_)) ::_exit(10);
    const std::size_t head = header().size();
    constexpr std::size_t kRecord = 16 + 100;
    struct rlimit limit;
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = head + 10 * kRecord + 50;  // the eleventh record does not fit
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(11);
    for (int i = 0; i < 100 && !r.failed(); ++i) r.AddLine(i, 0, i, std::string(100, 'z'));
    if (!r.failed()) ::_exit(1);
    const std::string expected = cp("Błąd zapisu pliku raportu ") + r.getPath() +
                                 cp(" (przekroczony dopuszczalny rozmiar pliku)");
    if (r.failureMessage() != expected) ::_exit(2);
    if (r.getLineCount() != 10) ::_exit(3);
    struct stat st;
    if (::stat(r.getPath().c_str(), &st) != 0 ||
        static_cast<std::size_t>(st.st_size) != head + 10 * kRecord)
      ::_exit(4);
    int n = 0;
    while (r.GetNextLine()) ++n;
    ::_exit(n == 10 && !r.readFailed() ? 0 : 5);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// ---------------------------------------------------------------------------
// Hostile targets and sources

// A report target that exists as something other than a regular file is
// refused, whichever way the report would reach it: neither the rename nor
// the copy takes its place, and the report stays in its temporary file.
TEST_F(ReportTest, SaveRefusesATargetThatIsNotARegularFile) {
  for (const testsupport::NonRegularTarget& c : testsupport::kNonRegularTargets) {
    for (const bool keep : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (keep ? ", kept for viewing" : ""));
      const std::string target = dir_ + "/raport.rpt";
      c.make(target);
      struct stat before;
      ASSERT_EQ(::lstat(target.c_str(), &before), 0);
      std::string temp, bytes;
      {
        bzReport r(keep);
        ASSERT_TRUE(r.Create(&files_));
        add(r, kLines);
        temp = r.getPath();
        bytes = readFile(temp);
        std::string error;
        EXPECT_FALSE(r.SaveToFile(target, &error));
        EXPECT_EQ(error, cp("Plik raportu nie jest zwykłym plikiem: ") + target +
                             cp(". Raport pozostał w pliku ") + temp);
        EXPECT_EQ(r.GetNextLine(), nullptr);  // nothing was opened in its place
      }
      struct stat after;
      ASSERT_EQ(::lstat(target.c_str(), &after), 0);
      EXPECT_EQ(after.st_mode, before.st_mode);
      EXPECT_EQ(after.st_ino, before.st_ino);
      EXPECT_EQ(readFile(temp), bytes);
      // The temporary report and the target, nothing else.
      EXPECT_EQ(namesIn(dir_).size(), 2u);
      ::unlink(temp.c_str());
      fs::remove_all(target);
    }
  }
}

// A link to a regular file is a regular target: the link stays, its file
// takes the report, and the report is read back under the link's name.
TEST_F(ReportTest, SaveOntoALinkToARegularFileWritesItsFile) {
  for (const bool keep : {false, true}) {
    SCOPED_TRACE(keep);
    const std::string real = dir_ + "/prawdziwy.rpt";
    const std::string link = dir_ + "/link.rpt";
    writeFile(real, "old");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    bzReport r(keep);
    ASSERT_TRUE(r.Create(&files_));
    add(r, kLines);
    const std::string bytes = readFile(r.getPath());
    std::string error;
    EXPECT_TRUE(r.SaveToFile(link, &error)) << error;
    EXPECT_EQ(readFile(real), bytes);
    EXPECT_TRUE(fs::is_symlink(link));
    bzReport viewer(true);
    ASSERT_TRUE(viewer.Open(link));
    EXPECT_EQ(drain(viewer), kLines);
    fs::remove(link);
    fs::remove(real);
  }
}

// The saved report has the mode a plain creation gives (0666 less the umask),
// not that of the private temporary file, by rename and by copy alike. The
// umask is set in a child, so that the test program keeps its own.
TEST_F(ReportTest, SavedReportHasTheModeOfAPlainCreation) {
  const std::string dir = dir_;
  const bzFileList& files = files_;
  const bool ok = testsupport::inChild([&] {
    ::umask(027);
    bool good = true;
    for (const bool keep : {false, true}) {
      const std::string target = dir + (keep ? "/kopia.rpt" : "/raport.rpt");
      bzReport r(keep);
      if (!r.Create(&files)) return false;
      r.AddLine(-1, -1, -1, "x");
      if (!r.SaveToFile(target)) return false;
      struct stat st;
      if (::stat(target.c_str(), &st) != 0) return false;
      if ((st.st_mode & 0777) != 0640) {
        std::fprintf(stderr, "%s: mode %o\n", target.c_str(), st.st_mode & 0777);
        good = false;
      }
    }
    return good;
  });
  EXPECT_TRUE(ok);
}

// A report to be viewed may come from anywhere: a FIFO, a device or a folder
// is refused at once, naming it and the reason. (The test holds the FIFO's
// writing end, so that a reader that waited for a writer would come back and
// fail here rather than hang.)
TEST_F(ReportTest, OpenRefusesWhatIsNotARegularFile) {
  const std::string fifo = dir_ + "/potok.rpt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  const std::string device = dir_ + "/urzadzenie.rpt";
  ASSERT_EQ(::symlink("/dev/zero", device.c_str()), 0);
  struct Case {
    std::string path;
    std::string reason;
  };
  const Case cases[] = {
      {fifo, cp("to nie jest zwykły plik")},
      {device, cp("to nie jest zwykły plik")},
      {dir_, cp("to jest katalog, a nie plik")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    bzReport r(true);
    EXPECT_FALSE(r.Open(c.path));
    EXPECT_TRUE(r.readFailed());
    EXPECT_EQ(r.readErrorMessage(),
              cp("Błąd otwarcia pliku raportu: ") + c.path + " (" + c.reason + ")");
    EXPECT_EQ(r.GetNextLine(), nullptr);
  }
  ::close(writer);
}

// A record that names a file outside the header's list (other than -1, no
// file) makes the report corrupt: the lines before it are read, then the
// reading stops there for good.
TEST_F(ReportTest, RecordNamingAFileOutsideTheListIsCorrupt) {
  const std::string head = le32(2) + le32(4) + "/a/b" + le32(4) + "/c/d";
  const std::string first = record(1, 0, 10, "ok") + record(2, 1, 20, "ok") +
                            record(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, "free");
  const std::size_t at = head.size() + first.size();
  struct Case {
    std::uint32_t fileIdx;
    const char* shown;
  };
  const Case cases[] = {{2, "2"}, {7, "7"}, {0xFFFFFFFEu, "-2"}, {0x80000000u, "-2147483648"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    const std::string path = dir_ + "/obcy.rpt";
    writeFile(path, head + first + record(3, c.fileIdx, 30, "bad") + record(4, 0, 40, "after"));
    bzReport r(true);
    ASSERT_TRUE(r.Open(path));
    EXPECT_EQ(drain(r).size(), 3u);
    EXPECT_TRUE(r.readFailed());
    const std::string expected = cp("Plik raportu jest uszkodzony: ") + path +
                                 cp(" (numer pliku ") + c.shown +
                                 cp(" spoza listy plików na pozycji ") + std::to_string(at) + ")";
    EXPECT_EQ(r.readErrorMessage(), expected);
    EXPECT_EQ(r.GetNextLine(), nullptr);
    EXPECT_EQ(r.readErrorMessage(), expected);
  }
}

// Entry i of the header is file i, also when an entry before it is empty.
TEST_F(ReportTest, EmptyHeaderEntryKeepsTheFileNumbers) {
  const std::string path = dir_ + "/puste.rpt";
  writeFile(path, le32(2) + le32(0) + le32(8) + "/x/y.swd" + record(5, 1, 9, "t"));
  bzReport r(true);
  ASSERT_TRUE(r.Open(path));
  EXPECT_EQ(r.GetFilePath(0), "");
  EXPECT_EQ(r.GetFilePath(1), "/x/");
  EXPECT_EQ(drain(r), (std::vector<Line>{{5, 1, 9, "t"}}));
  EXPECT_FALSE(r.readFailed());
}

// Messages are cp1250 text: a path in the file system's UTF-8 is shown so,
// while the saved report keeps the raw bytes that reopen the file.
TEST_F(ReportTest, MessagesShowPathsAsCp1250Text) {
  bzReport r(false);
  ASSERT_TRUE(r.Create(&files_));
  const std::string temp = r.getPath();
  std::string error;
  EXPECT_FALSE(r.SaveToFile(dir_ + "/brak/łąka.rpt", &error));
  EXPECT_EQ(error, cp("Nie można zapisać raportu w pliku ") + dir_ + "/brak/" + cp("łąka.rpt") +
                       cp(" (folder nie istnieje). Raport pozostał w pliku ") + temp);

  bzReport viewer(true);
  EXPECT_FALSE(viewer.Open(dir_ + "/żółw.rpt"));
  EXPECT_EQ(viewer.readErrorMessage(), cp("Błąd otwarcia pliku raportu: ") + dir_ + "/" +
                                           cp("żółw.rpt") + cp(" (plik nie istnieje)"));
  ::unlink(temp.c_str());
}

}  // namespace
