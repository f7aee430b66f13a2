#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "platform/FileSystem.h"
#include "processing/bzSemanticProcess.h"
#include "reader/PlikSW.h"
#include "support/Gate.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"
#include "support/TempFile.h"

using namespace swde;
using plat::cp;

namespace {

using Line = testsupport::ReportLine;

using testsupport::freeLine;
using testsupport::offsetOfLine;

// The reference of the cases. G5BUD points to G5DZE by object (G5RDZE) and
// by record identifier (G5RKAT); G5CZ is the single component (G5RCZ) of the
// complex G5KOMP; G5PKT is a point. No type, attribute or relation is
// mandatory but the component.
const std::string kReference = R"(<?xml version="1.0" encoding="UTF-8"?>
<SWDE schema_date="2026.11.30" schema_version="7" schema_profile="Profil próbny">
  <ATTRIBS_SECT>
    <ATTRIBUTES><ATTR name="G5OPIS" type="ZN"/></ATTRIBUTES>
    <RELATIONS><RELAT name="G5RDZE"/><RELAT name="G5RKAT"/><RELAT name="G5RCZ"/></RELATIONS>
  </ATTRIBS_SECT>
  <TYPES_SECT>
    <OBJECT name="G5DZE" base_type="RD" mandatory_level="3"><ATTRIBUTES/><RELATIONS/></OBJECT>
    <OBJECT name="G5PKT" base_type="RP" mandatory_level="3"><ATTRIBUTES/><RELATIONS/></OBJECT>
    <OBJECT name="G5BUD" base_type="RD" mandatory_level="3">
      <ATTRIBUTES/>
      <RELATIONS>
        <RELAT name="G5RDZE" field_name="" mandatory_level="3" multiple="true" element="false">
          <DEST_OBJECT name="G5DZE"/>
        </RELAT>
        <RELAT name="G5RKAT" field_name="" mandatory_level="3" multiple="true" element="false">
          <DEST_OBJECT name="G5DZE"/>
        </RELAT>
      </RELATIONS>
    </OBJECT>
    <OBJECT name="G5KOMP" base_type="RC" mandatory_level="3">
      <ATTRIBUTES/>
      <RELATIONS>
        <RELAT name="G5RCZ" field_name="" mandatory_level="2" multiple="false" element="true"/>
      </RELATIONS>
    </OBJECT>
    <OBJECT name="G5CZ" base_type="RD" mandatory_level="3">
      <ATTRIBUTES/>
      <RELATIONS>
        <RELAT name="G5RCZ" field_name="" mandatory_level="3" multiple="false" element="false">
          <DEST_OBJECT name="G5KOMP"/>
        </RELAT>
      </RELATIONS>
    </OBJECT>
  </TYPES_SECT>
</SWDE>
)";

// The schema lines of kReference and the empty line after them.
std::vector<Line> schemaLines() {
  return {freeLine("Data utworzenia schematu: 2026.11.30"),
          freeLine("Wersja utworzenia schematu: 7"), freeLine("Profil schematu: Profil próbny"),
          freeLine("")};
}

// The reference file of the program run for the scope of a test: written to
// a path of its own, the process pointed at it, and at the end the file
// removed and the process pointed back at the file beside the program.
class ReferenceFile {
 public:
  explicit ReferenceFile(const std::string& xml = kReference) : xml_(xml) {
    static std::atomic<int> made{0};
    path_ = plat::tempFolder() + "/olv-reference-" + std::to_string(::getpid()) + "-" +
            std::to_string(++made) + ".xml";
    put();
    bzSemanticProcess::setReferenceFile(path_);
  }
  ~ReferenceFile() {
    remove();
    bzSemanticProcess::setReferenceFile("");
  }
  ReferenceFile(const ReferenceFile&) = delete;
  ReferenceFile& operator=(const ReferenceFile&) = delete;

  void put() {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out << xml_;
    ASSERT_TRUE(out.good());
  }
  void remove() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string xml_;
  std::string path_;
};

