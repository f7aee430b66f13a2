// The second pass of the merge: the part result read back with the relation
// targets rewritten to the new record identifiers, on object lists, written
// records and part results made by the test; then the safety of the merged
// file through whole runs: an output that is there stays byte for byte after
// every ending but a clean one, and no work file outlives a run.
#include <dirent.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "merge/Mgfile.h"
#include "merge/Mgobject.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "processing/bzMergeProcess.h"
#include "processing/bzMergeRules.h"
#include "processing/bzReport.h"
#include "reader/PlikSW.h"
#include "support/BrokenReads.h"
#include "support/Files.h"
#include "support/Gate.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"
#include "syntax/Sxcodes.h"
#include "syntax/Sxfilestream.h"

using namespace swde;
using plat::cp;

namespace {

using Line = testsupport::ReportLine;
using testsupport::freeLine;
using testsupport::readFile;
using testsupport::writeFile;

// Lines joined, each ended with CR LF.
std::string crlf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

std::string dump(const std::vector<Line>& lines) {
  std::ostringstream s;
  for (const Line& l : lines) s << l << "\n";
  return s.str();
}

bool has(const std::vector<Line>& lines, const Line& l) {
  return std::find(lines.begin(), lines.end(), l) != lines.end();
}

const Line kInterrupted = freeLine("Proces scalania został przerwany!!!");
const Line kPassFailed =
    freeLine("Wystąpił błąd podczas scalania plików - operacja została przerwana");

// ---------------------------------------------------------------------------
// The pass on its own, run on the test's thread

class PassProbe : public bzMergeProcess {
 public:
  PassProbe(RunKey key, testsupport::RunObjects& r)
      : bzMergeProcess(key, &r.files, &r.report, &r.settings, &r.state) {}

  using bzMergeProcess::checkOutputPath;
  using bzMergeProcess::failed;
  using bzMergeProcess::fileObjects;
  using bzMergeProcess::getNewIDRFindByID;
  using bzMergeProcess::isValidObjectVersion;
  using bzMergeProcess::nextRecordId;
  using bzMergeProcess::partResultFile;
  using bzMergeProcess::partResultPath;
  using bzMergeProcess::updateRelationsIds;
  using bzMergeProcess::WrittenRecord;
  using bzMergeProcess::writtenRecords;
  using bzMergeProcess::WrittenRun;

  std::uint32_t errors() const { return totalErrors; }
  std::uint32_t warnings() const { return totalWarns; }
};

// One run of a written record: its source (null: a line of the merge's own)
// and its counts of WG, WL and P lines.
struct Run {
  const mgObject* source;
  std::uint64_t wg, wl, p;
};

// Objects of both inputs, the SO records of a part result with their runs,
// and the merged file the pass makes of them in a folder of the test's own.
struct PassRun : testsupport::RunObjects {
  testsupport::TempFolder folder{"olvmergepass"};
  std::unique_ptr<bzRun<PassProbe>> p;
  std::string records;  // the SO records of the part result
  int objectsMade = 0;

  PassRun() {
    files.addFile("a.swd", folder / "a.swd");
    files.addFile("b.swd", folder / "b.swd");
    settings.outputDir = folder.path();
    settings.outputFileName = "wynik.swd";
    EXPECT_TRUE(report.Create(&files));
    p = std::make_unique<bzRun<PassProbe>>(*this);
  }

  // An object of input, numbered n in the order made (counted over both
  // inputs from 1): its header at line 10n, byte 100n; part 1 for the
  // descriptive types, 0 for the geometric ones, else 2.
  mgObject& object(int input, const std::string& type, const std::string& id,
                   const std::string& recordId, const std::string& newId,
                   const std::string& version = "11") {
    const int n = ++objectsMade;
    auto o = std::make_unique<mgObject>();
    o->fileIndex = input;
    o->objectType = type;
    o->objectId = id;
    o->recordId = recordId;
    o->newRecordId = newId;
    o->version = version;
    o->lineNumber = 10 * n;
    o->filePosition = 100 * n;
    o->part = bzMergeRules::isDescriptiveType(type) ? 1
              : bzMergeRules::isGeometricType(type) ? 0
                                                    : 2;
    mgObject& ref = *o;
    p->fileObjects[input].push_back(std::move(o));
    return ref;
  }

  void record(const std::vector<std::string>& lines, const std::vector<Run>& runs) {
    records += crlf(lines);
    PassProbe::WrittenRecord w;
    for (const Run& r : runs) {
      PassProbe::WrittenRun& run = w.runs[w.count++];
      run.source = r.source;
      run.lines.wg = r.wg;
      run.lines.wl = r.wl;
      run.lines.p = r.p;
    }
    p->writtenRecords.push_back(w);
  }

  // The whole part result around the records.
  std::string partResult() const {
    return "SWDE.w.2.00.(C) ZEDOR 2000;\r\nSN;\r\nNS,DN,2024-01-15;data\r\nC;uwaga\r\nSX;\r\n"
           "SP;\r\nB,G5PEW,ZN,;\r\nSX;\r\nST;\r\nTD,G5KLU,RO;\r\nTP,G5PEW;\r\nX;\r\nSX;\r\nSO;"
           "\r\n" +
           records + "SX;\r\nSWDEX;\r\n";
  }

