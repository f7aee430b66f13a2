// The second pass over the part result's own bytes (the records resolved in
// chunks on several threads while the reader checks the part result in
// blocks) against the record walk it stands in for: whole runs on the same
// inputs, once each way, give the same merged file, report and counts;
// a part result the walk would refuse, or one that is not what the merge
// wrote, is left to the walk.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "merge/Mgfile.h"
#include "platform/CodePage.h"
#include "processing/bzMergeProcess.h"
#include "processing/bzProcessState.h"
#include "processing/bzReport.h"
#include "support/Files.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"

using namespace swde;

namespace {

using Line = testsupport::ReportLine;
using testsupport::readFile;
using testsupport::writeFile;

const std::string kData = std::string(OLV_SAMPLES) + "/../tests/data/merge/";

// What the test does to the part result as the merge writes it.
enum class Tamper {
  none,
  refusedLine,  // the end line of the records' first object made one no reader knows
  extraRecord,  // one more SO record than the merge wrote, after the last one
};

struct Run : testsupport::RunObjects {
  testsupport::TempFolder folder{"olvmergedirect"};
  bool walkOnly = false;  // the second pass may not take the direct way
  Tamper tamper = Tamper::none;
  bool tookDirectWay = false;

  Run() {
    settings.outputDir = folder.path();
    settings.outputFileName = "razem.swd";
  }
};

class Probe : public bzMergeProcess {
 public:
  Probe(RunKey key, Run& r)
      : bzMergeProcess(key, &r.files, &r.report, &r.settings, &r.state), r_(r) {}

 protected:
  bool writeMergedDirectly(const AnsiString& target) override {
    if (r_.walkOnly) return false;
    r_.tookDirectWay = bzMergeProcess::writeMergedDirectly(target);
    return r_.tookDirectWay;
  }
  std::unique_ptr<mgFile> createStore(Store kind) override {
    auto store = bzMergeProcess::createStore(kind);
    if (kind != Store::partResult || r_.tamper == Tamper::none) return store;
    // The part result's bytes pass here; the test changes them on their way
    // to the file, which the merge then reads back.
    const Tamper tamper = r_.tamper;
    store->setWriteFunction([tamper](int fd, const void* data, std::size_t size, off_t offset) {
      std::string bytes(static_cast<const char*>(data), size);
      const std::size_t so = bytes.find("\r\nSO;\r\n");
      if (tamper == Tamper::refusedLine && so != std::string::npos) {
        // The end line of the first record: one no reader knows, the size kept.
        const std::size_t x = bytes.find("\r\nX;\r\n", so);
        if (x != std::string::npos) bytes[x + 2] = 'Q';
      } else if (tamper == Tamper::extraRecord && bytes.ends_with("\r\nSX;\r\nSWDEX;\r\n")) {
        bytes.insert(bytes.size() - 13, "RD,,G5KLU,EXTRA,999999,;\r\nX;\r\n");
      }
      if (::pwrite(fd, bytes.data(), bytes.size(), offset) != static_cast<ssize_t>(bytes.size()))
        return ssize_t{-1};
      return static_cast<ssize_t>(size);
    });
    return store;
  }

 private:
  Run& r_;
};

struct Outcome {
  std::vector<Line> lines;
  std::map<std::string, std::string> folder;
  std::uint32_t errors = 0, warnings = 0;
  bzProcessState::FileInfo files[3];
  bool written = false, critical = false, direct = false;
};

Outcome merge(const std::string& first, const std::string& second, bool skipComments, bool walkOnly,
              Tamper tamper) {
  Run r;
  r.walkOnly = walkOnly;
  r.tamper = tamper;
  r.settings.skipComments = skipComments;
  writeFile(r.folder / "a.swd", first);
  writeFile(r.folder / "b.swd", second);
  r.files.addFile("a.swd", r.folder / "a.swd");
  r.files.addFile("b.swd", r.folder / "b.swd");
  EXPECT_TRUE(r.report.Create(&r.files));
  Outcome o;
  {
    bzRun<Probe> p(r);
    p.start();
    p.waitFor();
    o.written = p.resultWritten();
    o.critical = p.failedCritically();
  }
  // Free lines without the run's times, which differ from run to run.
  // Free lines without the run's times and folder, which differ from run to
  // run.
  const std::string folder = r.folder.path();
  for (Line l : testsupport::drain(r.report)) {
    if (l.text.find("START:") != std::string::npos || l.text.find("STOP:") != std::string::npos)
      continue;
    for (std::size_t at; (at = l.text.find(folder)) != std::string::npos;)
      l.text.replace(at, folder.size(), "<folder>");
    o.lines.push_back(l);
  }
  for (const auto& e : std::filesystem::directory_iterator(r.folder.path()))
    o.folder[e.path().filename().string()] = readFile(e.path().string());
  o.errors = r.state.getTotalErrorsNum();
  o.warnings = r.state.getTotalWarnsNum();
  for (int i = 0; i < 3; ++i) o.files[i] = r.state.getFileInfo(i);
  o.direct = r.tookDirectWay;
  return o;
}

std::string dump(const std::vector<Line>& lines) {
  std::ostringstream s;
  for (const Line& l : lines) s << l << "\n";
  return s.str();
}

// The small descriptive input with count more objects before its last one,
// every fifth with a relation to a record no input has (a warning and a
// fresh record identifier each), the others to the parcel's record: enough
// objects for the records to be resolved in several chunks, with fresh
// identifiers in each.
std::string manyObjects(int count) {
  std::string d = readFile(kData + "opis.swd");
  std::string many;
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    many += "RD,,G5KLU,M" + n + ",m" + n + ",;\r\nD,G5PEW,D,0.5;\r\n";
    many += i % 5 == 0 ? "WL,G5RDZE,brak" + n + ";\r\n" : "WL,G5RDZE,7;\r\n";
    many += "X;\r\n";
  }
  d.insert(d.find("RD,,G5KLU,K1,8,;"), many);
  return d;
}