// A document from its lines after the header (line 1): lines[i] is line i + 2.
std::string swde(const std::vector<std::string>& lines) {
  std::string out = "SWDE.W.1.13.0;test\n";
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

// SO section only, with the file's end.
std::string soOnly(const std::vector<std::string>& so) {
  std::vector<std::string> lines = {"SO;"};
  lines.insert(lines.end(), so.begin(), so.end());
  lines.push_back("SX;");
  lines.push_back("SWDEX;");
  return swde(lines);
}

// The semantic check, with the readers it asks for counted and, with a gate,
// held before the reader of a file is made.
class ObservedSemantic : public bzSemanticProcess {
 public:
  ObservedSemantic(RunKey key, testsupport::RunObjects& r, testsupport::Gate* gate = nullptr)
      : bzSemanticProcess(key, &r.files, &r.report, &r.settings, &r.state), gate_(gate) {}
  int readersMade() const { return made_; }

 protected:
  plat::ComPtr<PlikSW> createFileInterface() override {
    ++made_;
    if (gate_) gate_->pass();
    return bzSemanticProcess::createFileInterface();
  }

 private:
  testsupport::Gate* gate_;
  std::atomic<int> made_{0};
};

// One run's objects on a list of files.
struct SemanticRun : testsupport::RunObjects {
  explicit SemanticRun(const std::vector<std::string>& paths, bool condensed = false) {
    settings.reportCondensed = condensed;
    for (const std::string& p : paths) files.addFile(plat::extractFileName(p), p);
    EXPECT_TRUE(report.Create(&files));
  }

  // Runs the check to its end; the report's lines.
  std::vector<Line> run() {
    bzRun<ObservedSemantic> p(*this);
    p.start();
    p.waitFor();
    failedCritically = p.failedCritically();
    criticalMessage = p.criticalMessage();
    readersMade = p.readersMade();
    return testsupport::drain(report);
  }

  bool failedCritically = false;
  std::string criticalMessage;
  int readersMade = 0;
};

// The report without the times of its START and STOP lines.
std::vector<Line> withoutTimes(std::vector<Line> lines) {
  for (Line& l : lines)
    for (const char* word : {"START: ", "STOP: "})
      if (l.text.rfind(word, 0) == 0) l.text = word;
  return lines;
}

std::size_t countText(const std::vector<Line>& lines, const std::string& utf8) {
  const std::string text = cp(utf8);
  return static_cast<std::size_t>(
      std::count_if(lines.begin(), lines.end(), [&](const Line& l) { return l.text == text; }));
}

bool anyContains(const std::vector<Line>& lines, const std::string& utf8) {
  const std::string text = cp(utf8);
  return std::any_of(lines.begin(), lines.end(),
                     [&](const Line& l) { return l.text.find(text) != std::string::npos; });
}

std::vector<Line> findingsOf(const std::vector<Line>& lines) {
  std::vector<Line> out;
  for (const Line& l : lines)
    if (l.fileIdx != -1) out.push_back(l);
  return out;
}

// The lines from the first one that reads from, up to (without) the next
// one that reads until.
std::vector<Line> block(const std::vector<Line>& lines, const std::string& from,
                        const std::string& until) {
  const std::string a = cp(from), b = cp(until);
  auto start = std::find_if(lines.begin(), lines.end(), [&](const Line& l) { return l.text == a; });
  auto end = std::find_if(start, lines.end(), [&](const Line& l) { return l.text == b; });
  return {start, end};
}

// The summary of the run: from its title to the line before STOP.
std::vector<Line> summary(const std::vector<Line>& lines) {
  const std::string title = cp("Podsumowanie liczby błędów i ostrzeżeń:");
  auto start =
      std::find_if(lines.begin(), lines.end(), [&](const Line& l) { return l.text == title; });
  auto end = std::find_if(start, lines.end(),
                          [](const Line& l) { return l.text.rfind("STOP: ", 0) == 0; });
  return {start, end};
}

// The summary's lines of one file.
std::vector<Line> fileSummary(const std::string& path, unsigned errors, unsigned warnings) {
  return {{-1, -1, -1, "Plik: " + path},
          freeLine("  => liczba błędów    : " + std::to_string(errors)),
          freeLine("  => liczba ostrzeżeń : " + std::to_string(warnings))};
}

// A finding of file fileIdx at line n (0: none) of content, text in UTF-8
// after the line number.
Line finding(const std::string& content, int fileIdx, std::int64_t n, const std::string& text) {
  return {n, fileIdx, offsetOfLine(content, n), plat::IntToStr(n) + " " + cp(text)};
}

const char* const kNoSp = "I  2008 SP - Brak sekcji deklaracji atrybutów i wiązań (SP)";
const char* const kNoSt = "I  3014 ST - Brak sekcji definicji typów (ST)";
const char* const kStatisticsTitle = "========= Raport spójności referencyjnej =========";
const char* const kStopped = "Przetwarzanie zostało przerwane przez użytkownika";

// The passes leave the progress measured in records, count the record types
// for the statistics and resolve the relations (a relation that does not
// resolve gives 6023); a run without them leaves the progress at the last
// file's size and the statistics without types.
void expectNoPasses(const SemanticRun& r, const std::vector<Line>& lines, std::uint64_t lastSize) {
  EXPECT_EQ(r.state.getProcessMaxValue(), lastSize);
  EXPECT_FALSE(anyContains(lines, "Typ: "));
  EXPECT_FALSE(anyContains(lines, " 6023 "));
}

// ---------------------------------------------------------------------------
// The reference

// The schema lines come after the title; a later run of the program shows
// the same lines without reading the file again.
TEST(SemanticProcess, TheReferenceIsReadOnceAndItsSchemaShownByEveryRun) {
  ReferenceFile reference;
  const std::string content = soOnly({"RD,,G5DZE,D1,R1,01;", "X;"});
  testsupport::TempFile file(content);
  SemanticRun first({file.path()});
  std::vector<Line> expected = {
      {-1, -1, -1, "START: "},
      freeLine("Sprawdzanie poprawności semantycznej SWDE"),
      freeLine(" "),
  };
  for (const Line& l : schemaLines()) expected.push_back(l);
  const std::vector<Line> rest = {
      freeLine("Lista plików do przetworzenia:"),
      {-1, -1, -1, "   1. " + file.path()},
      freeLine(" "),
      freeLine("Przetwarzanie pliku nr 1..."),
      {-1, -1, -1, "=========> " + file.path()},
      finding(content, 0, 0, kNoSp),
      finding(content, 0, 0, kNoSt),
      freeLine(" "),
      freeLine(kStatisticsTitle),
      freeLine(" "),
      freeLine("-------------- Typy aplikacyjne --------------"),
      freeLine("Typ: G5DZE - 1"),
      freeLine(" "),
      freeLine(" "),
      freeLine(" "),
      freeLine("Podsumowanie liczby błędów i ostrzeżeń:"),
      freeLine("Sumaryczna liczba błędów    : 0"),
      freeLine("Sumaryczna liczba ostrzeżeń : 0"),
      freeLine(" "),
      {-1, -1, -1, "STOP: "},
  };
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(withoutTimes(first.run()), expected);
  EXPECT_FALSE(first.failedCritically);
  EXPECT_TRUE(bzSemanticProcess::referenceLoaded());
  EXPECT_EQ(first.state.getStateMessage(), cp("Przetwarzanie zakończono"));

  reference.remove();
  SemanticRun second({file.path()});
  const std::vector<Line> lines = withoutTimes(second.run());
  EXPECT_FALSE(second.failedCritically) << plat::cp1250ToUtf8(second.criticalMessage);
  EXPECT_EQ(lines, expected);
  EXPECT_NE(bzSemanticProcess::referenceModel().getTypesSection()->getType("G5KOMP"), nullptr);
}

// Without its reference the check cannot run: the run ends critically with
// the loader's words before any file is opened, and the next run, with the
// file back, loads it.
TEST(SemanticProcess, AMissingReferenceEndsTheRunUntilItIsBack) {
  ReferenceFile reference;
  reference.remove();
  testsupport::TempFile file(soOnly({"RD,,G5DZE,D1,R1,01;", "X;"}));
  const std::string prefix = cp("Błąd odczytu metadanych \"wzorcowych\": ");

  SemanticRun failed({file.path()});
  const std::vector<Line> lines = failed.run();
  EXPECT_TRUE(failed.failedCritically);
  EXPECT_EQ(failed.criticalMessage.rfind(prefix, 0), 0u)
      << plat::cp1250ToUtf8(failed.criticalMessage);
  EXPECT_GT(failed.criticalMessage.size(), prefix.size());
  EXPECT_EQ(failed.readersMade, 0);
  EXPECT_FALSE(bzSemanticProcess::referenceLoaded());
  EXPECT_EQ(countText(lines, "Przetwarzanie pliku nr 1..."), 0u);
  EXPECT_FALSE(anyContains(lines, "Data utworzenia schematu"));
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       Line{-1, -1, -1, cp("Błąd: ") + failed.criticalMessage}),
            1);
  EXPECT_EQ(countText(lines, "Przetwarzanie przerwano z powodu błędu krytycznego."), 1u);
  EXPECT_EQ(failed.state.getStateMessage(),
            cp("Przetwarzanie przerwano z powodu błędu krytycznego."));

  reference.put();
  SemanticRun loaded({file.path()});
  const std::vector<Line> again = loaded.run();
  EXPECT_FALSE(loaded.failedCritically) << plat::cp1250ToUtf8(loaded.criticalMessage);
  EXPECT_TRUE(bzSemanticProcess::referenceLoaded());
  ASSERT_GE(again.size(), 7u);
  EXPECT_EQ(std::vector<Line>(again.begin() + 3, again.begin() + 7), schemaLines());
  EXPECT_EQ(loaded.readersMade, 1);
}

