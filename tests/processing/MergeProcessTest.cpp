#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "merge/Mgobject.h"
#include "metadata/Attribssection.h"
#include "metadata/Attribtype.h"
#include "metadata/Attributedef.h"
#include "metadata/Contextrecord.h"
#include "metadata/Contextsection.h"
#include "metadata/Referencedef.h"
#include "metadata/Relationtype.h"
#include "metadata/Typessection.h"
#include "metadata/Usrcontextrecord.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "processing/bzMergeProcess.h"
#include "processing/bzMergeRules.h"
#include "processing/bzReport.h"
#include "support/BrokenReads.h"
#include "support/Files.h"
#include "support/Gate.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"
#include "syntax/Sxconsts.h"
#include "syntax/Sxfilestream.h"

using namespace swde;
using plat::cp;

namespace {

using testsupport::readFile;
using testsupport::writeFile;

using Line = testsupport::ReportLine;
using testsupport::freeLine;

const std::string kData = std::string(OLV_SAMPLES) + "/../tests/data/merge/";

std::string fixture(const std::string& name) {
  return readFile(kData + name);
}

// The fixture text with one line replaced (or, with an empty to, removed).
std::string changed(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from + "\r\n");
  EXPECT_NE(at, std::string::npos) << from;
  if (at == std::string::npos) return text;
  text.replace(at, from.size() + 2, to.empty() ? "" : to + "\r\n");
  return text;
}

// A folder of its own for the inputs and the output of one test.
class Folder : public testsupport::TempFolder {
 public:
  Folder() : TempFolder("olvmerge") {}

  std::string file(const std::string& name) const { return *this / name; }

  // Every entry's name and bytes (the target's bytes for a link; a mark for
  // a folder, which has no bytes to read).
  std::map<std::string, std::string> contents() const {
    std::map<std::string, std::string> out;
    DIR* d = ::opendir(path().c_str());
    if (!d) return out;
    while (const dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n == "." || n == "..") continue;
      struct stat st;
      const bool folder = ::stat(file(n).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      out[n] = folder ? "<folder>" : readFile(file(n));
    }
    ::closedir(d);
    return out;
  }
};

// What the first pass left when the merge step began.
struct Snapshot {
  bool reached = false;
  std::vector<mgObject> objects[2];
  std::string spool[2];
  std::map<std::string, std::string> folder;  // the output folder at that moment
};

struct MergeRun : testsupport::RunObjects {
  Folder folder;
  Snapshot snapshot;
  testsupport::Gate* gate = nullptr;
  int gateAt = 0;             // the reader (counted from 1) whose making waits at the gate
  bool throwInMerge = false;  // the merge step raises after its snapshot
  bool walkOnly = false;      // the first pass reads every input record by record
  std::mutex m;
  int readersMade = 0;
  // Runs on the worker as reader n (counted from 1) is made, when set.
  std::function<void(int n)> onReader;

  MergeRun() {
    settings.outputDir = folder.path();
    settings.outputFileName = "wynik.swd";
  }

  // An input file in the folder.
  std::string input(const std::string& name, const std::string& bytes) {
    const std::string p = folder.file(name);
    writeFile(p, bytes);
    return p;
  }
  void add(const std::string& path) { files.addFile(plat::extractFileName(path), path); }
  void addPair(const std::string& first, const std::string& second) {
    add(input("a.swd", first));
    add(input("b.swd", second));
  }
};

// The merge with its merge step replaced by a snapshot of what the first
// pass left, and the making of its readers observed.
class ObservedMerge : public bzMergeProcess {
 public:
  ObservedMerge(RunKey key, MergeRun& r)
      : bzMergeProcess(key, &r.files, &r.report, &r.settings, &r.state), run_(r) {
    quickFirstPass_ = !r.walkOnly;
  }

  Metadata* model(int i) const { return fileMetadata[i].get(); }
  std::uint8_t kind(int i) const { return fileKind[i]; }

 protected:
  bool mergeFiles() override {
    Snapshot& s = run_.snapshot;
    s.reached = true;
    for (int i = 0; i < 2; ++i) {
      for (const auto& o : fileObjects[i]) s.objects[i].push_back(*o);
      if (spoolFiles[i])
        s.spool[i] = spoolFiles[i]->readLinesFromFile(0, spoolFiles[i]->position());
    }
    s.folder = run_.folder.contents();
    if (run_.throwInMerge) throw plat::Exception("awaria zapisu");
    return true;
  }
  // Nothing was written to read back: the run ends after the snapshot.
  void updateRelationsIds() override {}
  plat::ComPtr<PlikSW> createFileInterface() override {
    int n;
    {
      std::lock_guard<std::mutex> g(run_.m);
      n = ++run_.readersMade;
    }
    if (run_.gate && n == run_.gateAt) run_.gate->pass();
    if (run_.onReader) run_.onReader(n);
    return bzMergeProcess::createFileInterface();
  }

 private:
  MergeRun& run_;
};

struct Outcome {
  std::vector<Line> lines;
  std::map<std::string, std::string> before, after;
  std::uint32_t totalErrors = 0;
  bool critical = false;
  std::string criticalMessage;

  bool has(const Line& l) const { return std::find(lines.begin(), lines.end(), l) != lines.end(); }
  std::vector<Line> findings() const {
    std::vector<Line> out;
    for (const Line& l : lines)
      if (l.fileIdx != -1) out.push_back(l);
    return out;
  }
};

const Line kInterrupted = freeLine("Proces scalania został przerwany!!!");

// Runs the merge to its end (opening the gate, when one is set, once the
// worker has reached it and stop asked for).
Outcome runMerge(MergeRun& r, std::unique_ptr<bzRun<ObservedMerge>>* keep = nullptr) {
  Outcome o;
  o.before = r.folder.contents();
  EXPECT_TRUE(r.report.Create(&r.files));
  auto p = std::make_unique<bzRun<ObservedMerge>>(r);
  p->start();
  if (r.gate) {
    r.gate->waitReached();
    p->stop(0);
    r.gate->open();
  }
  p->waitFor();
  o.lines = testsupport::drain(r.report);
  o.after = r.folder.contents();
  o.totalErrors = r.state.getTotalErrorsNum();
  o.critical = p->failedCritically();
  o.criticalMessage = p->criticalMessage();
  if (keep) *keep = std::move(p);
  return o;
}

