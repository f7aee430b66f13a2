// The report viewer's paged buffer over reports written by the report store:
// the records read back, the header and record faults a report file can
// carry, and whole-record reads that leave the paging alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "viewers/LRepBufor.h"
#include "viewers/ViewerFiles.h"

using olv::kBackward;
using olv::kForward;
using olv::LRepBufor;
using olv::LRepLineInfo;
using plat::cp;
using testsupport::TempFolder;
using viewertest::numberedRecords;
using viewertest::OpenFile;
using viewertest::Record;
using viewertest::writeReport;

namespace {

std::string le32(std::uint32_t v) {
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(v >> (8 * i));
  return out;
}

std::string recordBytes(std::uint32_t line, std::int32_t file, std::uint32_t pos,
                        const std::string& text) {
  return le32(line) + le32(static_cast<std::uint32_t>(file)) + le32(pos) +
         le32(static_cast<std::uint32_t>(text.size())) + text;
}

std::vector<std::string> allLines(LRepBufor& b) {
  std::vector<std::string> out;
  int err = 0;
  for (std::int64_t i = 0;; ++i) {
    std::string line = b.getLine(i, err, kForward);
    if (err != 0) break;
    out.push_back(line);
  }
  return out;
}

TEST(LRepBufor, ReadsBackWhatTheReportStoreWrote) {
  TempFolder folder;
  const std::string first = folder / cp("działki_żółte.swd");
  const std::string second = folder / "b.swd";
  const std::vector<Record> records = {
      {-1, -1, -1, cp("Raport z kontroli składni")},
      {-1, -1, -1, cp("=========> ") + first},
      {0, 0, 0, cp("0 B   121 SD - Błędny nagłówek: źdźbło")},
      {41, 0, 3'000'000'000, "41 O    7 ST - pozycja ponad 2^31"},
      {4'000'000'000, 1, 12, "linia ponad 2^31"},
      {-1, -1, -1, ""},
      {7, 1, -1, "bez pozycji"},
  };
  const std::string path = folder / "r.rpt";
  writeReport(path, {first, second}, records);
  plat::InputFile in(path);
  LRepBufor b(2, 2);
  ASSERT_EQ(b.openReport(in), 0);
  EXPECT_EQ(b.mode(), LRepBufor::kReport);
  std::vector<std::string> texts;
  for (const Record& r : records) texts.push_back(r.text);
  EXPECT_EQ(allLines(b), texts);
  for (std::size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(i);
    const auto info = b.getLineInfo(static_cast<std::int64_t>(i));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->line, records[i].line);
    EXPECT_EQ(info->fileIndex, records[i].file);
    EXPECT_EQ(info->filePos, records[i].pos);
    EXPECT_EQ(info->text, records[i].text);
  }
  EXPECT_FALSE(b.getLineInfo(static_cast<std::int64_t>(records.size())));
  EXPECT_FALSE(b.getLineInfo(-1));
  EXPECT_EQ(b.getCheckedFilePath(0), first);
  EXPECT_EQ(b.getCheckedFilePath(1), second);
  EXPECT_EQ(b.getCheckedFilePath(2), "");
  EXPECT_EQ(b.getCheckedFilePath(-1), "");
  // Backwards from the end: the last lines, the window kept past the end.
  int err = 0;
  EXPECT_EQ(b.getLine(6, err, kBackward), "bez pozycji");
  EXPECT_EQ(b.getLine(7, err, kForward), "");
  EXPECT_EQ(err, 1);
  const std::uint64_t before = b.linesRead();
  EXPECT_EQ(b.getLine(5, err, kForward), "");
  EXPECT_EQ(err, 0);
  EXPECT_EQ(b.linesRead(), before);
}

TEST(LRepBufor, HeaderFaults) {
  const std::string entry = le32(5) + "a.swd";
  struct Row {
    const char* name;
    std::string bytes;
    int expected;
  };
  const std::vector<Row> rows = {
      {"empty file", "", 2},
      {"under 4 bytes", std::string("\1\0\0", 3), 2},
      {"count 0", le32(0) + recordBytes(1, 0, 1, "x"), 1},
      {"negative count", le32(0xFFFFFFFFu) + entry, 2},
      {"entry past the end", le32(1) + le32(6) + "a.swd", 2},
      {"negative entry length", le32(1) + le32(0xFFFFFFFEu) + "a.swd", 2},
      {"entry length cut short", le32(1) + std::string("\5\0", 2), 2},
      {"count 2^31 - 1", le32(0x7FFFFFFFu) + entry + entry, 2},
      {"one entry, no record", le32(1) + entry, 0},
      {"an empty entry is skipped", le32(2) + le32(0) + entry + recordBytes(1, 0, 2, "t"), 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    OpenFile f(row.bytes);
    LRepBufor b;
    ASSERT_EQ(b.openReport(f.in), row.expected);
    int err = 0;
    if (row.expected != 0) {
      EXPECT_EQ(b.mode(), LRepBufor::kClosed);
      b.getLine(0, err, kForward);
      EXPECT_EQ(err, -1);
      EXPECT_EQ(b.getKnownLines(), 0u);
    } else {
      EXPECT_EQ(b.getCheckedFilePath(0), "a.swd");
      EXPECT_EQ(b.getCheckedFilePath(1), "");
    }
  }
}

// A record cut in any of its five fields, or whose length runs past the end,
// ends the report after the last whole record.
TEST(LRepBufor, CutRecordEndsTheReport) {
  const std::string header = le32(1) + le32(5) + "a.swd";
  const std::string whole = recordBytes(1, 0, 10, "pierwszy") + recordBytes(2, 0, 20, "drugi");
  const std::string third = recordBytes(3, 0, 30, "trzeci");
  struct Row {
    const char* name;
    std::string tail;
  };
  const std::vector<Row> rows = {
      {"in the line", third.substr(0, 2)},
      {"in the file index", third.substr(0, 6)},
      {"in the position", third.substr(0, 10)},
      {"in the length", third.substr(0, 14)},
      {"in the text", third.substr(0, 19)},
      {"length past the end", recordBytes(3, 0, 30, "").substr(0, 12) + le32(1000) + "abc"},
      {"negative length", recordBytes(3, 0, 30, "").substr(0, 12) + le32(0xFFFFFFF0u) + "abc"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    OpenFile f(header + whole + row.tail);
    LRepBufor b(10, 1);
    ASSERT_EQ(b.openReport(f.in), 0);
    EXPECT_EQ(allLines(b), (std::vector<std::string>{"pierwszy", "drugi"}));
    EXPECT_EQ(b.getKnownLines(), 2u);
    EXPECT_FALSE(b.getLineInfo(2));
    int err = 0;
    EXPECT_EQ(b.getLine(1, err, kBackward), "drugi");
  }
}

// getLineInfo reads the whole record from the file: the window stays, and
// paging on reads only the lines it would have read anyway.
TEST(LRepBufor, LineInfoLeavesWindowAndPositionAlone) {
  TempFolder folder;
  const std::string path = folder / "r.rpt";
  writeReport(path, {folder / "a.swd"}, numberedRecords(3000));
  plat::InputFile in(path);
  LRepBufor b(4, 1000);
  ASSERT_EQ(b.openReport(in), 0);
  int err = 0;
  for (int i = 0; i < 5; ++i) b.getLine(i, err, kForward);
  const std::uint64_t position = in.position();
  for (std::int64_t n : {2, 80, 2500, 4}) {
    SCOPED_TRACE(n);
    const auto info = b.getLineInfo(n);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->line, n);
    EXPECT_EQ(info->filePos, 100 * n);
    EXPECT_EQ(info->text, "rekord " + std::to_string(n));
    EXPECT_EQ(in.position(), position);
    const std::uint64_t before = b.linesRead();
    for (int i = 0; i < 5; ++i)
      EXPECT_EQ(b.getLine(i, err, kForward), "rekord " + std::to_string(i));
    EXPECT_EQ(b.linesRead(), before);
  }
  const std::uint64_t before = b.linesRead();
  EXPECT_EQ(b.getLine(5, err, kForward), "rekord 5");
  EXPECT_EQ(b.linesRead() - before, 3u);
  // A record far down is found from the checkpoints the lookups entered.
  EXPECT_EQ(b.getLine(2600, err, kForward), "rekord 2600");
  EXPECT_LT(b.linesRead() - before, 1000u);
}

TEST(LRepBufor, ReopeningStartsAfresh) {
  TempFolder folder;
  const std::string longer = folder / "dlugi.rpt";
  const std::string shorter = folder / "krotki.rpt";
  writeReport(longer, {folder / "a.swd"}, numberedRecords(400));
  writeReport(shorter, {folder / "b.swd"}, numberedRecords(3));
  plat::InputFile a(longer);
  plat::InputFile s(shorter);
  LRepBufor b(10, 100);
  ASSERT_EQ(b.openReport(a), 0);
  int err = 0;
  b.getLine(350, err, kForward);
  EXPECT_EQ(b.getKnownLines(), 356u);
  ASSERT_EQ(b.openReport(s), 0);
  EXPECT_EQ(b.getKnownLines(), 3u);
  EXPECT_EQ(b.getLine(350, err, kForward), "");
  EXPECT_EQ(err, 1);
  EXPECT_EQ(b.getCheckedFilePath(0), folder / "b.swd");
  b.clear();
  EXPECT_EQ(b.mode(), LRepBufor::kClosed);
  b.getLine(0, err, kForward);
  EXPECT_EQ(err, -1);
  EXPECT_FALSE(b.getLineInfo(0));
}

// Text mode: the lines of any length, as the text viewer reads them; no
// record fields.
TEST(LRepBufor, TextModeReadsLongLines) {
  const std::string longLine(70000, 'x');
  OpenFile f("a\n" + longLine + "\nb");
  LRepBufor b(2, 2);
  b.openText(f.in);
  EXPECT_EQ(b.mode(), LRepBufor::kText);
  EXPECT_EQ(allLines(b), (std::vector<std::string>{"a", longLine.substr(0, 65535),
                                                   longLine.substr(65535), "b"}));
  EXPECT_FALSE(b.getLineInfo(0));
}

TEST(LRepBufor, WalkReadsEveryRecordInOnePass) {
  TempFolder folder;
  const std::string path = folder / "r.rpt";
  writeReport(path, {folder / "a.swd"}, numberedRecords(500));
  plat::InputFile in(path);
  LRepBufor b(4, 100);
  ASSERT_EQ(b.openReport(in), 0);
  int err = 0;
  b.getLine(3, err, kForward);
  const std::uint64_t position = in.position();
  std::vector<std::int64_t> lines;
  EXPECT_EQ(b.walk([&](const LRepLineInfo& info) {
    lines.push_back(info.line);
    return true;
  }),
            0);
  ASSERT_EQ(lines.size(), 500u);
  for (std::size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(lines[i], static_cast<std::int64_t>(i));
  EXPECT_EQ(in.position(), position);
  const std::uint64_t before = b.linesRead();
  EXPECT_EQ(b.getLine(4, err, kForward), "rekord 4");
  EXPECT_EQ(b.linesRead(), before);
  int seen = 0;
  EXPECT_EQ(b.walk([&](const LRepLineInfo&) { return ++seen < 3; }), 0);
  EXPECT_EQ(seen, 3);
  LRepBufor closed;
  EXPECT_EQ(closed.walk([](const LRepLineInfo&) { return true; }), -1);
}

}  // namespace