// ---------------------------------------------------------------------------
// Files of a run

// A SWING file is no input of the check: it is named and left; object
// identifiers reach across files, record identifiers stay in theirs.
TEST(SemanticProcess, FilesOfBothFormats) {
  ReferenceFile reference;
  const std::string first = soOnly({"RD,,G5DZE,D1,R1,01;", "X;"});
  const std::string swing = "SWING.W.1.2.0;test\nSO;\nRD,,G5DZE,D7,R1,01;\nX;\nSX;\nSWINGX;\n";
  const std::string third =
      soOnly({"RD,,G5BUD,B1,R2,01;", "WG,G5RDZE,G5DZE,D1;", "WL,G5RKAT,R1;", "X;"});
  testsupport::TempFile a(first), b(swing), c(third);
  SemanticRun r({a.path(), b.path(), c.path()});
  const std::vector<Line> lines = r.run();
  EXPECT_FALSE(r.failedCritically);

  const std::vector<Line> second =
      block(lines, "Przetwarzanie pliku nr 2...", "Przetwarzanie pliku nr 3...");
  EXPECT_EQ(second, (std::vector<Line>{
                        freeLine("Przetwarzanie pliku nr 2..."),
                        freeLine("Niepoprawny format pliku. Oczekiwany plik w formacie SWDE"),
                    }));
  EXPECT_EQ(findingsOf(lines),
            (std::vector<Line>{
                finding(first, 0, 0, kNoSp),
                finding(first, 0, 0, kNoSt),
                finding(third, 2, 0, kNoSp),
                finding(third, 2, 0, kNoSt),
                finding(third, 2, 5,
                        "B  6023 SO - Obiekt wskazywany przez relację G5RKAT z obiektu G5BUD nie "
                        "istnieje"),
            }));
  std::vector<Line> expected = {freeLine("Podsumowanie liczby błędów i ostrzeżeń:")};
  for (const auto& f :
       {fileSummary(a.path(), 0, 0), fileSummary(b.path(), 0, 0), fileSummary(c.path(), 1, 0)})
    expected.insert(expected.end(), f.begin(), f.end());
  expected.push_back(freeLine("Sumaryczna liczba błędów    : 1"));
  expected.push_back(freeLine("Sumaryczna liczba ostrzeżeń : 0"));
  expected.push_back(freeLine(" "));
  EXPECT_EQ(summary(lines), expected);
  // The SWING file was opened and is no object source: D7 is in no count.
  EXPECT_EQ(r.readersMade, 3);
  EXPECT_EQ(countText(lines, "Typ: G5DZE - 1"), 1u);
  EXPECT_EQ(r.state.getFilesProceeded(), 3u);
  EXPECT_EQ(r.state.getFileInfo(2).errors, 1u);
}