// After every run the folder holds what it held before, byte for byte: no
// work file is left and no input is touched.
void expectFolderUnchanged(const Outcome& o) {
  EXPECT_EQ(o.after, o.before);
}

std::string dump(const Outcome& o) {
  std::ostringstream s;
  for (const Line& l : o.lines) s << l << "\n";
  return s.str();
}

Line finding(int file, std::int64_t lineNo, int code, int section, const std::string& utf8) {
  return {lineNo, file, -2, formatFindingLine(lineNo, 0, code, section, cp(utf8))};
}

// Finding lines compared without their positions.
std::vector<Line> withoutPositions(std::vector<Line> lines) {
  for (Line& l : lines) l.position = -2;
  return lines;
}

struct ObjectRow {
  std::string objectType, objectId, mergedType, mergeKey, keptId, newRecordId;
  int part;
  std::string text[3];
};

std::vector<ObjectRow> rows(const Snapshot& s, int input) {
  std::vector<ObjectRow> out;
  for (const mgObject& o : s.objects[input]) {
    ObjectRow r{o.objectType.str(),
                o.objectId.str(),
                o.mergedType.str(),
                o.mergeKey.str(),
                o.keptId.str(),
                o.newRecordId.str(),
                o.part,
                {}};
    for (int k = 0; k < mgObject::kParts; ++k)
      r.text[k] = s.spool[input].substr(o.textOffset(k), o.textLength[k]);
    out.push_back(r);
  }
  return out;
}

void expectRow(const ObjectRow& got, const ObjectRow& want) {
  SCOPED_TRACE(want.objectType + " " + want.objectId);
  EXPECT_EQ(got.objectType, want.objectType);
  EXPECT_EQ(got.objectId, want.objectId);
  EXPECT_EQ(got.mergedType, want.mergedType);
  EXPECT_EQ(got.mergeKey, want.mergeKey);
  EXPECT_EQ(got.keptId, want.keptId);
  EXPECT_EQ(got.newRecordId, want.newRecordId);
  EXPECT_EQ(got.part, want.part);
  for (int k = 0; k < mgObject::kParts; ++k) EXPECT_EQ(got.text[k], want.text[k]) << k;
}

// ---------------------------------------------------------------------------
// The valid pair

TEST(bzMergeProcess, ValidPairInEitherOrderFillsListsAndSpools) {
  for (const bool geometricFirst : {false, true}) {
    SCOPED_TRACE(geometricFirst ? "(G, D)" : "(D, G)");
    MergeRun r;
    const std::string d = fixture("opis.swd"), g = fixture("geometria.swd");
    if (geometricFirst)
      r.addPair(g, d);
    else
      r.addPair(d, g);
    // A file of the name the part result once had is not touched.
    r.input("__wynik.swd", "stary plik");
    std::unique_ptr<bzRun<ObservedMerge>> p;
    const Outcome o = runMerge(r, &p);
    expectFolderUnchanged(o);
    EXPECT_FALSE(o.critical) << o.criticalMessage;
    EXPECT_TRUE(o.findings().empty()) << dump(o);
    EXPECT_FALSE(o.has(kInterrupted));
    EXPECT_TRUE(o.has(freeLine("Scalanie plików:")));
    EXPECT_EQ(o.totalErrors, 0u);
    ASSERT_TRUE(r.snapshot.reached);

    const int di = geometricFirst ? 1 : 0, gi = 1 - di;
    EXPECT_EQ(p->kind(di), bzMergeRules::kindDescriptive);
    EXPECT_EQ(p->kind(gi), bzMergeRules::kindGeometric);
    // One counter over both inputs, in reading order.
    const int dBase = geometricFirst ? 4 : 0, gBase = geometricFirst ? 0 : 2;
    auto id = [](int n) { return std::to_string(n); };

    const auto desc = rows(r.snapshot, di);
    ASSERT_EQ(desc.size(), 2u);
    expectRow(desc[0],
              {"G5O_DZE",
               "146501_1.0001.12",
               "G5DZE",
               "146501_1.0001.12",
               "146501_1.0001.12",
               id(dBase + 1),
               1,
               {"D,G5IDD,D,146501_1.0001.12;\r\nD,G5PEW,D,0.1234;\r\nWL,G5RDZE,K1;\r\n", "", ""}});
    expectRow(desc[1],
              {"G5KLU", "K1", "G5KLU", "", "K1", id(dBase + 2), 2, {"D,G5PEW,D,0.5;\r\n", "", ""}});

    const auto geo = rows(r.snapshot, gi);
    ASSERT_EQ(geo.size(), 4u);
    expectRow(geo[0], {"G5G_DZE",
                       "146501_1.0001.12",
                       "G5DZE",
                       "146501_1.0001.12",
                       "146501_1.0001.12",
                       id(gBase + 1),
                       0,
                       {"GL;\r\nP,P,G5PKT,2;\r\nP,P,G5PKT,3;\r\nP,P,G5PKT,4;\r\nPZ;\r\nGX;\r\n",
                        "D,G5IDD,D,146501_1.0001.12;\r\n", "WG,G5RPKT,G5PKT,2;\r\n"}});
    expectRow(geo[1], {"G5PKT",
                       "2",
                       "G5PKT",
                       "",
                       "G2",
                       id(gBase + 2),
                       2,
                       {"P,G,5712345.12,6543210.34,;\r\n", "", ""}});
    EXPECT_EQ(geo[3].keptId, "G4");
    // The geometric object counts its P lines in the geometry part and its
    // WG line in the relation part.
    const mgObject& parcel = r.snapshot.objects[gi][0];
    EXPECT_EQ(parcel.references[0].p, 3u);
    EXPECT_EQ(parcel.references[2].wg, 1u);
    EXPECT_EQ(r.snapshot.objects[di][0].references[0].wl, 1u);

    // While the merge step runs the folder holds one work file, the part
    // result; the spools have no name on disk.
    EXPECT_EQ(r.snapshot.folder.size(), o.before.size() + 1);

    // Each input's model, with the part types renamed.
    TypesSection* dt = p->model(di)->getTypesSection();
    RecordType* dze = dt->getType("G5DZE");
    ASSERT_NE(dze, nullptr);
    EXPECT_EQ(dze->nameAsRead, "G5O_DZE");
    EXPECT_EQ(dze->baseType, "RO");
    EXPECT_NE(dt->getType("G5KLU"), nullptr);
    RecordType* gdze = p->model(gi)->getTypesSection()->getType("G5DZE");
    ASSERT_NE(gdze, nullptr);
    EXPECT_EQ(gdze->nameAsRead, "G5G_DZE");
    AttribsSection* da = p->model(di)->getAttribsSection();
    EXPECT_NE(da->getRelation("G5RDZE"), nullptr);
    EXPECT_NE(da->getRelation("G5RKLU"), nullptr);  // "G5_KLU" renamed
    EXPECT_EQ(da->getAttribute("G5IDD")->fieldCount, 4);
    EXPECT_NE(
        p->model(di)->getContextSection()->getRecord(bzMergeRules::contextKey("DN", "2024-01-15")),
        nullptr);
  }
}

