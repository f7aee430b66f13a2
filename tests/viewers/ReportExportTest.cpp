// The report's text and comma-delimited exports: the bytes written, and what
// a failure leaves behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "processing/bzSyntaxProcess.h"
#include "support/FileSizeLimit.h"
#include "support/InChild.h"
#include "support/RunObjects.h"
#include "viewers/LRepBufor.h"
#include "viewers/ReportExport.h"
#include "viewers/ViewerFiles.h"

using olv::insertCommas;
using olv::LRepBufor;
using olv::saveAsCommaDelimited;
using olv::saveAsTextFile;
using plat::cp;
using testsupport::readFile;
using testsupport::TempFolder;
using testsupport::writeFile;
using viewertest::numberedRecords;
using viewertest::Record;
using viewertest::writeReport;

namespace {

TEST(InsertCommas, SplitsTheFieldsBeforeTheFirstDash) {
  struct Row {
    const char* line;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {"  ab   cd - ef  gh  ", "ab,cd,ef  gh"},
      {"12 B   121 SD - Brak pola: a - b", "12,B,121,SD,Brak pola: a - b"},
      {"7 O    3 - tekst", "7,O,3,tekst"},
      {"a-b c - d", "ab c - d"},
      {"ab   cd", "ab,cd"},
      {"tylko", "tylko"},
      {"   ", ""},
      {"", ""},
      {"x -", "x,"},
      {"\t1 B 2 SD - t\r", "1,B,2,SD,t"},
  };
  for (const Row& r : rows) EXPECT_EQ(insertCommas(r.line), r.expected) << "\"" << r.line << "\"";
}

// The report of a syntax check of the sample files, saved as the main program
// saves it.
struct SampleReport {
  TempFolder folder;
  std::string path = folder / "raport.rpt";
  std::vector<swde::bzReport::bzLineInfo> lines;