// The sections SP and ST belong to their file: a file without them gets the
// two information lines, counted nowhere, and its objects are checked
// against the reference alone.
TEST(SemanticProcess, TheFileModelBelongsToItsFile) {
  ReferenceFile reference;
  const std::string first = swde({"SP;", "W,G5RDZE;", "SX;", "ST;", "TD,G5DZE,RD;", "X;", "SX;",
                                  "SO;", "RD,,G5DZE,D1,R1,01;", "X;", "RD,,G5BUD,B1,R2,01;",
                                  "WG,G5RDZE,G5DZE,D1;", "X;", "SX;", "SWDEX;"});
  const std::string second = soOnly({"RD,,G5BUD,B2,R1,01;", "WG,G5RDZE,G5DZE,D1;", "X;"});
  testsupport::TempFile a(first), b(second);
  SemanticRun r({a.path(), b.path()});
  const std::vector<Line> lines = r.run();
  EXPECT_EQ(
      findingsOf(lines),
      (std::vector<Line>{
          finding(first, 0, 12, "B  6007 SO - Brak definicji rekordu G5BUD w sekcji metadanych"),
          finding(second, 1, 0, kNoSp),
          finding(second, 1, 0, kNoSt),
      }));
  EXPECT_EQ(r.state.getFileInfo(0).errors, 1u);
  EXPECT_EQ(r.state.getFileInfo(1).errors, 0u);
  EXPECT_EQ(r.state.getFileInfo(1).warnings, 0u);
  EXPECT_EQ(r.state.getTotalErrorsNum(), 1u);
  EXPECT_EQ(r.state.getTotalWarnsNum(), 0u);
  EXPECT_EQ(countText(lines, "Typ: G5BUD - 2"), 1u);
}

