// The quick ways of the merge against the record walks they stand in for:
// the first pass through an input's SO section in chunks on every core, and
// the second pass over the part result's own bytes, each while a reader
// checks the whole file in blocks. Whole runs on the same inputs, once each
// way, give the same merged file, report and counts; an input or a part
// result the walk would refuse, or one the quick way cannot read as the walk
// would, is left to the walk.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
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
  innerReturn,  // a carriage return inside a line: the first record's end line "X\r"
};

struct Run : testsupport::RunObjects {
  testsupport::TempFolder folder{"olvmergequick"};
  bool walkOnly = false;  // neither pass may take its quick way
  Tamper tamper = Tamper::none;
  bool tookDirectWay = false;
  // What the quick way made of the first input's SO section, if it was asked.
  std::optional<bzMergeProcess::Quick> firstInput;

  Run() {
    settings.outputDir = folder.path();
    settings.outputFileName = "razem.swd";
  }
};

class Probe : public bzMergeProcess {
 public:
  Probe(RunKey key, Run& r)
      : bzMergeProcess(key, &r.files, &r.report, &r.settings, &r.state), r_(r) {
    quickFirstPass_ = !r.walkOnly;
  }

 protected:
  Quick quickSectionSO(mgFile* spool, std::int32_t section) override {
    const Quick q = bzMergeProcess::quickSectionSO(spool, section);
    if (currentFile == 0) r_.firstInput = q;
    return q;
  }
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
    // The file's bytes come in pieces, cut wherever the store writes them.
    auto inRecords = std::make_shared<bool>(false);
    auto tampered = std::make_shared<bool>(false);
    store->setWriteFunction([tamper, inRecords, tampered](int fd, const void* data,
                                                          std::size_t size, off_t offset) {
      std::string bytes(static_cast<const char*>(data), size);
      std::size_t from = 0;
      if (!*inRecords) {
        const std::size_t so = bytes.find("SO;\r\n");
        *inRecords = so != std::string::npos && (so == 0 || bytes[so - 1] == '\n');
        from = *inRecords ? so : bytes.size();
      }
      if ((tamper == Tamper::refusedLine || tamper == Tamper::innerReturn) && *inRecords &&
          !*tampered) {
        // The end line of the first record: one no reader knows, or one with
        // a carriage return inside; the size kept.
        const std::size_t x = bytes.find("\r\nX;\r\n", from);
        if (x != std::string::npos) {
          if (tamper == Tamper::refusedLine)
            bytes[x + 2] = 'Q';
          else
            bytes[x + 3] = '\r';
          *tampered = true;
        }
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
  std::optional<bzMergeProcess::Quick> firstInput;
};

struct Options {
  bool skipComments = false;
  bool skipWhiteChars = true;
  Tamper tamper = Tamper::none;
};

Outcome merge(const std::string& first, const std::string& second, const Options& options,
              bool walkOnly) {
  Run r;
  r.walkOnly = walkOnly;
  r.tamper = options.tamper;
  r.settings.skipComments = options.skipComments;
  r.settings.skipWhiteChars = options.skipWhiteChars;
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
  o.firstInput = r.firstInput;
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

// The descriptive input with lines the quick first pass must read as the
// record walk does: comments between and inside records, an empty line in a
// record, blanks around fields, a comment after a D line.
std::string oddLines() {
  std::string d = readFile(kData + "opis.swd");
  d.insert(d.find("RD,,G5KLU,K1,8,;"),
           "C;uwaga przed rekordem\r\n\r\nRD,,G5KLU,K2,9,;\r\nC;w rekordzie\r\n"
           "D,G5PEW,D, 0.7 ;komentarz\r\n\r\nX;\r\n");
  return d;
}

// text with its first from made to.
std::string changed(const std::string& text, const std::string& from, const std::string& to) {
  std::string out = text;
  out.replace(out.find(from), from.size(), to);
  return out;
}

using Quick = bzMergeProcess::Quick;

TEST(bzMergeQuickWays, GiveWhatTheRecordWalksGive) {
  const std::string d = readFile(kData + "opis_pelny.swd");
  const std::string g = readFile(kData + "geometria_pelna.swd");
  const std::string small = readFile(kData + "geometria.swd");
  const std::string large = manyObjects(40000);
  const std::string odd = oddLines();
  // An object of a type outside the catalogue deep in a large input, and a
  // geometric object in a descriptive one (the numbering refuses it).
  const std::string outside = changed(large, "RD,,G5KLU,M39000,", "RD,,G5XYZ,M39000,");
  const std::string refused = changed(large, "RD,,G5KLU,M39500,", "RD,,G5G_DZE,M39500,");
  // A line the reader refuses, and a section after the objects.
  const std::string broken = changed(large, "WL,G5RDZE,brak39995;", "WL;");
  const std::string sectionAfter =
      changed(readFile(kData + "opis.swd"), "SX;\r\nSWDEX;", "SX;\r\nSP;\r\nSX;\r\nSWDEX;");
  struct Case {
    const char* what;
    const std::string& first;
    const std::string& second;
    Options options;
    Quick firstWay;  // what the first pass's quick way makes of the first input
    bool direct;     // the second pass's quick way keeps its work
    bool written;    // a merged file comes out
  };
  constexpr Quick done = Quick::done, declined = Quick::declined, numbering = Quick::refused;
  const Case cases[] = {
      {"every path, (D, G)", d, g, {}, done, true, true},
      {"every path, (G, D), comments skipped", g, d, {true}, done, true, true},
      {"blanks kept", d, g, {false, false}, done, true, true},
      {"records in many chunks", large, small, {}, done, true, true},
      // An empty line kept in the part result: the second pass's walk reads it.
      {"odd lines, comments kept", odd, small, {}, done, false, true},
      {"odd lines, comments skipped", small, odd, {true}, done, true, true},
      {"odd lines, blanks kept", odd, small, {false, false}, done, false, true},
      {"a type outside the catalogue", outside, small, {}, done, true, true},
      {"an object the numbering refuses", refused, small, {}, numbering, false, false},
      {"a line the reader refuses in the input", broken, small, {}, declined, false, false},
      {"a section after the objects", sectionAfter, small, {}, declined, true, true},
      {"a line the reader refuses in the part result",
       d,
       g,
       {false, true, Tamper::refusedLine},
       done,
       false,
       false},
      {"a record more than written", d, g, {false, true, Tamper::extraRecord}, done, false, false},
      {"a carriage return inside a line of the part result",
       d,
       g,
       {false, true, Tamper::innerReturn},
       done,
       false,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome walk = merge(c.first, c.second, c.options, true);
    const Outcome quick = merge(c.first, c.second, c.options, false);
    EXPECT_TRUE(quick.firstInput == c.firstWay)
        << (quick.firstInput ? static_cast<int>(*quick.firstInput) : -1);
    EXPECT_EQ(quick.direct, c.direct);
    EXPECT_EQ(quick.written, c.written);
    EXPECT_EQ(walk.written, c.written);
    EXPECT_FALSE(quick.critical);
    EXPECT_EQ(quick.lines, walk.lines) << "quick:\n"
                                       << dump(quick.lines) << "walk:\n"
                                       << dump(walk.lines);
    EXPECT_TRUE(quick.folder == walk.folder);
    EXPECT_EQ(quick.folder.count("razem.swd"), c.written ? 1u : 0u);
    EXPECT_EQ(quick.errors, walk.errors);
    EXPECT_EQ(quick.warnings, walk.warnings);
    // The part result's entry holds its end, however fast either way went.
    if (c.written) {
      EXPECT_EQ(quick.files[2].status, bzProcessState::FileInfo::Opened);
    }
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(quick.files[i].errors, walk.files[i].errors) << i;
      EXPECT_EQ(quick.files[i].warnings, walk.files[i].warnings) << i;
      EXPECT_EQ(quick.files[i].status, walk.files[i].status) << i;
    }
  }
}

// The fresh record identifiers of the several chunks run on from the first
// pass's last one in the order of the records.
TEST(bzMergeQuickWays, FreshIdentifiersRunOnAcrossChunks) {
  const Outcome o = merge(manyObjects(10000), readFile(kData + "geometria.swd"), {}, false);
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
