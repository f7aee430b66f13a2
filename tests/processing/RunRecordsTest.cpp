#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "processing/bzFileList.h"
#include "processing/bzProcessState.h"
#include "processing/bzSettings.h"

namespace {

using swde::bzFileList;
using swde::bzProcessState;
using FileInfo = bzProcessState::FileInfo;

TEST(bzSettings, Defaults) {
  swde::bzSettings s;
  EXPECT_TRUE(s.skipComments);
  EXPECT_TRUE(s.skipWhiteChars);
  EXPECT_TRUE(s.outputDir.empty());
  EXPECT_TRUE(s.outputFileName.empty());
  EXPECT_TRUE(s.reportDir.empty());
  EXPECT_TRUE(s.reportFileName.empty());
  EXPECT_EQ(s.maxErrors, 100);
  EXPECT_TRUE(s.reportCondensed);
}

TEST(bzFileList, AddFileKeepsTheNameAndTheFolderOfThePath) {
  struct Case {
    std::string name, path;
    bool added;
    std::string folder;
  };
  const std::vector<Case> cases = {
      {"a.swd", "/data/in/a.swd", true, "/data/in/"},
      {"a.swd", "/a.swd", true, "/"},
      {"a.swd", "a.swd", true, ""},  // no folder in the path
      {plat::cp("ząb.swd"), plat::cp("/dane/źródła/ząb.swd"), true, plat::cp("/dane/źródła/")},
      {"", "/data/a.swd", false, ""},
      {"a.swd", "", false, ""},
      {"", "", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    bzFileList list;
    list.addFile("first.swd", "/x/first.swd");
    list.addFile(c.name, c.path);
    ASSERT_EQ(list.getFileCount(), c.added ? 2u : 1u);
    if (c.added) {
      EXPECT_EQ(list.getFileName(1), c.name);
      EXPECT_EQ(list.getFilePath(1), c.folder);
    }
    EXPECT_EQ(list.getFileName(0), "first.swd");
    EXPECT_EQ(list.getFilePath(0), "/x/");
  }
}

TEST(bzFileList, IndexesPastTheEndGiveEmptyTextsAndClearEmptiesBoth) {
  bzFileList list;
  list.addFile("a.swd", "/d/a.swd");
  list.addFile("b.swd", "/e/b.swd");
  for (unsigned i : {2u, 5u, 0xFFFFFFFFu}) {
    EXPECT_EQ(list.getFileName(i), "");
    EXPECT_EQ(list.getFilePath(i), "");
  }
  list.clear();
  EXPECT_EQ(list.getFileCount(), 0u);
  EXPECT_EQ(list.getFileName(0), "");
  EXPECT_EQ(list.getFilePath(0), "");
  list.addFile("c.swd", "/f/c.swd");
  EXPECT_EQ(list.getFileName(0), "c.swd");
  EXPECT_EQ(list.getFilePath(0), "/f/");
}

TEST(bzProcessState, StartsEmpty) {
  bzProcessState s;
  EXPECT_EQ(s.getFilesProceeded(), 0u);
  EXPECT_EQ(s.getCurrentFileName(), "");
  EXPECT_EQ(s.getStateMessage(), "");
  EXPECT_EQ(s.getTotalWarnsNum(), 0u);
  EXPECT_EQ(s.getTotalErrorsNum(), 0u);
  EXPECT_EQ(s.getProcessPosition(), 0u);
  EXPECT_EQ(s.getProcessMaxValue(), 0u);
  EXPECT_EQ(s.getFileInfoCount(), 0);
  EXPECT_EQ(s.getChangesCount(), 0);
  EXPECT_EQ(s.getFileFormat(), "");
  EXPECT_EQ(s.getFileFormatVersion(), 0.0);
  EXPECT_EQ(s.getRecordsNumber(), 0u);
}

TEST(bzProcessState, EverySetterStoresItsValueAndRaisesTheCountByOne) {
  bzProcessState s;
  const std::string name = plat::cp("/dane/działka.swd");
  const std::vector<std::pair<std::function<void()>, std::function<bool()>>> steps = {
      {[&] { s.setCurrentFileName(name); }, [&] { return s.getCurrentFileName() == name; }},
      {[&] { s.setFilesProceeded(3); }, [&] { return s.getFilesProceeded() == 3u; }},
      {[&] { s.setProcessMaxValue(6000000000ULL); },
       [&] { return s.getProcessMaxValue() == 6000000000ULL; }},
      {[&] { s.setProcessPosition(17); }, [&] { return s.getProcessPosition() == 17u; }},
      {[&] { s.setStateMessage("m"); }, [&] { return s.getStateMessage() == "m"; }},
      {[&] { s.setTotalErrorsNum(5); }, [&] { return s.getTotalErrorsNum() == 5u; }},
      {[&] { s.setTotalWarnsNum(6); }, [&] { return s.getTotalWarnsNum() == 6u; }},
      {[&] { s.setFileFormat("SWING"); }, [&] { return s.getFileFormat() == "SWING"; }},
      {[&] { s.setFileFormatVersion(2.07); }, [&] { return s.getFileFormatVersion() == 2.07; }},
      {[&] { s.setRecordsNumber(99); }, [&] { return s.getRecordsNumber() == 99u; }},
      {[&] {
         s.setFileInfo(FileInfo{1, 2, FileInfo::Opened}, 0);
       },
       [&] { return s.getFileInfo(0).errors == 2u; }},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    const int before = s.getChangesCount();
    steps[i].first();
    EXPECT_TRUE(steps[i].second());
    EXPECT_EQ(s.getChangesCount(), before + 1);
    // An unchanged value counts as a change too.
    steps[i].first();
    EXPECT_EQ(s.getChangesCount(), before + 2);
  }
}

TEST(bzProcessState, FileInfoOutsideTheArrayReadsAsZeros) {
  bzProcessState s;
  s.setFileInfo(FileInfo{4, 5, FileInfo::Finished}, 0);
  for (int i : {-1, 1, 1000}) {
    SCOPED_TRACE(i);
    const FileInfo info = s.getFileInfo(i);
    EXPECT_EQ(info.warnings, 0u);
    EXPECT_EQ(info.errors, 0u);
    EXPECT_EQ(info.status, FileInfo::NotOpened);
  }
  const FileInfo info = s.getFileInfo(0);
  EXPECT_EQ(info.warnings, 4u);
  EXPECT_EQ(info.errors, 5u);
  EXPECT_EQ(info.status, FileInfo::Finished);
}

// Entry i stays the entry of input file i: a later file's counts never land
// under an earlier file's index.
TEST(bzProcessState, SetFileInfoStoresAtItsIndexGrowingWithZeroEntries) {
  bzProcessState s;
  s.setFileInfo(FileInfo{1, 2, FileInfo::Opened}, 7);
  ASSERT_EQ(s.getFileInfoCount(), 8);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(s.getFileInfo(i).errors, 0u);
    EXPECT_EQ(s.getFileInfo(i).status, FileInfo::NotOpened);
  }
  EXPECT_EQ(s.getFileInfo(7).warnings, 1u);
  EXPECT_EQ(s.getFileInfo(7).errors, 2u);
  EXPECT_EQ(s.getFileInfo(7).status, FileInfo::Opened);

  s.setFileInfo(FileInfo{3, 0, FileInfo::Finished}, 2);
  EXPECT_EQ(s.getFileInfoCount(), 8);
  EXPECT_EQ(s.getFileInfo(2).warnings, 3u);
  EXPECT_EQ(s.getFileInfo(7).errors, 2u);
  EXPECT_EQ(s.getChangesCount(), 2);
}

TEST(bzProcessState, NegativeFileInfoIndexChangesNothing) {
  bzProcessState s;
  s.setFileInfo(FileInfo{1, 1, FileInfo::Opened}, 0);
  const int before = s.getChangesCount();
  s.setFileInfo(FileInfo{9, 9, FileInfo::Finished}, -1);
  EXPECT_EQ(s.getChangesCount(), before);
  EXPECT_EQ(s.getFileInfoCount(), 1);
  EXPECT_EQ(s.getFileInfo(0).warnings, 1u);
}

}  // namespace