// Which sections a file lacks, whatever their order; an SP after the ST is
// read, the ST before it is not.
TEST(SemanticProcess, MissingSections) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;  // from line 2 on
    std::vector<std::pair<std::int64_t, std::string>> expected;
    unsigned warnings;
  };
  const Case cases[] = {
      {"SO only",
       {"SO;", "RD,,G5DZE,D1,R1,01;", "X;", "SX;", "SWDEX;"},
       {{0, kNoSp}, {0, kNoSt}},
       0},
      {"SP without ST",
       {"SP;", "B,G5NOWY,ZN,;", "SX;", "SO;", "RD,,G5DZE,D1,R1,01;", "X;", "SX;", "SWDEX;"},
       {{3, "O  2003 SP - Dodatkowy atrybut G5NOWY - brak w załączniku"}, {0, kNoSt}},
       1},
      {"ST without SP: the types are not read",
       {"ST;", "TD,G5NOWY,RO;", "X;", "SX;", "SO;", "RD,,G5DZE,D1,R1,01;", "X;", "SX;", "SWDEX;"},
       {{0, kNoSp}},
       0},
      {"ST before SP: the SP is read",
       {"ST;", "TD,G5NOWY,RO;", "X;", "SX;", "SP;", "B,G5NOWY,ZN,;", "SX;", "SO;",
        "RD,,G5DZE,D1,R1,01;", "X;", "SX;", "SWDEX;"},
       {{0, kNoSp}, {7, "O  2003 SP - Dodatkowy atrybut G5NOWY - brak w załączniku"}},
       1},
      {"SP and ST: the types are read",
       {"SP;", "B,G5OPIS,ZN,;", "SX;", "ST;", "TD,G5NOWY,RO;", "X;", "SX;", "SO;",
        "RD,,G5DZE,D1,R1,01;", "X;", "SX;", "SWDEX;"},
       {{6, "O  3001 ST - Dodatkowy typ aplikacyjny G5NOWY - brak takiego typu w załączniku"},
        {10, "B  6007 SO - Brak definicji rekordu G5DZE w sekcji metadanych"}},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReferenceFile reference;
    const std::string content = swde(c.lines);
    testsupport::TempFile file(content);
    SemanticRun r({file.path()});
    const std::vector<Line> lines = r.run();
    std::vector<Line> expected;
    unsigned errors = 0;
    for (const auto& [n, text] : c.expected) {
      expected.push_back(finding(content, 0, n, text));
      if (text[0] == 'B') ++errors;
    }
    EXPECT_EQ(findingsOf(lines), expected);
    EXPECT_EQ(r.state.getTotalErrorsNum(), errors);
    EXPECT_EQ(r.state.getTotalWarnsNum(), c.warnings);
    EXPECT_EQ(r.state.getFileInfo(0).errors, errors);
    EXPECT_EQ(r.state.getFileInfo(0).warnings, c.warnings);
  }
}

// ---------------------------------------------------------------------------
// Runs that end early

