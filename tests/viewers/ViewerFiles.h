// Files the viewer tests page through: text files and reports written by the
// report store, each open as the controls open them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "processing/bzFileList.h"
#include "processing/bzReport.h"
#include "support/Files.h"
#include "support/TempFile.h"
#include "viewers/LoadNotice.h"

namespace viewertest {

// A temporary file with the given bytes, open for reading.
struct OpenFile {
  explicit OpenFile(const std::string& bytes) : file(bytes), in(file.path()) {}
  testsupport::TempFile file;
  plat::InputFile in;
};

// One record to write: the checked file's line, file index, byte position
// (-1: none) and text (cp1250 bytes).
struct Record {
  std::int64_t line;
  std::int32_t file;
  std::int64_t pos;
  std::string text;
};

// A report saved by the report store at path, its header naming paths.
inline void writeReport(const std::string& path, const std::vector<std::string>& paths,
                        const std::vector<Record>& records) {
  swde::bzFileList files;
  for (const std::string& p : paths) files.addFile(plat::extractFileName(p), p);
  swde::bzReport report(false);
  ASSERT_TRUE(report.Create(&files));
  for (const Record& r : records) report.AddLine(r.line, r.file, r.pos, r.text);
  ASSERT_TRUE(report.SaveToFile(path));
}

// Records 0 .. count - 1, record i concerning line i of file 0 at position
// 100 * i, its text "rekord i".
inline std::vector<Record> numberedRecords(int count) {
  std::vector<Record> out;
  for (int i = 0; i < count; ++i) out.push_back({i, 0, 100 * i, "rekord " + std::to_string(i)});
  return out;
}

// Counts what a buffer tells its control.
struct CountingNotice : olv::LoadNotice {
  int begins = 0;
  int progresses = 0;
  int ends = 0;
  bool open = false;
  void begin() override {
    EXPECT_FALSE(open);
    open = true;
    ++begins;
  }
  void progress() override {
    EXPECT_TRUE(open);
    ++progresses;
  }
  void end() override {
    EXPECT_TRUE(open);
    open = false;
    ++ends;
  }
};

}  // namespace viewertest