TEST(bzMergeDirectPass, GivesWhatTheRecordWalkGives) {
  const std::string d = readFile(kData + "opis_pelny.swd");
  const std::string g = readFile(kData + "geometria_pelna.swd");
  const std::string large = manyObjects(10000);
  const std::string small = readFile(kData + "geometria.swd");
  struct Case {
    const char* what;
    const std::string& first;
    const std::string& second;
    bool skipComments;
    Tamper tamper;
    bool direct;   // the direct way keeps its work
    bool written;  // a merged file comes out
  };
  const Case cases[] = {
      {"every path, (D, G)", d, g, false, Tamper::none, true, true},
      {"every path, (G, D), comments skipped", g, d, true, Tamper::none, true, true},
      {"records in several chunks", large, small, false, Tamper::none, true, true},
      {"a line the reader refuses", d, g, false, Tamper::refusedLine, false, false},
      {"a record more than written", d, g, false, Tamper::extraRecord, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome walk = merge(c.first, c.second, c.skipComments, true, c.tamper);
    const Outcome direct = merge(c.first, c.second, c.skipComments, false, c.tamper);
    EXPECT_EQ(direct.direct, c.direct);
    EXPECT_EQ(direct.written, c.written);
    EXPECT_EQ(walk.written, c.written);
    EXPECT_FALSE(direct.critical);
    EXPECT_EQ(direct.lines, walk.lines) << "direct:\n"
                                        << dump(direct.lines) << "walk:\n"
                                        << dump(walk.lines);
    EXPECT_TRUE(direct.folder == walk.folder);
    EXPECT_EQ(direct.folder.count("razem.swd"), c.written ? 1u : 0u);
    EXPECT_EQ(direct.errors, walk.errors);
    EXPECT_EQ(direct.warnings, walk.warnings);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(direct.files[i].errors, walk.files[i].errors) << i;
      EXPECT_EQ(direct.files[i].warnings, walk.files[i].warnings) << i;
      EXPECT_EQ(direct.files[i].status, walk.files[i].status) << i;
    }
  }
}

// The fresh record identifiers of the several chunks run on from the first
// pass's last one in the order of the records.
TEST(bzMergeDirectPass, FreshIdentifiersRunOnAcrossChunks) {
  const Outcome o =
      merge(manyObjects(10000), readFile(kData + "geometria.swd"), false, false, Tamper::none);
  ASSERT_TRUE(o.direct);
  const std::string& merged = o.folder.at("razem.swd");
  // The relations to "brak..." and the parcel's own to "K1" (no record of
  // that identifier) take the numbers after the first pass's last one, in
  // the order of the merged file; the resolved ones name record 1, the
  // parcel's.
  std::vector<long> fresh;
  for (std::size_t at = merged.find("WL,G5RDZE,"); at != std::string::npos;
       at = merged.find("WL,G5RDZE,", at + 1)) {
    const long n = std::stol(merged.substr(at + 10, merged.find(';', at) - at - 10));
    if (n != 1) fresh.push_back(n);
  }
  ASSERT_EQ(fresh.size(), 2001u);
  EXPECT_GT(fresh[0], 10002);
  for (std::size_t i = 0; i < fresh.size(); ++i)
    EXPECT_EQ(fresh[i], fresh[0] + static_cast<long>(i)) << i;
}

}  // namespace