// A missing file ends the run: the files after it are never opened, the
// statistics are written once and the passes do not run.
TEST(SemanticProcess, AMissingFileEndsTheRun) {
  ReferenceFile reference;
  const std::string first = soOnly({"RD,,G5BUD,B1,R1,01;", "WG,G5RDZE,G5DZE,D9;", "X;"});
  testsupport::TempFile a(first), c(soOnly({"RD,,G5DZE,D9,R1,01;", "X;"}));
  const std::string missing =
      plat::tempFolder() + "/olv-missing-" + std::to_string(::getpid()) + ".swd";
  SemanticRun r({a.path(), missing, c.path()});
  const std::vector<Line> lines = r.run();
  EXPECT_FALSE(r.failedCritically);
  EXPECT_EQ(countText(lines, "Nie znaleziono pliku!"), 1u);
  EXPECT_EQ(countText(lines, kStatisticsTitle), 1u);
  EXPECT_EQ(r.readersMade, 1);
  EXPECT_EQ(countText(lines, "Przetwarzanie pliku nr 3..."), 0u);
  // The third file is in the list of files only.
  EXPECT_EQ(
      std::count_if(lines.begin(), lines.end(),
                    [&](const Line& l) { return l.text.find(c.path()) != std::string::npos; }),
      1);
  EXPECT_EQ(r.state.getFilesProceeded(), 2u);
  std::vector<Line> expected = {freeLine("Podsumowanie liczby błędów i ostrzeżeń:")};
  for (const auto& f : {fileSummary(a.path(), 0, 0), fileSummary(missing, 0, 0)})
    expected.insert(expected.end(), f.begin(), f.end());
  expected.push_back(freeLine("Sumaryczna liczba błędów    : 0"));
  expected.push_back(freeLine("Sumaryczna liczba ostrzeżeń : 0"));
  expected.push_back(freeLine(" "));
  EXPECT_EQ(summary(lines), expected);
  expectNoPasses(r, lines, first.size());
  EXPECT_EQ(r.state.getStateMessage(), cp("Przetwarzanie zakończono"));
}

// A stop asked for while the first file is read (held at its first report
// line) ends the run after that file: the statistics are written, the
// passes do not run and the second file is never opened.
TEST(SemanticProcess, AStopDuringAFile) {
  ReferenceFile reference;
  const std::string first = soOnly({"RD,,G5BUD,B1,R1,01;", "WG,G5RDZE,G5DZE,D9;", "X;"});
  testsupport::TempFile a(first), b(soOnly({"RD,,G5DZE,D1,R1,01;", "X;"}));
  SemanticRun r({a.path(), b.path()});
  testsupport::Gate gate;
  const std::string held = cp(" 2008 ");
  r.report.setWriteFunction([&](int fd, const void* data, std::size_t size, off_t offset) {
    if (std::string_view(static_cast<const char*>(data), size).find(held) != std::string::npos)
      gate.pass();
    return ::pwrite(fd, data, size, offset);
  });
  std::vector<Line> lines;
  int readers = 0;
  {
    bzRun<ObservedSemantic> p(r);
    p.start();
    gate.waitReached();
    EXPECT_TRUE(p.stop(0));
    gate.open();
    p.waitFor();
    EXPECT_FALSE(p.failedCritically());
    readers = p.readersMade();
  }
  lines = testsupport::drain(r.report);
  EXPECT_EQ(gate.reached(), 1);
  EXPECT_EQ(readers, 1);
  EXPECT_EQ(countText(lines, kStatisticsTitle), 1u);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 3], freeLine(kStopped));
  EXPECT_EQ(countText(lines, "Przetwarzanie pliku nr 2..."), 0u);
  EXPECT_EQ(r.state.getStateMessage(), cp(kStopped));
  EXPECT_EQ(r.state.getFilesProceeded(), 1u);
  expectNoPasses(r, lines, first.size());
}