  SampleReport() {
    testsupport::RunObjects run;
    for (const char* name : {"przyklad.swd", "bledy.swd"}) {
      const std::string p = std::string(OLV_SAMPLES) + "/" + name;
      run.files.addFile(plat::extractFileName(p), p);
    }
    EXPECT_TRUE(run.report.Create(&run.files));
    {
      swde::bzRun<swde::bzSyntaxProcess> p(&run.files, &run.report, &run.settings, &run.state);
      p.start();
      p.waitFor();
    }
    EXPECT_TRUE(run.report.SaveToFile(path));
    swde::bzReport back(true);
    EXPECT_TRUE(back.Open(path));
    while (auto l = back.GetNextLine()) lines.push_back(*l);
    EXPECT_FALSE(back.readFailed());
  }
};

std::vector<std::string> splitLines(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "a line without \\r\\n at " << at;
      break;
    }
    out.push_back(bytes.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

TEST(ReportExport, SampleReportAsTextAndCommaDelimited) {
  SampleReport report;
  ASSERT_GT(report.lines.size(), 5u);
  plat::InputFile in(report.path);
  LRepBufor b(10, 100);
  ASSERT_EQ(b.openReport(in), 0);

  std::string text;
  for (const auto& l : report.lines) text += l.text + "\r\n";
  const std::string txt = report.folder / "raport.txt";
  ASSERT_EQ(saveAsTextFile(b, txt), 0);
  EXPECT_EQ(readFile(txt), text);

  const std::string cdt = report.folder / "raport.cdt";
  ASSERT_EQ(saveAsCommaDelimited(b, cdt), 0);
  const std::vector<std::string> rows = splitLines(readFile(cdt));
  ASSERT_EQ(rows.size(), report.lines.size());
  int findings = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(plat::cp1250ToUtf8(rows[i]));
    const auto& l = report.lines[i];
    if (l.position < 0) {
      EXPECT_EQ(rows[i], "#" + l.text);
      continue;
    }
    ++findings;
    // Line number, level, code and section (empty where the line has no
    // tag), then the message as it stands.
    const std::string message = l.text.substr(l.text.find(" - ") + 3);
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (int field = 0; field < 4; ++field) {
      const std::size_t comma = rows[i].find(',', at);
      ASSERT_NE(comma, std::string::npos) << "field " << field;
      fields.push_back(rows[i].substr(at, comma - at));
      at = comma + 1;
    }
    EXPECT_EQ(fields[0], std::to_string(l.lineNo));
    EXPECT_TRUE(fields[1] == "B" || fields[1] == "O" || fields[1] == "I") << fields[1];
    EXPECT_FALSE(fields[2].empty());
    EXPECT_EQ(fields[2].find_first_not_of("0123456789"), std::string::npos);
    EXPECT_TRUE(fields[3].empty() || fields[3].size() == 2) << fields[3];
    EXPECT_EQ(rows[i].substr(at), message);
  }
  EXPECT_GT(findings, 0);
  // Nothing but the two exports beside the report.
  EXPECT_EQ(report.folder.entries(), 3u);
}

// The target replaced while the report is shown from it: the export is whole
// and the view goes on over the report it opened.
TEST(ReportExport, OntoTheFileShown) {
  TempFolder folder;
  const std::string path = folder / "r.rpt";
  writeReport(path, {folder / "a.swd"}, numberedRecords(2000));
  plat::InputFile in(path);
  LRepBufor b(10, 100);
  ASSERT_EQ(b.openReport(in), 0);
  ASSERT_EQ(saveAsTextFile(b, path), 0);
  std::string expected;
  for (int i = 0; i < 2000; ++i) expected += "rekord " + std::to_string(i) + "\r\n";
  EXPECT_EQ(readFile(path), expected);
  int err = 0;
  EXPECT_EQ(b.getLine(1500, err, olv::kForward), "rekord 1500");
  EXPECT_EQ(folder.entries(), 1u);
}

// A failure leaves no file and an existing target as it was.
TEST(ReportExport, FailuresLeaveNothingBehind) {
  TempFolder folder;
  const std::string path = folder / "r.rpt";
  writeReport(path, {folder / "a.swd"}, numberedRecords(20000));
  plat::InputFile in(path);
  LRepBufor b(10, 100);
  ASSERT_EQ(b.openReport(in), 0);
  const std::string target = folder / "stary.txt";
  writeFile(target, "stara zawartość");
  const auto before = folder.entries();

  for (auto save : {saveAsTextFile, saveAsCommaDelimited}) {
    // A write past the limit fails as on a full disk.
    {
      testsupport::FileSizeLimit limit(4096);
      ASSERT_TRUE(limit);
      EXPECT_EQ(save(b, target), 1);
    }
    EXPECT_EQ(readFile(target), "stara zawartość");
    EXPECT_EQ(folder.entries(), before);

    // A folder its user cannot write into.
    TempFolder locked;
    ASSERT_EQ(::chmod(locked.path().c_str(), 0755), 0);
    const std::string lockedTarget = locked / "stary.txt";
    writeFile(lockedTarget, "stara");
    ASSERT_EQ(::chmod(locked.path().c_str(), 0555), 0);
    EXPECT_TRUE(testsupport::inChild([&] {
      if (!testsupport::dropRoot()) return false;
      return save(b, lockedTarget) == 1 && save(b, locked / "nowy.txt") == 1;
    }));
    ::chmod(locked.path().c_str(), 0755);
    EXPECT_EQ(readFile(lockedTarget), "stara");
    EXPECT_EQ(locked.entries(), 1u);

    // A folder as the target; a missing folder.
    EXPECT_EQ(save(b, folder.path()), 2);
    EXPECT_EQ(save(b, folder / "brak/x.txt"), 1);

    // Nothing open.
    LRepBufor closed;
    EXPECT_EQ(save(closed, folder / "nic.txt"), -1);
    EXPECT_EQ(folder.entries(), before);
  }
}

// A text file shown in the report viewer: its lines as text; no records for
// the comma-delimited export.
TEST(ReportExport, TextModeExports) {
  TempFolder folder;
  const std::string source = folder / "tekst.txt";
  writeFile(source, std::string("a\nb\0c\n", 6) + std::string(70000, 'x') + "\nkoniec");
  plat::InputFile in(source);
  LRepBufor b(3, 10);
  b.openText(in);
  ASSERT_EQ(saveAsTextFile(b, folder / "out.txt"), 0);
  EXPECT_EQ(readFile(folder / "out.txt"), "a\r\nb\r\nc\r\n" + std::string(65535, 'x') + "\r\n" +
                                              std::string(70000 - 65535, 'x') + "\r\nkoniec\r\n");
  ASSERT_EQ(saveAsCommaDelimited(b, folder / "out.cdt"), 0);
  EXPECT_EQ(readFile(folder / "out.cdt"), "");
}

// The export writes the records as they stand, whatever their bytes.
TEST(ReportExport, RecordsOfAnyKind) {
  TempFolder folder;
  const std::string path = folder / "r.rpt";
  const std::vector<Record> records = {
      {-1, -1, -1, cp("Kontrola składni")},
      {-1, -1, -1, ""},
      {3, 0, 0, cp("3 B  12 SD - Zła wartość")},
      {5, 0, 3'000'000'000, "5 I   1 ST - a,b"},
      {9, 0, -1, "9 O 4 SD - bez pozycji"},
      {23, 0, 40, cp("23 B   212 - Nieprawidłowe zakończenie pliku")},
      {24, 0, 41, "24    77 SG - inny poziom"},
      {25, 0, 42, "25    78 - ani poziomu, ani sekcji"},
  };
  writeReport(path, {folder / "a.swd"}, records);
  plat::InputFile in(path);
  LRepBufor b;
  ASSERT_EQ(b.openReport(in), 0);
  ASSERT_EQ(saveAsCommaDelimited(b, folder / "r.cdt"), 0);
  EXPECT_EQ(readFile(folder / "r.cdt"), cp("#Kontrola składni\r\n#\r\n3,B,12,SD,Zła wartość\r\n") +
                                            "5,I,1,ST,a,b\r\n#9 O 4 SD - bez pozycji\r\n" +
                                            cp("23,B,212,,Nieprawidłowe zakończenie pliku\r\n") +
                                            "24,,77,SG,inny poziom\r\n25,,78,,ani poziomu, ani "
                                            "sekcji\r\n");
  const std::string txt = folder / "r.txt";
  ASSERT_EQ(saveAsTextFile(b, txt), 0);
  struct stat st {};
  ASSERT_EQ(::stat(txt.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, plat::newFileMode());
}

}  // namespace
