// File names in report text: the lines of a report are cp1250 text, so a path
// from the file system (UTF-8 here) is shown converted wherever a line names
// it, a character that cp1250 lacks as '?'; the report's header keeps the raw
// bytes, which reopen the file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "processing/bzSyntaxProcess.h"
#include "support/BlockParameters.h"
#include "support/BrokenReads.h"
#include "support/Files.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"

using namespace swde;
using plat::cp;

namespace {

using Line = testsupport::ReportLine;
using testsupport::readFile;
using testsupport::TempFolder;
using testsupport::writeFile;

// One finding (line 3) in each file.
const std::string kWithFinding = "SWDE.W.1.13.0;\nSO;\nQQ,1;\nSX;\nSWDEX;\n";

std::uint32_t le32At(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
  return v;
}

// The file list of a report's header, as raw bytes.
std::vector<std::string> headerFiles(const std::string& bytes) {
  std::vector<std::string> out;
  if (bytes.size() < 4) return out;
  const std::uint32_t count = le32At(bytes, 0);
  std::size_t at = 4;
  for (std::uint32_t i = 0; i < count && at + 4 <= bytes.size(); ++i) {
    const std::uint32_t n = le32At(bytes, at);
    at += 4;
    out.push_back(bytes.substr(at, n));
    at += n;
  }
  return out;
}

bool holds(const std::vector<Line>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(), [&](const Line& l) { return l.text == text; });
}

struct Named {
  const char* name;   // UTF-8, as the file system has it
  const char* shown;  // UTF-8 of the cp1250 text the report shows
};

TEST(FileNameText, PathsInReportLinesAreCp1250AndTheHeaderKeepsTheRawBytes) {
  const Named names[] = {
      {"łąka.swd", "łąka.swd"},
      {"ŹRÓDŁO.swd", "ŹRÓDŁO.swd"},
      {"дом-ёж.swd", "\?\?\?-\?\?.swd"},  // letters cp1250 lacks: one '?' each
  };
  TempFolder folder;
  testsupport::RunObjects r;
  std::vector<std::string> raw;
  for (const Named& n : names) {
    raw.push_back(folder / n.name);
    writeFile(raw.back(), kWithFinding);
    r.files.addFile(n.name, raw.back());
  }
  // One that cannot be opened is named the same way.
  const std::string dir = folder / "żółw.swd";
  ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
  raw.push_back(dir);
  r.files.addFile("żółw.swd", dir);

  ASSERT_TRUE(r.report.Create(&r.files));
  {
    bzRun<bzSyntaxProcess> p(&r.files, &r.report, &r.settings, &r.state);
    p.start();
    p.waitFor();
  }
  const std::vector<Line> lines = testsupport::drain(r.report);
  auto shown = [&](const char* utf8) { return folder.path() + "/" + cp(utf8); };

  for (std::size_t i = 0; i < std::size(names); ++i) {
    SCOPED_TRACE(names[i].name);
    const std::string path = shown(names[i].shown);
    EXPECT_TRUE(holds(lines, "   " + std::to_string(i + 1) + ". " + path));
    EXPECT_TRUE(holds(lines, "=========> " + path));
    EXPECT_TRUE(holds(lines, "Plik: " + path));
    // The finding follows the line that names its file.
    const auto at = std::find(lines.begin(), lines.end(), Line{-1, -1, -1, "=========> " + path});
    ASSERT_NE(at, lines.end());
    ASSERT_NE(at + 1, lines.end());
    EXPECT_EQ((at + 1)->fileIdx, static_cast<int>(i));
  }
  EXPECT_TRUE(holds(lines, "   4. " + shown("żółw.swd")));
  EXPECT_TRUE(holds(lines, cp("Nie można otworzyć pliku: ") + shown("żółw.swd") +
                               cp(" (to jest katalog, a nie plik)")));
  // The console's status block: the last file opened.
  EXPECT_EQ(r.state.getCurrentFileName(), shown("\?\?\?-\?\?.swd"));
  // No raw UTF-8 name in any line.
  for (const Line& l : lines)
    for (const std::string& path : raw) EXPECT_EQ(l.text.find(path), std::string::npos) << l;

  EXPECT_EQ(headerFiles(readFile(r.report.getPath())), raw);
}

// The reader's own words for a read that fails in the middle of the file end
// up in the report: they name the file as cp1250 text too.
TEST(FileNameText, TheReadersMessageNamesTheFileAsCp1250Text) {
  TempFolder folder;
  const std::string path = folder / "łąka.swd";
  writeFile(path, testsupport::fileFailingMidWay());
  // Blocks so small that the pool holds a small part of the file at once.
  const testsupport::BlockParameters smallBlocks(0, 1024);
  testsupport::RunObjects r;
  r.files.addFile("łąka.swd", path);
  ASSERT_TRUE(r.report.Create(&r.files));
  bzRun<bzSyntaxProcess> p(&r.files, &r.report, &r.settings, &r.state);
  bool broke = false;
  testsupport::breakReadsAtItsFinding(r.report, path, broke);
  p.start();
  p.waitFor();
  ASSERT_TRUE(broke);
  const std::vector<Line> lines = testsupport::drain(r.report);
  const std::string expected =
      cp("Wystąpił błąd programu w trakcie przetwarzania pliku. Błąd obiektów warstwy odczytu "
         "pliku: Błąd odczytu pliku: ") +
      folder.path() + "/" + cp("łąka.swd") + " (" + plat::fileErrorReason(EISDIR) + ")";
  EXPECT_TRUE(holds(lines, expected));
}

}  // namespace