// A faulty line in the SO section ends the file's reading: one error line
// of the reader, one more error for the failed file, and no passes.
TEST(SemanticProcess, AFaultyLineInTheObjects) {
  ReferenceFile reference;
  const std::string content = soOnly({"RD,,G5BUD,B1,R1,01;", "WG,G5RDZE,G5DZE,D9;", "X;",
                                      "RD,,G5DZE,D2;", "X;", "RD,,G5DZE,D3,R3,01;", "X;"});
  testsupport::TempFile file(content);
  SemanticRun r({file.path()});
  const std::vector<Line> lines = r.run();
  EXPECT_FALSE(r.failedCritically);
  const std::vector<Line> found = findingsOf(lines);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(std::vector<Line>(found.begin(), found.begin() + 2),
            (std::vector<Line>{finding(content, 0, 0, kNoSp), finding(content, 0, 0, kNoSt)}));
  EXPECT_EQ(found[2].lineNo, 6);
  EXPECT_EQ(found[2].text.rfind("6 B ", 0), 0u) << plat::cp1250ToUtf8(found[2].text);
  EXPECT_EQ(r.state.getFileInfo(0).errors, 2u);
  EXPECT_EQ(r.state.getTotalErrorsNum(), 2u);
  EXPECT_EQ(countText(lines, "Sumaryczna liczba błędów    : 2"), 1u);
  EXPECT_EQ(countText(lines, kStatisticsTitle), 1u);
  expectNoPasses(r, lines, content.size());
}

// A file's end line where it does not belong is one error line of the
// reader, written once however often the process asks for the reader's
// error, whether a record or the file met it; the failed file counts one
// error more.
TEST(SemanticProcess, AMisplacedFileEndIsWrittenOnce) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;  // from line 2 on
    std::int64_t at;                 // the line of the error
    const char* section;
  };
  const Case cases[] = {
      {"inside SO", {"SO;", "RD,,G5DZE,D1,R1,01;", "X;", "SWDEX;", "SX;"}, 5, "SO"},
      {"ending SO", {"SO;", "RD,,G5DZE,D1,R1,01;", "X;", "SWDEX;"}, 5, "SO"},
      {"ending SP", {"SP;", "B,G5OPIS,ZN,;", "SWDEX;"}, 4, "SP"},
      {"ending ST", {"SP;", "W,G5RDZE;", "SX;", "ST;", "TD,G5DZE,RD;", "X;", "SWDEX;"}, 8, "ST"},
      {"inside an object record", {"SO;", "RD,,G5DZE,D1,R1,01;", "SWDEX;"}, 4, "SO"},
      {"inside a type record", {"SP;", "SX;", "ST;", "TD,G5DZE,RD;", "SWDEX;"}, 6, "ST"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReferenceFile reference;
    const std::string content = swde(c.lines);
    testsupport::TempFile file(content);
    SemanticRun r({file.path()});
    const std::vector<Line> lines = r.run();
    EXPECT_FALSE(r.failedCritically);
    std::vector<std::pair<std::int64_t, std::string>> errors;
    for (const Line& l : findingsOf(lines))
      if (l.text.find(" B ") != std::string::npos) errors.emplace_back(l.lineNo, l.text);
    const std::string expected =
        std::to_string(c.at) + " B   202 " + c.section +
        cp(" - Nieprawidłowe wystąpienie linii końca pliku. Brak końca sekcji");
    EXPECT_EQ(errors, (std::vector<std::pair<std::int64_t, std::string>>{{c.at, expected}}));
    EXPECT_EQ(r.state.getFileInfo(0).errors, 2u);
    EXPECT_EQ(r.state.getTotalErrorsNum(), 2u);
    expectNoPasses(r, lines, content.size());
  }
}

// ---------------------------------------------------------------------------
// The passes