  // Runs the pass over partResult (the lists sorted as the first pass
  // leaves them); the merged file, "" when there is none.
  std::string pass() {
    for (auto& list : p->fileObjects) bzMergeRules::sortObjects(list);
    EXPECT_TRUE(p->checkOutputPath());
    p->partResultFile = std::make_unique<mgFile>();
    p->partResultFile->openTempFile(folder.path());
    p->partResultFile->saveLinesToFile(partResult());
    p->partResultFile->flushFile();
    p->partResultPath = p->partResultFile->path();
    p->updateRelationsIds();
    p->partResultFile.reset();
    return readFile(folder / "wynik.swd");
  }

  // The SO section of the merged file without its "SO;" and "SX;" lines.
  static std::string objectsOf(const std::string& merged) {
    const std::size_t from = merged.find("SO;\r\n");
    const std::size_t to = merged.rfind("SX;\r\nSWDEX;\r\n");
    if (from == std::string::npos || to == std::string::npos || to < from + 5) return "<none>";
    return merged.substr(from + 5, to - from - 5);
  }
};

// A warning of the pass on the object numbered n of input file.
Line warning(int file, int n, int code, const std::string& utf8) {
  const std::int64_t line = 10 * n;
  return {line, file, 100 * n, formatFindingLine(line, 1, code, 49, cp(utf8))};
}

Line missing(int file, int n, const std::string& relation, const std::string& type) {
  return warning(
      file, n, 6023,
      "Obiekt wskazywany przez relację " + relation + " z obiektu " + type + " nie istnieje");
}

Line missingVertex(int file, int n, const std::string& type) {
  return warning(
      file, n, 6030,
      "Obiekt wskazywany przez relację topologiczną z obiektu " + type + " nie istnieje ");
}

TEST(bzMergeSecondPass, RelationTargets) {
  struct Case {
    const char* what;
    void (*fill)(PassRun& r);
    std::vector<std::string> objects;  // the merged SO records
    std::vector<Line> findings;
    std::uint64_t nextRecordId;  // after the pass, from 41
  };
  const Case cases[] = {
      {"WL by record identifier in the line's own input; the same relation to the same target "
       "once, another relation to it kept",
       [](PassRun& r) {
         mgObject& d = r.object(0, "G5O_DZE", "D1", "5", "1");
         r.object(0, "G5KLU", "K1", "12", "7");
         r.object(1, "G5PKT", "P12", "12", "9");  // the same record id in the other input
         r.record({"RD,DZIALKA,G5O_DZE,D1,1,11;", "D,G5PEW,D,1;", "D,G5IDD,D,1;", "WL,G5RDZE,12;",
                   "WL,G5RDZE,12;", "WL,G5RKLU,12;", "X;"},
                  {{&d, 0, 3, 0}});
       },
       {"RD,DZIALKA,G5O_DZE,D1,1,11;", "D,G5PEW,D,1;", "D,G5IDD,D,1;", "WL,G5RDZE,7;",
        "WL,G5RKLU,7;", "X;"},
       {},
       41},
      {"WG becomes WL to the current version; without one, to the version read first",
       [](PassRun& r) {
         mgObject& g = r.object(1, "G5G_DZE", "D1", "3", "2");
         r.object(1, "G5JDR", "ABC", "20", "20", "12");
         r.object(1, "G5JDR", "ABC", "21", "21", "11");
         r.object(1, "G5JDR", "ABC", "22", "22", "12");
         r.object(0, "G5JDR", "ABC", "23", "23", "11");  // another input
         r.object(1, "G5UDZ", "U1", "40", "40", "12");
         r.object(1, "G5UDZ", "U1", "41", "41", "22");
         r.object(1, "G5UDW", "U1", "42", "42", "11");  // another type of that id
         r.record({"RD,DZIALKA,G5G_DZE,D1,2,11;", "WG,G5RJDR,G5JDR,ABC;", "WG,G5RUDZ,G5UDZ,U1;",
                   "WG,G5RJDR,G5JDR,ABC;", "X;"},
                  {{&g, 2, 0, 0}, {&g, 1, 0, 0}});
       },
       {"RD,DZIALKA,G5G_DZE,D1,2,11;", "WL,G5RJDR,21;", "WL,G5RUDZ,40;", "X;"},
       {},
       41},
      {"unresolved: WL and P,K take fresh numbers after the last one given but one, WG and P,P "
       "stay, each with its warning on the line's object",
       [](PassRun& r) {
         mgObject& d = r.object(0, "G5O_DZE", "D1", "5", "1");
         r.object(1, "G5PKT", "305", "305", "9");  // in the other input only
         r.record({"RO,DZIALKA,G5O_DZE,D1,1,11;", "GL;", "P,K,305;", "P,P,G5PKT,305;", "PZ;", "GX;",
                   "WL,G5RDZE,99;", "WL,G5RDZE,99;", "WG,G5RJDR,G5JDR,NIE;", "X;"},
                  {{&d, 1, 2, 2}});
       },
       {"RO,DZIALKA,G5O_DZE,D1,1,11;", "GL;", "P,K,42;", "P,P,G5PKT,305;", "PZ;", "GX;",
        "WL,G5RDZE,43;", "WL,G5RDZE,44;", "WG,G5RJDR,G5JDR,NIE;", "X;"},
       {missingVertex(0, 1, "G5O_DZE"), missingVertex(0, 1, "G5O_DZE"),
        missing(0, 1, "G5RDZE", "G5O_DZE"), missing(0, 1, "G5RDZE", "G5O_DZE"),
        missing(0, 1, "G5RJDR", "G5O_DZE")},
       44},
      {"P lines are vertices: each resolved one written, also twice the same; P,G as it stands",
       [](PassRun& r) {
         mgObject& g = r.object(1, "G5G_BUD", "B1", "3", "2");
         r.object(1, "G5PKT", "7", "70", "17");
         r.record({"RO,BUD,G5G_BUD,B1,2,11;", "GL;", "P,P,G5PKT,7;", "P,K,70;", "P,P,G5PKT,7;",
                   "P,G,5712345.12,6543210.34,;pomiar", "PZ;", "GX;", "WL,G5RPKT,70;", "X;"},
                  {{&g, 0, 0, 4}, {&g, 0, 1, 0}});
       },
       {"RO,BUD,G5G_BUD,B1,2,11;", "GL;", "P,K,17;", "P,K,17;", "P,K,17;",
        "P,G,5712345.12,6543210.34,;pomiar", "PZ;", "GX;", "WL,G5RPKT,17;", "X;"},
       {},
       41},
      {"the merge's own precinct line stays as written; comment lines go",
       [](PassRun& r) {
         mgObject& s = r.object(1, "G5G_UZG", "U1", "3", "2");
         r.object(1, "G5OBR", "O1", "15", "99");  // a record id the line does not mean
         r.record({"RD,,G5UZG,U1,2,11;", "C;komentarz", "D,G5PEW,D,1;", "WL,G5ROBR,15;", "X;"},
                  {{&s, 0, 0, 0}, {&s, 0, 0, 0}, {nullptr, 0, 1, 0}});
       },
       {"RD,,G5UZG,U1,2,11;", "D,G5PEW,D,1;", "WL,G5ROBR,15;", "X;"},
       {},
       41},
      {"a pair: every run's lines are looked up in the input of its object",
       [](PassRun& r) {
         mgObject& d = r.object(0, "G5O_DZE", "D1", "5", "3");
         mgObject& g = r.object(1, "G5G_DZE", "D1", "6", "3");
         r.object(0, "G5PKT", "2", "2", "10");
         r.object(1, "G5PKT", "2", "2", "11");
         r.record({"RO,DZIALKA,G5DZE,D1,3,11;", "GL;", "P,P,G5PKT,2;", "PZ;", "GX;", "D,G5PEW,D,1;",
                   "WL,G5RKLU,2;", "WG,G5RPKT,G5PKT,2;", "WG,G5RJDR,G5JDR,X;", "X;"},
                  {{&g, 0, 0, 1}, {&d, 0, 1, 0}, {&g, 2, 0, 0}});
       },
       {"RO,DZIALKA,G5DZE,D1,3,11;", "GL;", "P,K,11;", "PZ;", "GX;", "D,G5PEW,D,1;",
        "WL,G5RKLU,10;", "WL,G5RPKT,11;", "WG,G5RJDR,G5JDR,X;", "X;"},
       {missing(1, 2, "G5RJDR", "G5G_DZE")},
       41},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PassRun r;
    r.p->nextRecordId = 41;  // the first pass gave 1 to 40
    c.fill(r);
    const std::string merged = r.pass();
    EXPECT_EQ(PassRun::objectsOf(merged), crlf(c.objects));
    const std::vector<Line> findings = testsupport::findings(r.report);
    EXPECT_EQ(findings, c.findings) << dump(findings);
    EXPECT_EQ(r.p->warnings(), c.findings.size());
    EXPECT_EQ(r.p->nextRecordId, c.nextRecordId);
    EXPECT_FALSE(r.p->failed);
  }
}

TEST(bzMergeSecondPass, WarningsAreCountedInTheInputOfTheirObject) {
  PassRun r;
  mgObject& d = r.object(0, "G5O_DZE", "D1", "5", "1");
  mgObject& g = r.object(1, "G5G_DZE", "D1", "6", "1");
  r.record({"RO,DZIALKA,G5DZE,D1,1,11;", "GL;", "P,P,G5PKT,9;", "PZ;", "GX;", "WL,G5RKLU,9;",
            "WL,G5RKLU,8;", "X;"},
           {{&g, 0, 0, 1}, {&d, 0, 2, 0}});
  r.pass();
  EXPECT_EQ(r.state.getFileInfo(0).warnings, 2u);
  EXPECT_EQ(r.state.getFileInfo(1).warnings, 1u);
  EXPECT_EQ(r.p->warnings(), 3u);
  EXPECT_EQ(r.p->errors(), 0u);
}

TEST(bzMergeSecondPass, MergedFileLayout) {
  PassRun r;
  mgObject& k = r.object(0, "G5KLU", "K1", "8", "2");
  r.record({"RD,,G5KLU,K1,2,;", "D,G5PEW,D,0.5;", "X;"}, {{&k, 0, 0, 0}});
  const std::string merged = r.pass();
  // Every section as read, its comment lines left out; the file's end.
  EXPECT_EQ(merged,
            "SWDE.w.2.00.(C) ZEDOR 2000;\r\nSN;\r\nNS,DN,2024-01-15;data\r\nSX;\r\nSP;\r\n"
            "B,G5PEW,ZN,;\r\nSX;\r\nST;\r\nTD,G5KLU,RO;\r\nTP,G5PEW;\r\nX;\r\nSX;\r\nSO;\r\n"
            "RD,,G5KLU,K1,2,;\r\nD,G5PEW,D,0.5;\r\nX;\r\nSX;\r\nSWDEX;\r\n");
  EXPECT_TRUE(r.p->resultWritten());
  // The part result and the merged file: nothing else is left.
  EXPECT_EQ(r.folder.entries(), 1u);
}

TEST(bzMergeSecondPass, VersionsThatCountAsCurrent) {
  struct Case {
    const char* version;
    bool current;
  };
  const Case cases[] = {{"", true},   {"1", true},  {"123", true}, {"10", true},  {"21", true},
                        {"20", true}, {"11", true}, {"12", false}, {"0A", false}, {"22", false}};
  for (const Case& c : cases)
    EXPECT_EQ(PassProbe::isValidObjectVersion(c.version), c.current) << "'" << c.version << "'";
}

// A part result that does not fit the records written for it, and a line
// the reader refuses: the pass fails, nothing is merged, and a refused line
// is a finding of the object it came from.
TEST(bzMergeSecondPass, FailuresLeaveNoMergedFile) {
  struct Case {
    const char* what;
    void (*fill)(PassRun& r);
    std::vector<Line> expected;  // among the lines
    std::uint32_t errors;
  };
  const std::string misfit =
      "Wewnętrzny błąd programu. Linie relacji obiektu wyniku częściowego nie odpowiadają "
      "zapisanym (obiekt G5O_DZE D1)";
  const Case cases[] = {
      {"more SO records than written",
       [](PassRun& r) {
         mgObject& k = r.object(0, "G5KLU", "K1", "8", "2");
         r.record({"RD,,G5KLU,K1,2,;", "X;"}, {{&k, 0, 0, 0}});
         r.records += crlf({"RD,,G5KLU,K2,3,;", "X;"});
       },
       {freeLine("Wewnętrzny błąd programu. Plik wyniku częściowego zawiera więcej obiektów niż "
                 "zapisano")},
       1},
      {"fewer SO records than written",
       [](PassRun& r) {
         mgObject& k = r.object(0, "G5KLU", "K1", "8", "2");
         r.record({"RD,,G5KLU,K1,2,;", "X;"}, {{&k, 0, 0, 0}});
         r.p->writtenRecords.push_back(r.p->writtenRecords.back());
       },
       {freeLine("Wewnętrzny błąd programu. Plik wyniku częściowego zawiera mniej obiektów niż "
                 "zapisano")},
       1},
      {"more relation lines than counted",
       [](PassRun& r) {
         mgObject& d = r.object(0, "G5O_DZE", "D1", "5", "1");
         r.record({"RD,,G5O_DZE,D1,1,11;", "WL,G5RKLU,5;", "WL,G5RKLU,5;", "X;"}, {{&d, 0, 1, 0}});
       },
       {},
       1},
      {"a line of another kind than counted",
       [](PassRun& r) {
         mgObject& d = r.object(0, "G5O_DZE", "D1", "5", "1");
         r.record({"RD,,G5O_DZE,D1,1,11;", "WG,G5RKLU,G5KLU,5;", "X;"}, {{&d, 0, 1, 0}});
       },
       {},
       1},
      {"fewer relation lines than counted",
       [](PassRun& r) {
         mgObject& d = r.object(0, "G5O_DZE", "D1", "5", "1");
         r.record({"RD,,G5O_DZE,D1,1,11;", "WL,G5RKLU,5;", "X;"}, {{&d, 0, 1, 1}});
       },
       {},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PassRun r;
    c.fill(r);
    const std::string merged = r.pass();
    const std::vector<Line> lines = testsupport::drain(r.report);
    EXPECT_EQ(merged, "");
    EXPECT_TRUE(r.p->failed);
    EXPECT_FALSE(r.p->resultWritten());
    std::vector<Line> expected = c.expected;
    if (expected.empty()) expected.push_back(freeLine(misfit));
    for (const Line& l : expected) EXPECT_TRUE(has(lines, l)) << l << "\n" << dump(lines);
    EXPECT_TRUE(has(lines, kPassFailed)) << dump(lines);
    EXPECT_EQ(r.p->errors(), c.errors);
    EXPECT_EQ(r.folder.entries(), 0u);  // no work file left
  }
}

TEST(bzMergeSecondPass, RefusedLineIsAFindingOfItsSourceObject) {
  struct Case {
    const char* what;
    std::string line;  // put after the description
    int file, n;       // the object the finding names
  };
  const Case cases[] = {
      {"a relation line of the geometric part", "WG,G5RPKT;", 1, 2},
      {"another line of the pair", "D,G5PEW;", 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PassRun r;
    mgObject& d = r.object(0, "G5O_DZE", "D1", "5", "3");
    mgObject& g = r.object(1, "G5G_DZE", "D1", "6", "3");
    const bool relation = c.line[0] == 'W';
    r.record({"RD,DZIALKA,G5DZE,D1,3,11;", "D,G5PEW,D,1;", c.line, "X;"},
             {{&g, 0, 0, 0}, {&d, 0, 0, 0}, {&g, relation ? 1u : 0u, 0, 0}});
    EXPECT_EQ(r.pass(), "");
    const std::vector<Line> lines = testsupport::drain(r.report);
    std::vector<Line> findings;
    for (const Line& l : lines)
      if (l.fileIdx != -1) findings.push_back(l);
    ASSERT_EQ(findings.size(), 1u) << dump(lines);
    EXPECT_EQ(findings[0].fileIdx, c.file);
    EXPECT_EQ(findings[0].lineNo, 10 * c.n);
    EXPECT_EQ(findings[0].position, 100 * c.n);
    EXPECT_NE(findings[0].text.find(" SO - "), std::string::npos) << findings[0];
    EXPECT_EQ(r.state.getFileInfo(c.file).errors, 1u);
    EXPECT_TRUE(has(lines, kPassFailed));
    EXPECT_TRUE(r.p->failed);
  }
}

// Every regular file in gBreakFolder (the part result alone) fails every
// read, through each descriptor this process holds on it (the pass's reader
// and the store that wrote it), after the first buffer of the first reader
// started.
std::atomic<int> gStarts{0};
std::string gBreakFolder;

void breakFirstStart(sxFileStream& stream) {
  if (++gStarts != 1) return;
  stream.getBuff();
  for (const auto& e : std::filesystem::directory_iterator(gBreakFolder)) {
    if (!e.is_regular_file()) continue;
    for (int fd = testsupport::descriptorOf(e.path().string()); fd >= 0;
         fd = testsupport::descriptorOf(e.path().string()))
      testsupport::breakReadsOf(e.path().string());
  }
}

// How many SO records a reader gives from the part result in folder before
// its reads fail as breakFirstStart makes them.
int recordsBeforeTheFailure(const std::string& folder) {
  gBreakFolder = folder;
  gStarts = 0;
  plat::ComPtr<PlikSW> reader(new PlikSW());
  EXPECT_EQ(reader->otworz(folder + "/wynik_czesciowy.swd", 1), plat::S_OK);
  std::int32_t section = 0;
  while (reader->ustawNaKolejnaSekcje(&section) == plat::S_OK && section != scSO) {
  }
  EXPECT_EQ(section, scSO);
  int given = 0;
  for (;;) {
    plat::ComPtr<RekordSW> record;
    if (plat::FAILED(reader->dajKolejnyRekord(record.out())) || !record) break;
    ++given;
  }
  return given;
}

// A reader failure in the middle of the part result's objects: each record
// the reader gave before it fails is resolved and reported first, in order
// (the records read ahead of the one in hand included), then the failure,
// once; nothing is merged.
TEST(bzMergeSecondPass, ReaderFailureComesAfterEveryRecordReadBeforeIt) {
  PassRun r;
  constexpr int kObjects = 2000;
  for (int i = 1; i <= kObjects; ++i) {
    const std::string n = std::to_string(i);
    mgObject& k = r.object(0, "G5KLU", "K" + n, "r" + n, n);
    // An unresolved relation: one warning on object i.
    r.record({"RD,,G5KLU,K" + n + "," + n + ",;", "WL,G5RKLU,999999;", "X;"}, {{&k, 0, 1, 0}});
  }
  testsupport::TempFolder reference{"olvmergeref"};
  writeFile(reference / "wynik_czesciowy.swd", r.partResult());
  PlikSW::setStartHook(&breakFirstStart);
  const int given = recordsBeforeTheFailure(reference.path());
  gBreakFolder = r.folder.path();
  gStarts = 0;
  const std::string merged = r.pass();
  PlikSW::setStartHook(nullptr);
  ASSERT_GT(given, 0);
  ASSERT_LT(given, kObjects);
  EXPECT_EQ(merged, "");
  const std::vector<Line> lines = testsupport::drain(r.report);
  const std::string head = cp("Wystąpił błąd programu w trakcie przetwarzania pliku. ");
  std::vector<Line> before;
  int failures = 0;
  for (const Line& l : lines) {
    if (l.fileIdx == -1 && l.text.compare(0, head.size(), head) == 0) {
      ++failures;
    } else if (l.fileIdx != -1) {
      EXPECT_EQ(failures, 0) << "a finding after the failure: " << l;
      before.push_back(l);
    }
  }
  EXPECT_EQ(failures, 1) << dump(lines);
  ASSERT_EQ(before.size(), static_cast<std::size_t>(given)) << dump(lines);
  for (int i = 1; i <= given; ++i) EXPECT_EQ(before[i - 1], missing(0, i, "G5RKLU", "G5KLU")) << i;
  EXPECT_TRUE(has(lines, kPassFailed));
  EXPECT_TRUE(r.p->failed);
}

// The index the lookups use, grown from empty far past the size from which
// its table is mapped on its own: every key keeps its first value, a second
// value of a key is refused, keys never added are not found, and hashes
// that collide are told apart by the caller's test.
TEST(bzMergeIndex, KeepsTheFirstValueOfEachKeyWhileItGrows) {
  constexpr std::size_t kKeys = 300000;  // two values each: a table of 16 MiB
  // Value v belongs to key v / 2; every eighth key shares its hash with the
  // key before it.
  auto keyOf = [](std::size_t v) { return v / 2; };
  auto hashOf = [](std::size_t key) {
    const std::size_t k = key % 8 == 7 ? key - 1 : key;
    return k * 0x9e3779b97f4a7c15ULL;
  };
  bzMergeIndex index;
  index.reset(0);
  for (std::size_t v = 0; v < 2 * kKeys; ++v) {
    const std::size_t key = keyOf(v);
    const bool added =
        index.insertFirst(hashOf(key), v, [&](std::size_t w) { return keyOf(w) == key; });
    ASSERT_EQ(added, v % 2 == 0) << v;
  }
  for (std::size_t key = 0; key < kKeys + 10; ++key) {
    const std::size_t found =
        index.find(hashOf(key), [&](std::size_t w) { return keyOf(w) == key; });
    ASSERT_EQ(found, key < kKeys ? 2 * key : bzMergeIndex::kNone) << key;
  }
  index.release();
  EXPECT_TRUE(index.empty());
}

TEST(bzMergeSecondPass, TargetLookupsByIdentifierAndInput) {
  PassRun r;
  r.object(0, "G5JDR", "A", "1", "1", "12");
  r.object(0, "G5JDR", "A", "2", "2", "10");
  r.object(0, "G5JDR", "B", "3", "3");
  r.object(1, "G5JDR", "A", "4", "4");
  for (auto& list : r.p->fileObjects) bzMergeRules::sortObjects(list);
  auto found = [&](const char* type, const char* id, int input) {
    const mgObject* o = r.p->getNewIDRFindByID(type, id, input);
    return o ? std::string(o->newRecordId) : std::string("-");
  };
  EXPECT_EQ(found("G5JDR", "A", 0), "2");
  EXPECT_EQ(found("G5JDR", "A", 1), "4");
  EXPECT_EQ(found("G5JDR", "B", 0), "3");
  EXPECT_EQ(found("G5JDR", "C", 0), "-");
  EXPECT_EQ(found("G5JDW", "A", 0), "-");
  EXPECT_EQ(found("G5JDR", "A", -1), "-");
  EXPECT_EQ(found("G5JDR", "A", 2), "-");
}

// ---------------------------------------------------------------------------
// The merged file through whole runs

const std::string kData = std::string(OLV_SAMPLES) + "/../tests/data/merge/";

const std::string kOldOutput = "stary wynik\r\n";

// Every entry of folder with its bytes.
std::map<std::string, std::string> contents(const testsupport::TempFolder& folder) {
  std::map<std::string, std::string> out;
  DIR* d = ::opendir(folder.path().c_str());
  if (!d) return out;
  while (const dirent* e = ::readdir(d)) {
    const std::string n = e->d_name;
    if (n != "." && n != "..") out[n] = readFile(folder / n);
  }
  ::closedir(d);
  return out;
}

struct SafetyRun : testsupport::RunObjects {
  testsupport::TempFolder folder{"olvmergesafe"};
  testsupport::Gate gate;
  // The reader (counted from 1) whose making waits at the gate. They come in
  // this order: the two inputs', the two inputs' checks, the part result's
  // check beside the pairing, the part result's.
  int gateAtReader = 0;
  int failingReader = 0;  // the reader (counted as above) whose making fails
  bool gateInPairing = false;
  bool gateAtMergedStore = false;  // the making of the merged file's store waits
  bool throwInMerge = false;
  int failingStore = -1;  // the kind of store whose writes fail
  std::mutex m;
  int readersMade = 0;

  SafetyRun() {
    settings.outputDir = folder.path();
    settings.outputFileName = "wynik.swd";
  }
  void addPair(const std::string& first, const std::string& second) {
    writeFile(folder / "a.swd", first);
    writeFile(folder / "b.swd", second);
    files.addFile("a.swd", folder / "a.swd");
    files.addFile("b.swd", folder / "b.swd");
  }
  bool gated() const { return gateAtReader > 0 || gateInPairing || gateAtMergedStore; }
};

// The merge with its stores, readers and merge step open to the test.
class SafetyMerge : public bzMergeProcess {
 public:
  SafetyMerge(RunKey key, SafetyRun& r)
      : bzMergeProcess(key, &r.files, &r.report, &r.settings, &r.state), run_(r) {}

  using bzMergeProcess::Store;

 protected:
  std::unique_ptr<mgFile> createStore(Store kind) override {
    if (kind == Store::merged && run_.gateAtMergedStore) run_.gate.pass();
    auto store = bzMergeProcess::createStore(kind);
    if (static_cast<int>(kind) == run_.failingStore)
      store->setWriteFunction([](int, const void*, std::size_t, off_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
      });
    return store;
  }
  plat::ComPtr<PlikSW> createFileInterface() override {
    int n;
    {
      std::lock_guard<std::mutex> g(run_.m);
      n = ++run_.readersMade;
    }
    if (n == run_.gateAtReader) run_.gate.pass();
    if (n == run_.failingReader) throw plat::Exception("brak czytnika");
    return bzMergeProcess::createFileInterface();
  }
  bool mergeFiles() override {
    if (run_.gateInPairing) run_.gate.pass();
    if (run_.throwInMerge) throw plat::Exception("awaria zapisu");
    return bzMergeProcess::mergeFiles();
  }

 private:
  SafetyRun& run_;
};

struct Ending {
  std::vector<Line> lines;
  bool critical = false;
  bool written = false;
};

// Runs the merge to its end; with a gate, a stop is asked for once the
// worker waits at it.
Ending runMerge(SafetyRun& r) {
  EXPECT_TRUE(r.report.Create(&r.files));
  bzRun<SafetyMerge> p(r);
  p.start();
  if (r.gated()) {
    r.gate.waitReached();
    p.stop(0);
    r.gate.open();
  }
  p.waitFor();
  return {testsupport::drain(r.report), p.failedCritically(), p.resultWritten()};
}

// The descriptive input with so many objects that its spool is written to
// the disk during the first pass.
std::string largeDescriptive() {
  std::string d = readFile(kData + "opis.swd");
  std::string many;
  for (int i = 0; i < 20000; ++i)
    many += "RD,,G5KLU,M" + std::to_string(i) + ",,;\r\nD,G5PEW,D,0.5;\r\nX;\r\n";
  const std::size_t at = d.find("RD,,G5KLU,K1,8,;");
  d.insert(at, many);
  return d;
}

TEST(bzMergeResult, AnOutputThereStaysAfterEveryEndingButACleanOne) {
  const std::string d = readFile(kData + "opis.swd"), g = readFile(kData + "geometria.swd");
  const std::string programError = "Wystąpił błąd programu w trakcie przetwarzania pliku. ";
  const std::string stopped = "Przetwarzanie zostało przerwane przez użytkownika";
  struct Case {
    const char* what;
    void (*setUp)(SafetyRun& r, const std::string& d, const std::string& g);
    bool critical;
    std::vector<std::string> lines;  // free lines expected, each found by its start
  };
  const Case cases[] = {
      {"refused: two descriptive inputs",
       [](SafetyRun& r, const std::string& d, const std::string&) { r.addPair(d, d); },
       false,
       {}},
      {"first pass: the spool takes no more",
       [](SafetyRun& r, const std::string&, const std::string& g) {
         r.addPair(largeDescriptive(), g);
         r.failingStore = static_cast<int>(SafetyMerge::Store::spool);
       },
       false,
       {programError}},
      {"pairing: the part result takes no more",
       [](SafetyRun& r, const std::string& d, const std::string& g) {
         r.addPair(d, g);
         r.failingStore = static_cast<int>(SafetyMerge::Store::partResult);
       },
       true,
       {}},
      {"second pass: the merged file takes no more",
       [](SafetyRun& r, const std::string& d, const std::string& g) {
         r.addPair(d, g);
         r.failingStore = static_cast<int>(SafetyMerge::Store::merged);
       },
       false,
       {programError, "Wystąpił błąd podczas scalania plików - operacja została przerwana"}},
      {"stop in the first pass",
       [](SafetyRun& r, const std::string& d, const std::string& g) {
         r.addPair(d, g);
         r.gateAtReader = 3;
       },
       false,
       {stopped}},
      {"stop in the pairing",
       [](SafetyRun& r, const std::string& d, const std::string& g) {
         r.addPair(d, g);
         r.gateInPairing = true;
       },
       false,
       {stopped}},
      {"stop in the pairing, its part result being checked",
       [](SafetyRun& r, const std::string& d, const std::string& g) {
         r.addPair(d, g);
         r.gateAtReader = 5;
       },
       false,
       {stopped}},
      {"stop in the second pass",
       [](SafetyRun& r, const std::string& d, const std::string& g) {
         r.addPair(d, g);
         r.gateAtReader = 6;
       },
       false,
       {stopped}},
      {"stop while the merged file is written",
       [](SafetyRun& r, const std::string& d, const std::string& g) {
         r.addPair(d, g);
         r.gateAtMergedStore = true;
       },
       false,
       {stopped}},
      {"exception in the merge step",
       [](SafetyRun& r, const std::string& d, const std::string& g) {
         r.addPair(d, g);
         r.throwInMerge = true;
       },
       true,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SafetyRun r;
    c.setUp(r, d, g);
    writeFile(r.folder / "wynik.swd", kOldOutput);
    const auto before = contents(r.folder);
    const Ending e = runMerge(r);
    EXPECT_EQ(contents(r.folder), before);  // the output as it was, no work file
    EXPECT_EQ(e.critical, c.critical);
    EXPECT_FALSE(e.written);
    EXPECT_TRUE(has(e.lines, kInterrupted)) << dump(e.lines);
    if (r.failingStore == static_cast<int>(SafetyMerge::Store::merged)) {
      // The failure names the output, not the temporary file it was for.
      const std::string output = cp("Błąd zapisu pliku ") + (r.folder / "wynik.swd") + " (";
      EXPECT_TRUE(std::any_of(e.lines.begin(), e.lines.end(), [&](const Line& l) {
        return l.text.find(output) != std::string::npos;
      })) << dump(e.lines);
    }
    for (const std::string& start : c.lines) {
      const std::string text = cp(start);
      EXPECT_TRUE(std::any_of(e.lines.begin(), e.lines.end(),
                              [&](const Line& l) {
                                return l.fileIdx == -1 && l.text.compare(0, text.size(), text) == 0;
                              }))
          << start << "\n"
          << dump(e.lines);
    }
  }
}

TEST(bzMergeResult, CleanRunReplacesTheOutputWithTheModeOfANewFile) {
  const mode_t old = ::umask(027);
  SafetyRun r;
  r.addPair(readFile(kData + "opis.swd"), readFile(kData + "geometria.swd"));
  writeFile(r.folder / "wynik.swd", kOldOutput);
  ::chmod((r.folder / "wynik.swd").c_str(), 0600);
  const Ending e = runMerge(r);
  ::umask(old);
  EXPECT_FALSE(e.critical);
  EXPECT_TRUE(e.written);
  EXPECT_FALSE(has(e.lines, kInterrupted)) << dump(e.lines);
  const std::string merged = readFile(r.folder / "wynik.swd");
  EXPECT_EQ(merged.rfind("SWDE.w.2.00.(C) ZEDOR 2000;\r\nSN;\r\n", 0), 0u) << merged;
  EXPECT_TRUE(merged.ends_with("\r\nSX;\r\nSWDEX;\r\n")) << merged;
  struct stat st;
  ASSERT_EQ(::stat((r.folder / "wynik.swd").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // The inputs and the merged file: no work file is left.
  const auto names = contents(r.folder);
  EXPECT_EQ(names.size(), 3u);
  // The part result counts as the third file read.
  EXPECT_EQ(r.state.getFilesProceeded(), 3u);
}

// The check beside the pairing is a way to the same verdict sooner: without
// a reader for it, the second pass checks the part result itself and the
// run ends as it would.
TEST(bzMergeResult, NoReaderForTheCheckBesideThePairingChangesNothing) {
  std::string expected;
  std::vector<Line> expectedLines;
  for (const int failing : {0, 5}) {
    SCOPED_TRACE(failing);
    SafetyRun r;
    r.failingReader = failing;
    r.addPair(readFile(kData + "opis.swd"), readFile(kData + "geometria.swd"));
    const Ending e = runMerge(r);
    EXPECT_FALSE(e.critical);
    EXPECT_TRUE(e.written) << dump(e.lines);
    // The lines, time stamps aside, each run's folder named alike.
    std::vector<Line> lines;
    for (Line l : e.lines) {
      if (l.text.rfind("START", 0) == 0 || l.text.rfind("STOP", 0) == 0) continue;
      for (std::size_t at; (at = l.text.find(r.folder.path())) != std::string::npos;)
        l.text.replace(at, r.folder.path().size(), "<folder>");
      lines.push_back(l);
    }
    if (failing == 0) {
      expected = readFile(r.folder / "wynik.swd");
      expectedLines = lines;
    } else {
      EXPECT_EQ(readFile(r.folder / "wynik.swd"), expected);
      EXPECT_EQ(lines, expectedLines) << dump(lines);
      EXPECT_EQ(contents(r.folder).size(), 3u);  // no work file is left
    }
  }
}

TEST(bzMergeResult, OutputThatIsALinkStaysALinkToTheMergedFile) {
  SafetyRun r;
  r.addPair(readFile(kData + "opis.swd"), readFile(kData + "geometria.swd"));
  testsupport::TempFolder elsewhere{"olvmergelink"};
  writeFile(elsewhere / "prawdziwy.swd", kOldOutput);
  ASSERT_EQ(::symlink((elsewhere / "prawdziwy.swd").c_str(), (r.folder / "wynik.swd").c_str()), 0);
  const Ending e = runMerge(r);
  EXPECT_TRUE(e.written) << dump(e.lines);
  struct stat st;
  ASSERT_EQ(::lstat((r.folder / "wynik.swd").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_TRUE(readFile(elsewhere / "prawdziwy.swd").ends_with("SWDEX;\r\n"));
  EXPECT_EQ(elsewhere.entries(), 1u);
  EXPECT_EQ(r.folder.entries(), 3u);
}

}  // namespace
