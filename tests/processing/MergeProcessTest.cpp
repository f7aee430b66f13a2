#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
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
#include "platform/FileSystem.h"
#include "processing/bzMergeProcess.h"
#include "processing/bzMergeRules.h"
#include "processing/bzReport.h"
#include "support/Gate.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"

using namespace swde;
using plat::cp;

namespace {

using Line = testsupport::ReportLine;
using testsupport::freeLine;

const std::string kData = std::string(OLV_SAMPLES) + "/../tests/data/merge/";

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  ASSERT_TRUE(out.good()) << path;
}

std::string fixture(const std::string& name) {
  return readAll(kData + name);
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
class Folder {
 public:
  Folder() {
    std::string t = plat::tempFolder() + "/olvmergeXXXXXX";
    if (!::mkdtemp(t.data())) std::abort();
    path_ = t;
  }
  ~Folder() {
    for (const auto& [name, bytes] : contents()) std::remove((path_ + "/" + name).c_str());
    ::rmdir(path_.c_str());
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  // Every entry's name and bytes (the target's bytes for a link).
  std::map<std::string, std::string> contents() const {
    std::map<std::string, std::string> out;
    DIR* d = ::opendir(path_.c_str());
    if (!d) return out;
    while (const dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n == "." || n == "..") continue;
      out[n] = readAll(file(n));
    }
    ::closedir(d);
    return out;
  }

 private:
  std::string path_;
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
  int gateAt = 0;  // the reader (counted from 1) whose making waits at the gate
  std::mutex m;
  int readersMade = 0;

  MergeRun() {
    settings.outputDir = folder.path();
    settings.outputFileName = "wynik.swd";
  }

  // An input file in the folder.
  std::string input(const std::string& name, const std::string& bytes) {
    const std::string p = folder.file(name);
    writeAll(p, bytes);
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
      : bzMergeProcess(key, &r.files, &r.report, &r.settings, &r.state), run_(r) {}

  Metadata* model(int i) const { return fileMetadata[i].get(); }
  std::uint8_t kind(int i) const { return fileKind[i]; }

 protected:
  void mergeFiles() override {
    Snapshot& s = run_.snapshot;
    s.reached = true;
    for (int i = 0; i < 2; ++i) {
      for (const auto& o : fileObjects[i]) s.objects[i].push_back(*o);
      if (spoolFiles[i])
        s.spool[i] = spoolFiles[i]->readLinesFromFile(0, spoolFiles[i]->position());
    }
    s.folder = run_.folder.contents();
  }
  plat::ComPtr<PlikSW> createFileInterface() override {
    int n;
    {
      std::lock_guard<std::mutex> g(run_.m);
      n = ++run_.readersMade;
    }
    if (run_.gate && n == run_.gateAt) run_.gate->pass();
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
    ObjectRow r{o.objectType, o.objectId,    o.mergedType, o.mergeKey,
                o.keptId,     o.newRecordId, o.part,       {}};
    for (int k = 0; k < mgObject::kParts; ++k)
      r.text[k] = s.spool[input].substr(o.textOffset[k], o.textLength[k]);
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

}  // namespace