// A finding of the passes counts to the file of the record it names; the
// summary's lines, the files' entries and the totals agree.
TEST(SemanticProcess, PassFindingsCountToTheirFile) {
  ReferenceFile reference;
  // File 1: a target, a point and a complex record.
  const std::string first = soOnly({"RD,,G5DZE,D1,R1,01;", "X;", "RP,,G5PKT,P1,R2,01;", "P,G,1,2,;",
                                    "X;", "RC,,G5KOMP,K1,R3,01;", "X;"});
  // File 2: a record identifier of another file (6023) and one of a point
  // (6010); its object identifier resolves.
  const std::string second =
      soOnly({"RP,,G5PKT,P2,R5,01;", "P,G,1,2,;", "X;", "RD,,G5BUD,B1,R4,01;",
              "WG,G5RDZE,G5DZE,D1;", "WL,G5RKAT,R1;", "WL,G5RKAT,R5;", "X;"});
  // File 3: two components of K1 where one is allowed (6027 of file 1) and a
  // record identifier twice (6035 while loading).
  const std::string third = soOnly({"RD,,G5CZ,C1,R1,01;", "WG,G5RCZ,G5KOMP,K1;", "X;",
                                    "RD,,G5CZ,C2,R1,01;", "WG,G5RCZ,G5KOMP,K1;", "X;"});
  testsupport::TempFile a(first), b(second), c(third);
  SemanticRun r({a.path(), b.path(), c.path()});
  const std::vector<Line> lines = r.run();
  EXPECT_FALSE(r.failedCritically);
  EXPECT_EQ(
      findingsOf(lines),
      (std::vector<Line>{
          finding(first, 0, 0, kNoSp),
          finding(first, 0, 0, kNoSt),
          finding(second, 1, 0, kNoSp),
          finding(second, 1, 0, kNoSt),
          finding(third, 2, 0, kNoSp),
          finding(third, 2, 0, kNoSt),
          finding(third, 2, 6,
                  "B  6035 SO - Wielokrotne wystąpienie obiektu o identyfikatorze rekordu równym: "
                  "R1"),
          finding(second, 1, 8,
                  "B  6023 SO - Obiekt wskazywany przez relację G5RKAT z obiektu G5BUD nie "
                  "istnieje"),
          finding(second, 1, 9,
                  "B  6010 SO - Typ wskazywany przez wiązanie G5RKAT w obiekcie G5BUD niezgodny "
                  "z załącznikiem"),
          finding(first, 0, 8,
                  "B  6027 SO - Niepoprawna ilość obiektów składowych wskazujących na obiekt "
                  "G5KOMP, poprzez relację G5RCZ. Spodziewana krotność '1'"),
      }));
  const unsigned errors[] = {1, 2, 1};
  std::vector<Line> expected = {freeLine("Podsumowanie liczby błędów i ostrzeżeń:")};
  const std::string paths[] = {a.path(), b.path(), c.path()};
  for (int i = 0; i < 3; ++i) {
    const std::vector<Line> f = fileSummary(paths[i], errors[i], 0);
    expected.insert(expected.end(), f.begin(), f.end());
    EXPECT_EQ(r.state.getFileInfo(i).errors, errors[i]) << i;
  }
  expected.push_back(freeLine("Sumaryczna liczba błędów    : 4"));
  expected.push_back(freeLine("Sumaryczna liczba ostrzeżeń : 0"));
  expected.push_back(freeLine(" "));
  EXPECT_EQ(summary(lines), expected);
  EXPECT_EQ(r.state.getTotalErrorsNum(), 4u);
  EXPECT_EQ(r.state.getProcessMaxValue(), 7u);  // the records of the passes
}

// The condensed report: a finding's key and code give one line in the run,
// however often it is met, and the findings' counts close the report. The
// errors are all counted.
TEST(SemanticProcess, CondensedReport) {
  ReferenceFile reference;
  const std::string first = soOnly({"RD,,G5BUD,B1,R1,01;", "WG,G5RDZE,G5DZE,D8;", "X;"});
  const std::string second =
      soOnly({"RD,,G5BUD,B2,R1,01;", "WG,G5RDZE,G5DZE,D9;", "WL,G5RKAT,R7;", "X;"});
  testsupport::TempFile a(first), b(second);
  SemanticRun r({a.path(), b.path()}, true);
  const std::vector<Line> lines = r.run();
  EXPECT_FALSE(r.failedCritically);
  EXPECT_EQ(findingsOf(lines),
            (std::vector<Line>{
                finding(first, 0, 0, kNoSp),
                finding(first, 0, 0, kNoSt),
                finding(second, 1, 0, kNoSp),
                finding(second, 1, 0, kNoSt),
                finding(first, 0, 4,
                        "B  6023 SO - Obiekt wskazywany przez relację G5RDZE z obiektu G5BUD nie "
                        "istnieje"),
            }));
  EXPECT_EQ(block(lines, "========= Statystyki ostrzeżeń i błędów =========",
                  "Podsumowanie liczby błędów i ostrzeżeń:"),
            (std::vector<Line>{
                freeLine("========= Statystyki ostrzeżeń i błędów ========="),
                freeLine(" "),
                freeLine("Typ: G5BUD   Kod ostrzeżenia (błędu): 6023 - ilość wystąpień: 3"),
                freeLine(" "),
            }));
  EXPECT_EQ(r.state.getFileInfo(0).errors, 1u);
  EXPECT_EQ(r.state.getFileInfo(1).errors, 2u);
  EXPECT_EQ(r.state.getTotalErrorsNum(), 3u);
}

}  // namespace