// ---------------------------------------------------------------------------
// Refusals before any input is read

TEST(bzMergeProcess, OutputPathAndFileCountRefusedBeforeAnyReaderIsMade) {
  struct Case {
    const char* what;
    // Sets up the run in r (the pair a.swd, b.swd is there already).
    void (*setUp)(MergeRun& r);
    const char* reason;  // UTF-8; "@" stands for the merged file's path
  };
  const Case cases[] = {
      {"no output name", [](MergeRun& r) { r.settings.outputFileName = ""; },
       "Brak nazwy pliku wynikowego"},
      {"output is an input", [](MergeRun& r) { r.settings.outputFileName = "b.swd"; },
       "Plik wynikowy jest plikiem wejściowym: @"},
      {"output folder given with its slash",
       [](MergeRun& r) {
         r.settings.outputDir = r.folder.path() + "/";
         r.settings.outputFileName = "a.swd";
       },
       "Plik wynikowy jest plikiem wejściowym: @"},
      {"output is a hard link to an input",
       [](MergeRun& r) {
         ASSERT_EQ(::link(r.folder.file("a.swd").c_str(), r.folder.file("wynik.swd").c_str()), 0);
       },
       "Plik wynikowy jest plikiem wejściowym: @"},
      {"output is a symbolic link to an input",
       [](MergeRun& r) {
         ASSERT_EQ(::symlink(r.folder.file("b.swd").c_str(), r.folder.file("wynik.swd").c_str()),
                   0);
       },
       "Plik wynikowy jest plikiem wejściowym: @"},
      {"an empty folder joins nothing to the name",
       [](MergeRun& r) {
         r.settings.outputDir = "";
         r.settings.outputFileName = r.folder.file("a.swd");
       },
       "Plik wynikowy jest plikiem wejściowym: @"},
      {"three inputs", [](MergeRun& r) { r.add(r.input("c.swd", fixture("opis.swd"))); },
       "Niepoprawna liczba plików do scalenia"},
      {"output is a folder",
       [](MergeRun& r) { ASSERT_EQ(::mkdir(r.folder.file("wynik.swd").c_str(), 0700), 0); },
       "Błąd zapisu pliku @: to jest katalog, a nie plik"},
      {"output is a link to a device",
       [](MergeRun& r) {
         ASSERT_EQ(::symlink("/dev/null", r.folder.file("wynik.swd").c_str()), 0);
       },
       "Błąd zapisu pliku @: to nie jest zwykły plik"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MergeRun r;
    r.addPair(fixture("opis.swd"), fixture("geometria.swd"));
    c.setUp(r);
    const std::string merged = r.settings.outputDir.empty() ? r.settings.outputFileName
                               : r.settings.outputDir.back() == '/'
                                   ? r.settings.outputDir + r.settings.outputFileName
                                   : r.settings.outputDir + "/" + r.settings.outputFileName;
    std::string reason = c.reason;
    if (const auto at = reason.find('@'); at != std::string::npos) reason.replace(at, 1, merged);
    const Outcome o = runMerge(r);
    expectFolderUnchanged(o);
    EXPECT_TRUE(o.has(freeLine(reason))) << dump(o);
    EXPECT_TRUE(o.has(kInterrupted));
    EXPECT_TRUE(o.findings().empty());
    EXPECT_FALSE(r.snapshot.reached);
    EXPECT_FALSE(o.critical);
    EXPECT_EQ(r.readersMade, 0);
  }
}

TEST(bzMergeProcess, MissingInputEndsTheKindCheck) {
  MergeRun r;
  r.add(r.input("a.swd", fixture("opis.swd")));
  r.add(r.folder.file("brak.swd"));
  const Outcome o = runMerge(r);
  expectFolderUnchanged(o);
  EXPECT_TRUE(o.has(freeLine("Nie znaleziono pliku!"))) << dump(o);
  EXPECT_TRUE(o.has(kInterrupted));
  EXPECT_TRUE(o.findings().empty());  // no kind error behind it
  EXPECT_FALSE(r.snapshot.reached);
}

// A FIFO as the output (in a folder of its own: reading it back would wait)
// is refused before any reader is made, and stays a FIFO.
TEST(bzMergeProcess, OutputThatIsAFifoIsRefused) {
  MergeRun r;
  r.addPair(fixture("opis.swd"), fixture("geometria.swd"));
  testsupport::TempFolder out;
  r.settings.outputDir = out.path();
  const std::string fifo = out / "wynik.swd";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const Outcome o = runMerge(r);
  expectFolderUnchanged(o);
  EXPECT_TRUE(o.has(freeLine("Błąd zapisu pliku " + fifo + ": to nie jest zwykły plik")))
      << dump(o);
  EXPECT_TRUE(o.has(kInterrupted));
  EXPECT_EQ(r.readersMade, 0);
  EXPECT_EQ(out.entries(), 1u);
  struct stat st;
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// An input that is there but cannot be read, found by the kind check or,
// when it turned so after it, by the first pass: one error of that file,
// named with the reason, and the merge ends.
TEST(bzMergeProcess, UnreadableInputEndsTheRunAsAnErrorOfThatFile) {
  struct Case {
    const char* what;
    int reader;  // the reader at whose making the second input is replaced
  };
  const Case cases[] = {{"in the kind check", 0}, {"in the first pass", 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MergeRun r;
    r.addPair(fixture("opis.swd"), fixture("geometria.swd"));
    const std::string second = r.folder.file("b.swd");
    auto replace = [second] {
      ASSERT_EQ(std::rename(second.c_str(), (second + ".stary").c_str()), 0);
      ASSERT_EQ(::mkdir(second.c_str(), 0700), 0);
    };
    if (c.reader == 0)
      replace();
    else
      r.onReader = [&](int n) {
        if (n == c.reader) replace();
      };
    const Outcome o = runMerge(r);
    EXPECT_TRUE(
        o.has(freeLine("Nie można otworzyć pliku: " + second + " (to jest katalog, a nie plik)")))
        << dump(o);
    EXPECT_TRUE(o.has(kInterrupted));
    EXPECT_FALSE(o.critical);
    EXPECT_FALSE(r.snapshot.reached);
    EXPECT_EQ(o.totalErrors, 1u);
    const bzProcessState::FileInfo info = r.state.getFileInfo(1);
    EXPECT_EQ(info.status, bzProcessState::FileInfo::NotOpened);
    EXPECT_EQ(info.errors, 1u);
  }
}

TEST(bzMergeProcess, MissingOutputFolderIsCriticalAndNamesTheFolder) {
  MergeRun r;
  r.addPair(fixture("opis.swd"), fixture("geometria.swd"));
  r.settings.outputDir = r.folder.file("brak");
  const Outcome o = runMerge(r);
  expectFolderUnchanged(o);
  EXPECT_TRUE(o.critical);
  EXPECT_NE(o.criticalMessage.find(r.folder.file("brak")), std::string::npos) << o.criticalMessage;
  EXPECT_FALSE(r.snapshot.reached);
}

TEST(bzMergeProcess, ExceptionInTheMergeStepLeavesNoWorkFile) {
  MergeRun r;
  r.addPair(fixture("opis.swd"), fixture("geometria.swd"));
  r.throwInMerge = true;
  const Outcome o = runMerge(r);
  EXPECT_TRUE(r.snapshot.reached);
  EXPECT_TRUE(o.critical);
  EXPECT_EQ(o.criticalMessage, "awaria zapisu");
  expectFolderUnchanged(o);
}

// An input named as the part result once was ("__" + output) is only read.
TEST(bzMergeProcess, InputNamedAfterTheOutputStaysIntact) {
  MergeRun r;
  r.add(r.input("__wynik.swd", fixture("opis.swd")));
  r.add(r.input("wynik.swg", fixture("geometria.swd")));
  const Outcome o = runMerge(r);
  EXPECT_TRUE(r.snapshot.reached) << dump(o);
  expectFolderUnchanged(o);
}

// ---------------------------------------------------------------------------
// Kinds of the inputs

TEST(bzMergeProcess, KindCheckFindings) {
  const std::string d = fixture("opis.swd"), g = fixture("geometria.swd");
  const std::string noSO = d.substr(0, d.find("SO;\r\n")) + "SWDEX;\r\n";
  const std::string kklFirst = changed(d, "SO;", "SO;\r\nRD,,G5KKL,1,,;\r\nX;");
  struct Case {
    const char* what;
    std::string first, second;
    std::vector<Line> findings;
    std::vector<Line> freeLines;  // expected among the free lines too
    std::uint8_t kind0, kind1;
  };
  const std::string undecided =
      "Nie udało się określić rodzaju pliku. Prawdopodobnie plik zawiera obiekty z części opisowej "
      "i z części geometrycznej";
  const Case cases[] = {
      {"two descriptive",
       d,
       d,
       {finding(1, 1, 20011, 49,
                "Próba scalenia dwóch pilków z opisem lub dwóch plików z geometrią")},
       {},
       1,
       1},
      {"two geometric",
       g,
       g,
       {finding(1, 1, 20011, 49,
                "Próba scalenia dwóch pilków z opisem lub dwóch plików z geometrią")},
       {},
       2,
       2},
      {"no SO section in the first", noSO, g, {finding(0, 1, 20010, 49, undecided)}, {}, 0, 2},
      {"no SO section in the second", d, noSO, {finding(1, 1, 20010, 49, undecided)}, {}, 1, 0},
      {"SWING input",
       d,
       readFile(std::string(OLV_SAMPLES) + "/przyklad.swg"),
       {finding(1, 1, 20010, 49, undecided)},
       {freeLine("Niepoprawny format pliku. Oczekiwany plik w formacie SWDE")},
       1,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MergeRun r;
    r.addPair(c.first, c.second);
    std::unique_ptr<bzRun<ObservedMerge>> p;
    const Outcome o = runMerge(r, &p);
    expectFolderUnchanged(o);
    EXPECT_EQ(withoutPositions(o.findings()), c.findings) << dump(o);
    for (const Line& l : c.freeLines) EXPECT_TRUE(o.has(l));
    EXPECT_TRUE(o.has(kInterrupted));
    EXPECT_FALSE(r.snapshot.reached);
    EXPECT_EQ(o.totalErrors, 1u);  // the kind error counts
    EXPECT_EQ(p->kind(0), c.kind0);
    EXPECT_EQ(p->kind(1), c.kind1);
  }
  // A merged-file type before the first listed one decides nothing; the
  // first pass then refuses it in a descriptive input.
  MergeRun r;
  r.addPair(kklFirst, g);
  std::unique_ptr<bzRun<ObservedMerge>> p;
  const Outcome o = runMerge(r, &p);
  expectFolderUnchanged(o);
  EXPECT_EQ(p->kind(0), bzMergeRules::kindDescriptive);
  EXPECT_EQ(withoutPositions(o.findings()),
            std::vector<Line>{finding(0, 27, 20009, 49,
                                      "Obiekt G5KKL typowy dla pliku scalonego wystąpił w pliku "
                                      "zawierajacym obiekty z części opisowej")})
      << dump(o);
  EXPECT_TRUE(o.has(kInterrupted));
  EXPECT_FALSE(r.snapshot.reached);
}

// ---------------------------------------------------------------------------
// Findings of the first pass

TEST(bzMergeProcess, ObjectOfTheWrongPartEndsTheFirstPass) {
  const std::string d = fixture("opis.swd"), g = fixture("geometria.swd");
  const std::string longId(32, '7');
  struct Case {
    const char* what;
    std::string first, second;
    Line finding;
  };
  const Case cases[] = {
      {"geometric type in the descriptive input",
       changed(d, "SO;", "SO;\r\nRD,DZIALKA,G5O_DZE,1,,;\r\nX;\r\nRD,,G5PZG,5,,;\r\nX;"), g,
       finding(0, 29, 20007, 49,
               "Obiekt geometryczny G5PZG wystąpił w pliku zawierającym obiekty z części "
               "opisowej")},
      {"descriptive type in the geometric input", d,
       changed(g, "RP,,G5PKT,2,,;", "RD,,G5KLU,5,,;\r\nX;\r\nRP,,G5PKT,2,,;"),
       finding(1, 22, 20008, 49,
               "Obiekt opisowy G5KLU wystąpił w pliku zawierającym obiekty z części "
               "geometrycznej")},
      {"merged type in the geometric input", d,
       changed(g, "RP,,G5PKT,2,,;", "RD,,G5DZE,5,,;\r\nX;\r\nRP,,G5PKT,2,,;"),
       finding(1, 22, 20009, 49,
               "Obiekt G5DZE typowy dla pliku scalonego wystąpił w pliku zawierajacym obiekty z "
               "części geometrycznej")},
      {"kept identifier too long",
       changed(d, "RD,,G5KLU,K1,8,;", "RD,,G5DOK," + longId + ",,;\r\nX;\r\nRD,,G5KLU,K1,8,;"), g,
       finding(0, 32, 107, 49, "Identyfikator 'O" + longId + "' jest zbyt długi")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MergeRun r;
    r.addPair(c.first, c.second);
    const Outcome o = runMerge(r);
    expectFolderUnchanged(o);
    EXPECT_EQ(withoutPositions(o.findings()), std::vector<Line>{c.finding}) << dump(o);
    EXPECT_TRUE(o.has(kInterrupted));
    EXPECT_FALSE(r.snapshot.reached);
    EXPECT_EQ(o.totalErrors, 1u);
    EXPECT_EQ(r.state.getFileInfo(c.finding.fileIdx).errors, 1u);
  }
}

TEST(bzMergeProcess, UncataloguedTypeIsCountedAndReadAsAnotherObject) {
  MergeRun r;
  r.addPair(changed(fixture("opis.swd"), "SO;", "SO;\r\nRD,,G5O_ABC,9,,;\r\nD,G5PEW,D,1;\r\nX;"),
            fixture("geometria.swd"));
  const Outcome o = runMerge(r);
  expectFolderUnchanged(o);
  EXPECT_EQ(withoutPositions(o.findings()),
            std::vector<Line>{finding(0, 27, 20004, 49,
                                      "Obiekt G5O_ABC nie został scalony. Obiekt nie znajduje się "
                                      "w katalogu bazy danych ewidencyjnych")})
      << dump(o);
  EXPECT_FALSE(o.has(kInterrupted));
  ASSERT_TRUE(r.snapshot.reached);
  EXPECT_EQ(o.totalErrors, 1u);
  const auto desc = rows(r.snapshot, 0);
  ASSERT_EQ(desc.size(), 3u);
  expectRow(desc[1], {"G5O_ABC", "9", "G5ABC", "", "O9", "1", 2, {"D,G5PEW,D,1;\r\n", "", ""}});
}

TEST(bzMergeProcess, EqualIdentifiersAreListedInReverseReadingOrder) {
  MergeRun r;
  r.addPair(changed(fixture("opis.swd"), "SX;\r\nSWDEX;",
                    "RD,,G5KLU,K1,9,;\r\nD,G5PEW,D,0.7;\r\nX;\r\nSX;\r\nSWDEX;"),
            fixture("geometria.swd"));
  const Outcome o = runMerge(r);
  expectFolderUnchanged(o);
  ASSERT_TRUE(r.snapshot.reached) << dump(o);
  const auto desc = rows(r.snapshot, 0);
  ASSERT_EQ(desc.size(), 3u);
  expectRow(desc[1], {"G5KLU", "K1", "G5KLU", "", "K1", "3", 2, {"D,G5PEW,D,0.7;\r\n", "", ""}});
  expectRow(desc[2], {"G5KLU", "K1", "G5KLU", "", "K1", "2", 2, {"D,G5PEW,D,0.5;\r\n", "", ""}});
}

// Insignificant characters go from the copied lines only when they are
// skipped (the reader has trimmed the free-text field as a whole).
TEST(bzMergeProcess, WhiteCharactersInCopiedLines) {
  for (const bool skip : {true, false}) {
    SCOPED_TRACE(skip ? "skipped" : "kept");
    MergeRun r;
    r.settings.skipWhiteChars = skip;
    r.addPair(changed(fixture("opis.swd"), "D,G5PEW,D,0.5;", "D,G5PEW,D,  0.5 ;"),
              fixture("geometria.swd"));
    const Outcome o = runMerge(r);
    expectFolderUnchanged(o);
    ASSERT_TRUE(r.snapshot.reached) << dump(o);
    const auto desc = rows(r.snapshot, 0);
    ASSERT_EQ(desc.size(), 2u);
    expectRow(desc[1], {"G5KLU",
                        "K1",
                        "G5KLU",
                        "",
                        "K1",
                        "2",
                        2,
                        {skip ? "D,G5PEW,D,0.5;\r\n" : "D,G5PEW,D,0.5 ;\r\n", "", ""}});
  }
}

TEST(bzMergeProcess, SyntaxErrorEndsTheRunWithItsOneFinding) {
  const std::string d = fixture("opis.swd");
  struct Case {
    const char* what;
    std::string first;
    std::int64_t line;
    const char* section;
  };
  const Case cases[] = {
      {"SO", changed(d, "D,G5PEW,D,0.5;", "D,G5PEW;"), 33, " SO - "},
      {"SP", changed(d, "B,G5PEW,ZN,;", "B,G5PEW;"), 8, " SP - "},
      {"ST", changed(d, "TP,G5PEW;", "TP;"), 15, " ST - "},
      // The section end met where the record's end belongs: as the syntax
      // check reports it.
      {"TD without X", changed(d, "TP,G5PEW;\r\nX;", "TP,G5PEW;"), 24, "204 - "},
      {"section end line", changed(d, "SX;\r\nST;", "SX,1;\r\nST;"), 11, "122"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MergeRun r;
    r.addPair(c.first, fixture("geometria.swd"));
    const Outcome o = runMerge(r);
    expectFolderUnchanged(o);
    const auto f = o.findings();
    ASSERT_EQ(f.size(), 1u) << dump(o);
    EXPECT_EQ(f[0].lineNo, c.line) << dump(o);
    EXPECT_EQ(f[0].fileIdx, 0);
    EXPECT_NE(f[0].text.find(c.section), std::string::npos) << f[0];
    EXPECT_TRUE(o.has(kInterrupted));
    EXPECT_FALSE(r.snapshot.reached);
    EXPECT_EQ(o.totalErrors, 1u);
  }
}

// ---------------------------------------------------------------------------
// The metadata models

// The descriptive fixture with every kind of line group, comments on their
// lines and names given twice.
std::string groupsFixture() {
  std::string d = fixture("opis.swd");
  d = changed(d, "NU,OPERATOR,Jan Nowak;",
              "NU,OPERATOR,Jan Nowak;\r\nNS,DN,2024-01-15;drugi\r\nNS,DN,2024-02-01;inna data");
  d = changed(d, "B,G5PEW,ZN,;", "B,G5PEW,ZN,;pole\r\nB,G5PEW,ZN,;drugie");
  d = changed(d, "TPW;", "TPW;wiele");
  d = changed(d, "TPN,G5KLUCZ;", "TPN,G5KLUCZ;klucz2");
  d = changed(d, "WW;", "WW;ww1");
  d = changed(d, "WN,G5IDD;", "WN,G5IDD;wn1");
  d = changed(d, "TD,G5KLU,RO;\r\nTP,G5PEW;",
              "TD,G5KLU,RC;klu\r\nTP,G5PEW;\r\nWE,G5_PKT;we1\r\nWP;wp1\r\nWE,G5RX;");
  // A second type of a name already there: its whole record is passed over.
  d = changed(d, "SX;\r\nSO;", "TD,G5O_DZE,RD;\r\nTP,G5NOWY;\r\nX;\r\nSX;\r\nSO;");
  return d;
}

TEST(bzMergeProcess, MetadataGroupsWithTheirComments) {
  for (const bool skipComments : {false, true}) {
    SCOPED_TRACE(skipComments ? "comments skipped" : "comments kept");
    MergeRun r;
    r.settings.skipComments = skipComments;
    r.addPair(groupsFixture(), fixture("geometria.swd"));
    std::unique_ptr<bzRun<ObservedMerge>> p;
    const Outcome o = runMerge(r, &p);
    expectFolderUnchanged(o);
    ASSERT_TRUE(r.snapshot.reached) << dump(o);
    auto kept = [&](const char* text) { return skipComments ? std::string() : std::string(text); };
    Metadata* m = p->model(0);

    ContextSection* sn = m->getContextSection();
    ContextRecord* dn = sn->getRecord(bzMergeRules::contextKey("DN", "2024-01-15"));
    ASSERT_NE(dn, nullptr);
    EXPECT_EQ(dn->firstValue, "DN");
    EXPECT_EQ(dn->lastValue, "2024-01-15");
    EXPECT_EQ(dn->comment, kept("data wymiany"));  // the first of equal keys
    EXPECT_NE(sn->getRecord(bzMergeRules::contextKey("DN", "2024-02-01")), nullptr);
    UsrContextRecord* nu = sn->getUsrRecord(bzMergeRules::contextKey("OPERATOR", "Jan Nowak"));
    ASSERT_NE(nu, nullptr);
    EXPECT_EQ(nu->lastValue, "Jan Nowak");

    AttribType* pew = m->getAttribsSection()->getAttribute("G5PEW");
    ASSERT_NE(pew, nullptr);
    EXPECT_EQ(pew->type, "ZN");
    EXPECT_EQ(pew->comment, kept("pole"));

    RecordType* dze = m->getTypesSection()->getType("G5DZE");
    ASSERT_NE(dze, nullptr);
    EXPECT_EQ(dze->baseType, "RO");  // not the second record's RD
    EXPECT_EQ(dze->comment, kept("wlasnosc"));
    EXPECT_EQ(dze->getAttributeByCode("G5NOWY"), nullptr);
    AttributeDef* idd = dze->getAttribute("G5IDD");
    ASSERT_NE(idd, nullptr);
    EXPECT_FALSE(idd->multiple);
    EXPECT_EQ(idd->getComment(0), kept("klucz"));
    AttributeDef* keyed = dze->getAttribute("G5KLUCZ");
    ASSERT_NE(keyed, nullptr);
    EXPECT_EQ(keyed->code, "G5PEW");
    EXPECT_TRUE(keyed->multiple);
    EXPECT_EQ(keyed->getComment(0), "");
    EXPECT_EQ(keyed->getComment(1), kept("wiele"));
    EXPECT_EQ(keyed->getComment(2), kept("klucz2"));
    ReferenceDef* wr = dze->getReference("G5IDD");
    ASSERT_NE(wr, nullptr);
    EXPECT_EQ(wr->code, "G5RDZE");
    EXPECT_TRUE(wr->multiple);
    EXPECT_FALSE(wr->element);
    EXPECT_EQ(wr->getComment(1), kept("ww1"));
    EXPECT_EQ(wr->getComment(2), kept("wn1"));

    RecordType* klu = m->getTypesSection()->getType("G5KLU");
    ASSERT_NE(klu, nullptr);
    ReferenceDef* we = klu->getReference("G5RPKT");
    ASSERT_NE(we, nullptr);
    EXPECT_TRUE(we->element);
    EXPECT_FALSE(we->multiple);  // a WP line follows
    EXPECT_EQ(we->getComment(0), kept("we1"));
    EXPECT_EQ(we->getComment(1), kept("wp1"));
    ReferenceDef* rx = klu->getReference("G5RX");
    ASSERT_NE(rx, nullptr);
    EXPECT_TRUE(rx->multiple);
    EXPECT_NE(klu->getAttribute("G5PEW"), nullptr);

    // The object lines keep their comments only while comments are kept.
    const auto desc = rows(r.snapshot, 0);
    ASSERT_FALSE(desc.empty());
    EXPECT_EQ(desc[0].text[0], "D,G5IDD,D,146501_1.0001.12;\r\nD,G5PEW,D,0.1234;" + kept("pole") +
                                   "\r\nWL,G5RDZE,K1;" + kept("do klu") + "\r\n");
  }
}

// ---------------------------------------------------------------------------
// Stops

TEST(bzMergeProcess, StopInTheKindCheckOrTheFirstPassEndsTheRun) {
  // Readers 1 and 2 serve the kind check, 3 and 4 the first pass.
  for (const int at : {1, 2, 3, 4}) {
    SCOPED_TRACE(at);
    MergeRun r;
    r.addPair(fixture("opis.swd"), fixture("geometria.swd"));
    testsupport::Gate gate;
    r.gate = &gate;
    r.gateAt = at;
    const Outcome o = runMerge(r);
    expectFolderUnchanged(o);
    EXPECT_TRUE(o.findings().empty()) << dump(o);  // a stop decides no kind
    EXPECT_TRUE(o.has(kInterrupted));
    EXPECT_TRUE(o.has(freeLine("Przetwarzanie zostało przerwane przez użytkownika")));
    EXPECT_FALSE(r.snapshot.reached);
  }
}

// ---------------------------------------------------------------------------
// Both inputs are read at the same time; what the run shows keeps the
// reading order: all of input 0 first, then input 1.

// Line number (from 1) of the first line of text holding needle.
std::int64_t lineAt(const std::string& text, const std::string& needle) {
  const std::size_t at = text.find(needle);
  EXPECT_NE(at, std::string::npos) << needle;
  return 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n');
}

TEST(bzMergeProcess, FindingsOfTheSecondInputFollowThoseOfTheFirst) {
  const std::string d =
      changed(fixture("opis.swd"), "SO;", "SO;\r\nRD,,G5O_ABC,9,,;\r\nD,G5PEW,D,1;\r\nX;");
  const std::string g = changed(fixture("geometria.swd"), "SO;", "SO;\r\nRD,,G5G_ABC,9,,;\r\nX;");
  const std::string dWrongPart =
      changed(d, "RD,,G5KLU,K1,8,;", "RD,,G5PZG,5,,;\r\nX;\r\nRD,,G5KLU,K1,8,;");
  const std::string gWrongPart =
      changed(g, "RP,,G5PKT,2,,;", "RD,,G5KLU,5,,;\r\nX;\r\nRP,,G5PKT,2,,;");
  const std::string uncatalogued =
      " nie został scalony. Obiekt nie znajduje się w katalogu bazy danych ewidencyjnych";
  const Line d0 = finding(0, lineAt(d, "G5O_ABC"), 20004, 49, "Obiekt G5O_ABC" + uncatalogued);
  const Line g1 = finding(1, lineAt(g, "G5G_ABC"), 20004, 49, "Obiekt G5G_ABC" + uncatalogued);
  const Line d0Part = finding(0, lineAt(dWrongPart, "G5PZG"), 20007, 49,
                              "Obiekt geometryczny G5PZG wystąpił w pliku zawierającym obiekty z "
                              "części opisowej");
  const Line g1Part = finding(1, lineAt(gWrongPart, "G5KLU,5"), 20008, 49,
                              "Obiekt opisowy G5KLU wystąpił w pliku zawierającym obiekty z części "
                              "geometrycznej");
  const Line first = freeLine("Przetwarzanie pliku nr 1..."),
             second = freeLine("Przetwarzanie pliku nr 2...");
  struct Case {
    const char* what;
    std::string first, second;
    // The findings, file lines and file starts after "Scalanie plików:"
    // (a, b: the file line of each input).
    std::vector<std::string> shape;
    std::vector<Line> findings;
    bool through;
  };
  const Case cases[] = {
      {"both read through", d, g, {"1", "a", "f", "2", "b", "f"}, {d0, g1}, true},
      // Input 1 is not taken: nothing of it is shown or counted.
      {"input 0 ends the pass", dWrongPart, g, {"1", "a", "f", "f"}, {d0, d0Part}, false},
      {"input 1 ends the pass",
       d,
       gWrongPart,
       {"1", "a", "f", "2", "b", "f", "f"},
       {d0, g1, g1Part},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MergeRun r;
    r.addPair(c.first, c.second);
    const Outcome o = runMerge(r);
    expectFolderUnchanged(o);
    const Line fileA{-1, -1, -1, fileLine(r.folder.file("a.swd"))};
    const Line fileB{-1, -1, -1, fileLine(r.folder.file("b.swd"))};
    const auto start = std::find(o.lines.begin(), o.lines.end(), freeLine("Scalanie plików:"));
    ASSERT_NE(start, o.lines.end()) << dump(o);
    std::vector<std::string> shape;
    std::vector<Line> findings;
    for (auto l = start; l != o.lines.end(); ++l) {
      if (*l == first) shape.push_back("1");
      if (*l == second) shape.push_back("2");
      if (*l == fileA) shape.push_back("a");
      if (*l == fileB) shape.push_back("b");
      if (l->fileIdx != -1) {
        shape.push_back("f");
        findings.push_back(*l);
      }
    }
    EXPECT_EQ(shape, c.shape) << dump(o);
    EXPECT_EQ(withoutPositions(findings), c.findings) << dump(o);
    EXPECT_EQ(o.totalErrors, c.findings.size());
    std::uint32_t second = 0;
    for (const Line& f : c.findings) second += f.fileIdx == 1;
    EXPECT_EQ(r.state.getFileInfo(1).errors, second);
    EXPECT_EQ(o.has(kInterrupted), !c.through);
    ASSERT_EQ(r.snapshot.reached, c.through);
    if (!c.through) continue;
    // One numbering over both inputs: input 1's objects take the numbers
    // after input 0's, whichever input was read faster.
    std::vector<int> numbers;
    for (const auto& row : rows(r.snapshot, 1)) numbers.push_back(std::stoi(row.newRecordId));
    std::sort(numbers.begin(), numbers.end());
    const int firstOfInput1 = static_cast<int>(r.snapshot.objects[0].size()) + 1;
    for (std::size_t i = 0; i < numbers.size(); ++i)
      EXPECT_EQ(numbers[i], firstOfInput1 + static_cast<int>(i));
  }
}

// The clock of the run's loops: the thread that reads input 1 waits at
// gSecondInputGate the first time it reads it (every other thread, the
// worker included, goes on).
testsupport::Gate* gSecondInputGate = nullptr;
std::atomic<bool> gSecondInputHeld{false};
std::thread::id gWorker;
std::mutex gWorkerLock;

std::uint64_t clockHoldingTheSecondInput() {
  bool other;
  {
    std::lock_guard<std::mutex> g(gWorkerLock);
    other = gWorker != std::thread::id() && gWorker != std::this_thread::get_id();
  }
  if (other && !gSecondInputHeld.exchange(true)) gSecondInputGate->pass();
  return 0;
}

TEST(bzMergeProcess, StopWhileTheSecondInputIsReadEndsBothReaders) {
  MergeRun r;
  std::string d = fixture("opis.swd");
  std::string many;
  for (int i = 1; i <= 2000; ++i) many += "RD,,G5KLU,M" + std::to_string(i) + ",,;\r\nX;\r\n";
  r.addPair(changed(d, "RD,,G5KLU,K1,8,;", many + "RD,,G5KLU,K1,8,;"), fixture("geometria.swd"));
  testsupport::Gate gate;
  gSecondInputGate = &gate;
  gSecondInputHeld = false;
  {
    std::lock_guard<std::mutex> g(gWorkerLock);
    gWorker = std::thread::id();
  }
  r.onReader = [](int) {
    std::lock_guard<std::mutex> g(gWorkerLock);
    gWorker = std::this_thread::get_id();
  };
  bzProcessThread::setClock(&clockHoldingTheSecondInput);
  EXPECT_TRUE(r.report.Create(&r.files));
  Outcome o;
  o.before = r.folder.contents();
  {
    bzRun<ObservedMerge> p(r);
    p.start();
    gate.waitReached();
    p.stop(0);
    gate.open();
    p.waitFor();
    o.lines = testsupport::drain(r.report);
  }
  bzProcessThread::setClock(nullptr);
  o.after = r.folder.contents();
  expectFolderUnchanged(o);
  EXPECT_TRUE(o.findings().empty()) << dump(o);
  EXPECT_TRUE(o.has(kInterrupted));
  EXPECT_TRUE(o.has(freeLine("Przetwarzanie zostało przerwane przez użytkownika")));
  EXPECT_FALSE(r.snapshot.reached);
}

// ---------------------------------------------------------------------------
// A reader that fails in the middle of the first pass

// The third start of a reader in a run is the first pass over input 0: its
// first buffer is read, then every further read of the file fails.
std::atomic<int> gStarts{0};
std::string gBrokenPath;

void breakThirdStart(sxFileStream& stream) {
  if (++gStarts != 3) return;
  stream.getBuff();
  testsupport::breakReadsOf(gBrokenPath);
}

TEST(bzMergeProcess, ReaderFailureInTheFirstPassIsCountedAndEndsTheRun) {
  std::string d = fixture("opis.swd");
  std::string many;
  for (int i = 1; i <= 4000; ++i) many += "RD,,G5KLU,K" + std::to_string(i + 1) + ",,;\r\nX;\r\n";
  d = changed(d, "RD,,G5KLU,K1,8,;", many + "RD,,G5KLU,K1,8,;");
  ASSERT_GT(d.size(), 4 * kFileBufferSize);
  MergeRun r;
  // The reads of the walk's own reader fail; the quick way reads the input
  // through a descriptor of its own, which the test leaves sound.
  r.walkOnly = true;
  r.addPair(d, fixture("geometria.swd"));
  gStarts = 0;
  gBrokenPath = r.folder.file("a.swd");
  PlikSW::setStartHook(&breakThirdStart);
  const Outcome o = runMerge(r);
  PlikSW::setStartHook(nullptr);
  expectFolderUnchanged(o);
  const std::string head = cp("Wystąpił błąd programu w trakcie przetwarzania pliku. ");
  const auto failure = std::find_if(o.lines.begin(), o.lines.end(), [&](const Line& l) {
    return l.fileIdx == -1 && l.text.compare(0, head.size(), head) == 0;
  });
  ASSERT_NE(failure, o.lines.end()) << dump(o);
  EXPECT_NE(failure->text.find(gBrokenPath), std::string::npos) << failure->text;
  EXPECT_TRUE(o.has(kInterrupted));
  EXPECT_FALSE(r.snapshot.reached);
  EXPECT_FALSE(o.critical);
  EXPECT_EQ(o.totalErrors, 1u);
}

}  // namespace
