#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/RtfReader.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "processing/bzDocAuthProcess.h"
#include "processing/bzDocGenerator.h"
#include "processing/bzDocVerifProcess.h"
#include "support/FileSizeLimit.h"
#include "support/Files.h"
#include "support/Gate.h"
#include "support/ReportLine.h"
#include "support/TempRegistry.h"

using namespace swde;
namespace fs = std::filesystem;
using plat::cp;

namespace {

using testsupport::readFile;
using testsupport::writeFile;

const std::string kScript = std::string(OLV_SAMPLES) + "/../setup/szablon.reg";
const std::string kSampleSwde = std::string(OLV_SAMPLES) + "/przyklad.swd";
const std::string kSampleSwing = std::string(OLV_SAMPLES) + "/przyklad.swg";

// C and empty lines, comments, blanks, LF and CRLF line ends, an old XC and
// SXC, a D line with commas.
const std::string kFixture =
    "SWDE.W.1.13.0;naglowek\r\n"
    "C;komentarz, z przecinkiem\r\n"
    "\r\n"
    "SP;  uwaga\n"
    "B,G5IDD,ZN,;\r\n"
    "C; a, b; c\r\n"
    "W,G5DZE;\r\n"
    "SX;\r\n"
    "ST;\r\n"
    "TD,G5DZE,RO;\r\n"
    "TP,G5IDD;\r\n"
    "XC,123;\r\n"
    "SXC,5;\r\n"
    "SO;\r\n"
    "RO,G5DZE,,1,,;\r\n"
    "GL;\r\n"
    "P,P,G5PKT,2;\r\n"
    "P,P,G5PKT,3;\r\n"
    "P,P,G5PKT,4;\r\n"
    "PZ;\r\n"
    "GX;\r\n"
    "D,G5IDD,D,146501_1.0001.12;\r\n"
    "D,G5OPIS,D, Dzialka przy ulicy , obok zrodla ;\r\n"
    "C;w rekordzie\r\n"
    "X;\r\n"
    "RP,G5PKT,,2,,;\r\n"
    "P,G, 5712345.12,6543210.34 ,;\r\n"
    "D,G5NRP,D,1;\r\n"
    "X;\r\n"
    "SX;\r\n"
    "SWDEXC,7;\r\n";

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      out.push_back(text.substr(at));
      break;
    }
    out.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

// The first occurrence of from in text replaced by to.
std::string changed(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// A finding as "10006 B" (code and kind).
using Findings = std::multiset<std::string>;

Findings findingsOf(const std::vector<testsupport::ReportLine>& lines) {
  static const std::regex finding(R"(^\d+ ([BOI]) +(\d+) )");
  Findings out;
  for (const auto& l : lines) {
    std::smatch m;
    if (l.lineNo >= 0 && std::regex_search(l.text, m, finding))
      out.insert(m[2].str() + " " + m[1].str());
  }
  return out;
}

bool holds(const std::vector<testsupport::ReportLine>& lines, const std::string& utf8) {
  const std::string text = cp(utf8);
  return std::any_of(lines.begin(), lines.end(), [&](const auto& l) { return l.text == text; });
}

// A process that waits at its first reader until the test lets it on.
template <class Process>
class Gated : public Process {
 public:
  Gated(bzProcessThread::RunKey key, bzFileList* f, bzReport* r, bzSettings* s, bzProcessState* st,
        testsupport::Gate& gate)
      : Process(key, f, r, s, st), gate_(gate) {}

 protected:
  plat::ComPtr<PlikSW> createFileInterface() override {
    if (!passed_) {
      passed_ = true;
      gate_.pass();
    }
    return Process::createFileInterface();
  }

 private:
  testsupport::Gate& gate_;
  bool passed_ = false;
};

class DocProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = plat::tempFolder() + "/olvdocXXXXXX";
    dir_ = ::mkdtemp(tmpl.data());
    dir_ += "/";
    bzDocGenerator::setClock([] { return std::time_t{1772712000}; });
    bzDocGenerator::setScriptPath(kScript);
  }
  void TearDown() override {
    bzDocGenerator::setClock(nullptr);
    bzDocGenerator::setScriptPath("");
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string put(const std::string& name, const std::string& text) {
    writeFile(dir_ + name, text);
    return dir_ + name;
  }

  struct Run {
    bzSettings settings;
    bzFileList files;
    std::unique_ptr<bzProcessState> state = std::make_unique<bzProcessState>();
    std::unique_ptr<bzReport> report = std::make_unique<bzReport>(false);
    std::vector<testsupport::ReportLine> lines;
    std::vector<bool> documents;
    bool terminated = false;
  };

  template <class Process, class... Extra>
  void run(Run& r, const std::vector<std::string>& inputs, Extra&... extra) {
    for (const auto& path : inputs) r.files.addFile(plat::extractFileName(path), path);
    ASSERT_TRUE(r.report->Create(&r.files));
    bzRun<Process> p(&r.files, r.report.get(), &r.settings, r.state.get(), extra...);
    p.start();
    p.waitFor();
    r.lines = testsupport::drain(*r.report);
    for (unsigned i = 0; i < inputs.size(); ++i) r.documents.push_back(p.documentWritten(i));
    r.terminated = p.isTerminated();
  }

  // ga, with the skips as given; the run's report.
  Run auth(const std::vector<std::string>& inputs, bool skips, const std::string& outputDir = "",
           const std::string& outputName = "") {
    Run r;
    r.settings.skipComments = r.settings.skipWhiteChars = skips;
    r.settings.outputDir = outputDir;
    r.settings.outputFileName = outputName;
    run<bzDocAuthProcess>(r, inputs);
    return r;
  }
  Run verif(const std::vector<std::string>& inputs) {
    Run r;
    run<bzDocVerifProcess>(r, inputs);
    return r;
  }

  // Every name in the folder, temporaries included.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename());
    std::sort(out.begin(), out.end());
    return out;
  }

  testsupport::TempRegistry registry_;
  std::string dir_;
};

TEST_F(DocProcess, TheSamplesSTSectionWithBothSkips) {
  const std::string input = put("przyklad.swd", readFile(kSampleSwde));
  const Run r = auth({input}, true);
  EXPECT_EQ(r.documents, std::vector<bool>{true});
  EXPECT_TRUE(holds(r.lines, "Plik wynikowy z sumami kontrolnymi: " + dir_ + "przyklad_crc.swd"));
  const std::string copy = readFile(dir_ + "przyklad_crc.swd");
  const std::vector<std::string> lines = linesOf(copy);
  const auto st = std::find(lines.begin(), lines.end(), "ST;");
  ASSERT_NE(st, lines.end());
  EXPECT_EQ(std::vector<std::string>(st, st + 5),
            (std::vector<std::string>{"ST;", "TD,G5DZE,RO;", "TP,G5IDD;", "XC,2093832669;",
                                      "SXC,1648093069;"}));
  EXPECT_EQ(lines.front(), "SWDE.W.1.13.0;");
  EXPECT_EQ(lines.back().rfind("SWDEXC,", 0), 0u);

  const std::string doc = rtfPlainTextUtf8(readFile(dir_ + "przyklad_crc.swd.aut.rtf"));
  EXPECT_NE(doc.find("Plik:\tprzyklad_crc.swd\n"), std::string::npos) << doc;
  EXPECT_NE(doc.find("Rozmiar pliku (bajty):\t" + std::to_string(copy.size()) + "\n"),
            std::string::npos)
      << doc;
  EXPECT_NE(doc.find("Sekcja ST\t\nLiczba znaków:\t42\nLiczba rekordów:\t1\n"
                     "Suma kontrolna sekcji (CRC-32):\t1648093069\n"),
            std::string::npos)
      << doc;
  EXPECT_NE(doc.find("Sekcja SN\tBrak\n\nSekcja SD\tBrak\n\nSekcja SP\t\n"), std::string::npos)
      << doc;
}

TEST_F(DocProcess, TheCopyIsRebuiltLineByLine) {
  const std::string input = put("dane.swd", kFixture);
  {
    const Run r = auth({input}, true);
    const std::vector<std::string> lines = linesOf(readFile(dir_ + "dane_crc.swd"));
    ASSERT_EQ(lines.size(), 27u);  // the three C lines and the empty line gone
    EXPECT_EQ(lines[0], "SWDE.W.1.13.0;");
    EXPECT_EQ(lines[1], "SP;");
    EXPECT_EQ(lines[2], "B,G5IDD,ZN,;");
    // The value of a D line is the rest of the line, commas and all.
    EXPECT_EQ(lines[19], "D,G5OPIS,D,Dzialka przy ulicy , obok zrodla ;");
    EXPECT_EQ(lines[22], "P,G,5712345.12,6543210.34,;");
    // The old XC and SXC, both X and both SX lines carry sums, the end line
    // too.
    for (const std::size_t i : {4u, 8u, 9u, 20u, 24u, 25u, 26u})
      EXPECT_TRUE(std::regex_match(lines[i], std::regex(R"((XC|SXC|SWDEXC),[0-9]+;)"))) << lines[i];
    EXPECT_NE(lines[8], "XC,123;");
    const std::string doc = rtfPlainTextUtf8(readFile(dir_ + "dane_crc.swd.aut.rtf"));
    EXPECT_NE(doc.find("Liczba linii komentarza:\t0\nLiczba znaków komentarza:\t0\n"),
              std::string::npos)
        << doc;
  }
  {
    const Run r = auth({input}, false);
    const std::string copy = readFile(dir_ + "dane_crc.swd");
    const std::vector<std::string> lines = linesOf(copy);
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(lines[0], "SWDE.W.1.13.0;naglowek");
    EXPECT_EQ(lines[1], "C;komentarz, z przecinkiem");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "SP;  uwaga");
    EXPECT_EQ(lines[22], "D,G5OPIS,D,Dzialka przy ulicy , obok zrodla ;");
    EXPECT_EQ(lines[26], "P,G, 5712345.12,6543210.34 ,;");
    std::uint64_t size = 0;
    for (const auto& l : lines) size += l.size() + 2;
    EXPECT_EQ(size, copy.size());
    // Header, two C lines, the empty line, SP's comment, the C line of the
    // record.
    const std::uint64_t chars = std::string("naglowek").size() +
                                std::string("komentarz, z przecinkiem").size() +
                                std::string("  uwaga").size() + std::string(" a, b; c").size() +
                                std::string("w rekordzie").size();
    const std::string doc = rtfPlainTextUtf8(readFile(dir_ + "dane_crc.swd.aut.rtf"));
    EXPECT_NE(doc.find("Liczba linii komentarza:\t6\nLiczba znaków komentarza:\t" +
                       std::to_string(chars) + "\n"),
              std::string::npos)
        << doc;
    EXPECT_NE(doc.find("Rozmiar pliku (bajty):\t" + std::to_string(size) + "\n"),
              std::string::npos);
  }
  // A SWING file ends with SWINGXC, whatever its end line was.
  const std::string swing = put("p.swg", readFile(kSampleSwing));
  const Run r = auth({swing}, true);
  const std::vector<std::string> lines = linesOf(readFile(dir_ + "p_crc.swg"));
  EXPECT_TRUE(std::regex_match(lines.back(), std::regex(R"(SWINGXC,[0-9]+;)"))) << lines.back();
  const std::string doc = rtfPlainTextUtf8(readFile(dir_ + "p_crc.swg.aut.rtf"));
  EXPECT_NE(doc.find("Sekcja SP\tBrak\n\nSekcja ST\tBrak\n\nSekcja SG\t\n"), std::string::npos)
      << doc;
}

// The copy with the last digit of the first sum after prefix changed.
std::string flipSum(const std::string& copy, const std::string& prefix) {
  std::string out = copy;
  const std::size_t at = out.find(prefix);
  EXPECT_NE(at, std::string::npos) << prefix;
  if (at == std::string::npos) return out;
  const std::size_t end = out.find(';', at + prefix.size());
  out[end - 1] = static_cast<char>(((out[end - 1] - '0') ^ 1) + '0');
  return out;
}

// The copy with the sum line after prefix (whose label is label) replaced by
// the plain end line.
std::string plainEnd(const std::string& copy, const std::string& prefix, const std::string& label,
                     const std::string& plain) {
  std::string out = copy;
  // An empty prefix: the last line with the label.
  const std::size_t at = prefix.empty() ? out.rfind("\n" + label) : out.find(prefix);
  EXPECT_NE(at, std::string::npos) << prefix;
  if (at == std::string::npos) return out;
  const std::size_t start = at + (prefix.empty() ? 1 : prefix.size());
  EXPECT_EQ(out.compare(start, label.size(), label), 0) << prefix;
  const std::size_t end = out.find(';', start);
  out.replace(start, end + 1 - start, plain);
  return out;
}

TEST_F(DocProcess, RoundTripAndOneChangeEach) {
  using Edit = std::function<std::string(const std::string&)>;
  struct Change {
    std::string what;
    Edit edit;
    Findings findings;
  };
  auto swap = [](std::string from, std::string to) {
    return [from, to](const std::string& copy) { return changed(copy, from, to); };
  };
  auto flip = [](std::string prefix) {
    return [prefix](const std::string& copy) { return flipSum(copy, prefix); };
  };
  auto plain = [](std::string prefix, std::string label, std::string line) {
    return [=](const std::string& copy) { return plainEnd(copy, prefix, label, line); };
  };
  const Findings recordSectionFile = {"10006 B", "10005 B", "10004 B"};
  const Findings sectionFile = {"10005 B", "10004 B"};
  const Findings file = {"10004 B"};
  struct Input {
    std::string name, text;
    std::vector<Change> changes;
  };
  const std::vector<Input> inputs = {
      {"dane.swd",
       kFixture,
       {{"a byte in a record", swap("G5PKT,,2", "G5PKU,,2"), recordSectionFile},
        {"a blank after a comma", swap(",6543210.34", ", 6543210.34"), recordSectionFile},
        {"an XC digit", flip("TP,G5IDD;\r\nXC,"), recordSectionFile},
        {"an SXC digit", flip("W,G5DZE;\r\nSXC,"), sectionFile},
        {"a B line of SP", swap("B,G5IDD,ZN,;", "B,G5IDE,ZN,;"), sectionFile},
        {"the SWDEXC digit", flip("SWDEXC,"), file},
        {"the header", swap("SWDE.W.1.13.0;", "SWDE.W.1.14.0;"), file},
        {"X; for XC", plain("TP,G5IDD;\r\n", "XC,", "X;"), {"10003 O", "10005 B", "10004 B"}},
        {"SX; for SXC", plain("W,G5DZE;\r\n", "SXC,", "SX;"), {"10002 O", "10004 B"}},
        {"SWDEX; for SWDEXC", plain("", "SWDEXC,", "SWDEX;"), {"10001 O"}}}},
      {"p.swg",
       readFile(kSampleSwing),
       {{"a byte in a record", swap("D,G5IDB", "D,G5IDC"), recordSectionFile},
        {"a blank after a comma", swap(",6543210.34", ", 6543210.34"), recordSectionFile},
        {"an XC digit", flip("RF,plik.tif,1F,5;\r\nD,G5IDB,D,146501_1.0001.12_BUD;\r\nXC,"),
         recordSectionFile},
        {"an SXC digit", flip("FD,LINIA1,1,0.5,1;\r\nSXC,"), sectionFile},
        {"an A line of SG", swap("A,1;", "A,2;"), sectionFile},
        {"the SWINGXC digit", flip("SWINGXC,"), file},
        {"the header", swap("SWING.W.1.2.0;", "SWING.W.1.3.0;"), file},
        {"X; for XC", plain("_BUD;\r\n", "XC,", "X;"), {"10003 O", "10005 B", "10004 B"}},
        {"SX; for SXC", plain("LINIA1,1,0.5,1;\r\n", "SXC,", "SX;"), {"10002 O", "10004 B"}},
        {"SWINGX; for SWINGXC", plain("", "SWINGXC,", "SWINGX;"), {"10001 O"}}}},
  };
  for (const Input& in : inputs) {
    for (const bool skips : {true, false}) {
      SCOPED_TRACE(in.name + (skips ? " skips on" : " skips off"));
      const std::string input = put(in.name, in.text);
      const std::string copyName = bzCrcCopyName(in.name);
      const Run a = auth({input}, skips);
      ASSERT_EQ(a.documents, std::vector<bool>{true});
      const std::string copy = readFile(dir_ + copyName);
      const Run v = verif({dir_ + copyName});
      EXPECT_EQ(findingsOf(v.lines), Findings{});
      EXPECT_EQ(v.documents, std::vector<bool>{true});
      EXPECT_EQ(readFile(dir_ + copyName + ".aut.rtf"), readFile(dir_ + copyName + ".wer.rtf"));

      for (const Change& c : in.changes) {
        SCOPED_TRACE(c.what);
        const std::string edited = c.edit(copy);
        ASSERT_NE(edited, copy);
        put("zmiana.swd", edited);
        const Run w = verif({dir_ + "zmiana.swd"});
        EXPECT_EQ(findingsOf(w.lines), c.findings);
        EXPECT_EQ(w.documents, std::vector<bool>{true});
      }
    }
  }
}

TEST_F(DocProcess, AFaultyLineAWriteFailureOrAStopLeaveTheOlderPair) {
  const std::string a = put("a.swd", kFixture);
  const std::string b = put("b.swd", kFixture);
  ASSERT_EQ(auth({a, b}, true).documents, (std::vector<bool>{true, true}));
  const std::string olderCopy = readFile(dir_ + "a_crc.swd");
  const std::string olderDoc = readFile(dir_ + "a_crc.swd.aut.rtf");
  const std::vector<std::string> before = names();
  auto untouched = [&] {
    EXPECT_EQ(readFile(dir_ + "a_crc.swd"), olderCopy);
    EXPECT_EQ(readFile(dir_ + "a_crc.swd.aut.rtf"), olderDoc);
    EXPECT_EQ(names(), before);  // no temporary file left
  };

  {
    SCOPED_TRACE("a faulty line");
    put("a.swd", changed(kFixture, "TP,G5IDD;", "TP,G5IDD,,,;"));
    fs::remove(dir_ + "b_crc.swd");
    const Run r = auth({a, b}, true);
    EXPECT_EQ(r.documents, (std::vector<bool>{false, true}));
    EXPECT_TRUE(holds(r.lines, "Proces przerwano z powodu niepoprawności pliku"));
    EXPECT_TRUE(holds(r.lines, "Plik wynikowy i dokument autoryzacji nie zostały zapisane"));
    untouched();
  }
  {
    SCOPED_TRACE("a write failure");
    std::string big = kFixture.substr(0, kFixture.find("SX;\r\nSWDEXC"));
    const std::string record =
        "RP,G5PKT,,2,,;\r\nP,G,5712345.12,6543210.34,;\r\nD,G5NRP,D,1;\r\nX;\r\n";
    for (int i = 0; i < 300; ++i) big += record;
    put("a.swd", big + "SX;\r\nSWDEXC,7;\r\n");
    Run r;
    {
      testsupport::FileSizeLimit limit(8192);
      ASSERT_TRUE(limit);
      r = auth({a, b}, true);
    }
    EXPECT_EQ(r.documents, (std::vector<bool>{false, true}));
    EXPECT_TRUE(
        holds(r.lines, "Wystąpił błąd w trakcie przetwarzania pliku. Błąd zapisu pliku " + dir_ +
                           "a_crc.swd: " + plat::cp1250ToUtf8(plat::fileWriteErrorReason(EFBIG))));
    EXPECT_EQ(r.state->getFileInfo(0).errors, 1u);
    untouched();
  }
  {
    SCOPED_TRACE("a document that cannot take its place");
    put("a.swd", kFixture);
    fs::rename(dir_ + "a_crc.swd.aut.rtf", dir_ + "aside.rtf");
    fs::create_directory(dir_ + "a_crc.swd.aut.rtf");
    put("a_crc.swd.aut.rtf/x", "x");
    const Run r = auth({a}, true);
    EXPECT_EQ(r.documents, std::vector<bool>{false});
    EXPECT_TRUE(holds(
        r.lines,
        "Wystąpił błąd w trakcie generacji dokumentu do autoryzacji: "
        "Błąd zapisu pliku " +
            dir_ + "a_crc.swd.aut.rtf: " + plat::cp1250ToUtf8(plat::fileWriteErrorReason(EISDIR))));
    EXPECT_EQ(readFile(dir_ + "a_crc.swd"), olderCopy);
    fs::remove_all(dir_ + "a_crc.swd.aut.rtf");
    fs::rename(dir_ + "aside.rtf", dir_ + "a_crc.swd.aut.rtf");
    untouched();
  }
  {
    SCOPED_TRACE("a stop");
    testsupport::Gate gate;
    Run r;
    r.files.addFile("a.swd", a);
    r.files.addFile("b.swd", b);
    ASSERT_TRUE(r.report->Create(&r.files));
    bzRun<Gated<bzDocAuthProcess>> p(&r.files, r.report.get(), &r.settings, r.state.get(), gate);
    p.start();
    gate.waitReached();
    p.stop(0);
    gate.open();
    p.waitFor();
    r.lines = testsupport::drain(*r.report);
    EXPECT_FALSE(p.documentWritten(0));
    EXPECT_FALSE(p.documentWritten(1));
    EXPECT_TRUE(holds(r.lines, "Plik wynikowy i dokument autoryzacji nie zostały zapisane"));
    EXPECT_TRUE(holds(r.lines, "Przetwarzanie zostało przerwane przez użytkownika"));
    untouched();
  }
}

TEST_F(DocProcess, TargetsAndTheirRefusals) {
  const std::string input = put("dane.swd", kFixture);
  fs::create_directory(dir_ + "out");
  {
    // An output folder without "/".
    const Run r = auth({input}, true, dir_ + "out", "");
    EXPECT_EQ(r.documents, std::vector<bool>{true});
    EXPECT_TRUE(fs::exists(dir_ + "out/dane_crc.swd"));
    EXPECT_TRUE(fs::exists(dir_ + "out/dane_crc.swd.aut.rtf"));
    const Run v = verif({dir_ + "out/dane_crc.swd"});
    EXPECT_TRUE(fs::exists(dir_ + "out/dane_crc.swd.wer.rtf"));
  }
  fs::create_directory_symlink(dir_, dir_ + "link");
  for (const std::string& folder : {dir_, dir_ + "link"}) {
    SCOPED_TRACE(folder);
    const std::string other = put("inny.swd", kFixture);
    fs::remove(dir_ + "inny_crc.swd");
    // The copy of the first would be the input itself.
    Run r;
    r.settings.outputDir = folder;
    r.settings.outputFileName = "dane.swd";
    r.files.addFile("dane.swd", input);
    ASSERT_TRUE(r.report->Create(&r.files));
    {
      bzRun<bzDocAuthProcess> p(&r.files, r.report.get(), &r.settings, r.state.get());
      p.start();
      p.waitFor();
      EXPECT_FALSE(p.documentWritten(0));
    }
    r.lines = testsupport::drain(*r.report);
    const std::string target = (folder.back() == '/' ? folder : folder + "/") + "dane.swd";
    EXPECT_TRUE(holds(r.lines, "Plik wynikowy jest plikiem wejściowym: " + target));
    EXPECT_EQ(r.state->getTotalErrorsNum(), 1u);
    EXPECT_EQ(readFile(input), kFixture);
  }
  {
    // One output name for two inputs: nothing is processed.
    const std::vector<std::string> before = names();
    const Run r = auth({input, dir_ + "inny.swd"}, true, "", "wynik.swd");
    EXPECT_TRUE(holds(r.lines, "Nazwa pliku wynikowego dotyczy tylko jednego pliku wejściowego"));
    EXPECT_FALSE(holds(r.lines, "Przetwarzanie pliku nr 1..."));
    EXPECT_EQ(r.state->getTotalErrorsNum(), 1u);
    EXPECT_EQ(names(), before);
  }
}

TEST_F(DocProcess, ATruncatedFileEndsTheRun) {
  const std::string cut = put("cut.swd", kFixture.substr(0, kFixture.find("D,G5NRP")));
  const std::string good = put("good.swd", kFixture);
  const Run r = auth({cut, good}, true);
  EXPECT_EQ(r.documents, (std::vector<bool>{false, false}));
  EXPECT_TRUE(holds(r.lines, "Niepoprawne zakończenie pliku!"));
  EXPECT_FALSE(holds(r.lines, "Przetwarzanie pliku nr 2..."));
  EXPECT_EQ(findingsOf(r.lines).size(), 1u);
  ASSERT_GE(r.lines.size(), 3u);
  const std::string notice = "Przetwarzanie przerwano z powodu niepoprawnego zakończenia pliku";
  EXPECT_EQ(r.lines[r.lines.size() - 4].text, " ");
  EXPECT_EQ(r.lines[r.lines.size() - 3].text, cp(notice));
  EXPECT_EQ(plat::cp1250ToUtf8(r.state->getStateMessage()), notice);
  EXPECT_FALSE(holds(r.lines, "Przetwarzanie zostało przerwane przez użytkownika"));
  EXPECT_FALSE(fs::exists(dir_ + "cut_crc.swd"));
  EXPECT_FALSE(fs::exists(dir_ + "good_crc.swd"));

  // The verification of a cut copy still writes its document.
  ASSERT_EQ(auth({good}, true).documents, std::vector<bool>{true});
  const std::string copy = readFile(dir_ + "good_crc.swd");
  const std::string cutCopy =
      put("cut_crc.swd", copy.substr(0, copy.find("SXC,", copy.find("SO;"))));
  const Run v = verif({cutCopy, dir_ + "good_crc.swd"});
  EXPECT_EQ(v.documents, (std::vector<bool>{true, false}));
  EXPECT_TRUE(holds(v.lines, "Niepoprawne zakończenie pliku!"));
  EXPECT_TRUE(holds(v.lines, notice));
}

TEST_F(DocProcess, DocumentFailuresPublishNothing) {
  const std::string input = put("dane.swd", kFixture);
  bzDocGenerator::setScriptPath(dir_ + "none.reg");
  const Run r = auth({input}, true);
  EXPECT_EQ(r.documents, std::vector<bool>{false});
  EXPECT_TRUE(holds(r.lines,
                    "Wystąpił błąd w trakcie generacji dokumentu do autoryzacji: Nie znaleziono "
                    "słowa kluczowego $$DATA"));
  EXPECT_EQ(r.state->getTotalErrorsNum(), 1u);
  EXPECT_EQ(names(), std::vector<std::string>{"dane.swd"});

  // The verification of a copy made with the templates.
  bzDocGenerator::setScriptPath(kScript);
  {
    plat::TRegistry reg;
    reg.RootKey = plat::HKEY_LOCAL_MACHINE;
    ASSERT_TRUE(reg.OpenKey(bzDocGenerator::kTemplateKey, false));
    reg.WriteString("DA_HEAD", "");  // all four empty again: the script comes back
  }
  ASSERT_EQ(auth({input}, true).documents, std::vector<bool>{true});
  {
    plat::TRegistry reg;
    reg.RootKey = plat::HKEY_LOCAL_MACHINE;
    ASSERT_TRUE(reg.OpenKey(bzDocGenerator::kTemplateKey, false));
    reg.WriteString("DA_FOOT", "");
  }
  const Run v = verif({dir_ + "dane_crc.swd"});
  EXPECT_EQ(v.documents, std::vector<bool>{false});
  EXPECT_TRUE(holds(v.lines,
                    "Wystąpił błąd w trakcie generacji dokumentu do weryfikacji: Pusty szablon "
                    "dokumentu DA_FOOT"));
  EXPECT_FALSE(fs::exists(dir_ + "dane_crc.swd.wer.rtf"));
}

TEST_F(DocProcess, AStoppedVerificationStillWritesItsDocument) {
  const std::string input = put("dane.swd", kFixture);
  ASSERT_EQ(auth({input}, true).documents, std::vector<bool>{true});
  testsupport::Gate gate;
  Run r;
  r.files.addFile("dane_crc.swd", dir_ + "dane_crc.swd");
  ASSERT_TRUE(r.report->Create(&r.files));
  bzRun<Gated<bzDocVerifProcess>> p(&r.files, r.report.get(), &r.settings, r.state.get(), gate);
  p.start();
  gate.waitReached();
  p.stop(0);
  gate.open();
  p.waitFor();
  EXPECT_TRUE(p.documentWritten(0));
  EXPECT_TRUE(fs::exists(dir_ + "dane_crc.swd.wer.rtf"));
}

// An output that exists as something other than a regular file (a FIFO, a
// device reached through a link) is refused and stays what it was: neither
// the copy nor a document takes its place, and no temporary file is left.
TEST_F(DocProcess, OutputsThatAreNotRegularFilesAreRefusedAndKept) {
  const std::string input = put("dane.swd", kFixture);
  // A copy with sound sums to verify.
  ASSERT_EQ(auth({input}, true).documents, std::vector<bool>{true});
  fs::rename(dir_ + "dane_crc.swd", dir_ + "kopia.swd");
  fs::remove(dir_ + "dane_crc.swd.aut.rtf");
  const std::string copy = dir_ + "kopia.swd";
  const std::string notRegular =
      plat::cp1250ToUtf8(plat::fileWriteErrorReason(plat::kNotRegularFile));
  struct Case {
    const char* what;
    bool verification;
    const char* output;   // in dir_
    bool fifo;            // else a link to /dev/null
    const char* message;  // UTF-8 up to the path
  };
  const Case cases[] = {
      {"ga, the copy a FIFO", false, "dane_crc.swd", true,
       "Wystąpił błąd w trakcie przetwarzania pliku. Błąd zapisu pliku "},
      {"ga, the copy a device", false, "dane_crc.swd", false,
       "Wystąpił błąd w trakcie przetwarzania pliku. Błąd zapisu pliku "},
      {"ga, the document a FIFO", false, "dane_crc.swd.aut.rtf", true,
       "Wystąpił błąd w trakcie generacji dokumentu do autoryzacji: Błąd zapisu pliku "},
      {"wa, the document a FIFO", true, "kopia.swd.wer.rtf", true,
       "Wystąpił błąd w trakcie generacji dokumentu do weryfikacji: Błąd zapisu pliku "},
      {"wa, the document a device", true, "kopia.swd.wer.rtf", false,
       "Wystąpił błąd w trakcie generacji dokumentu do weryfikacji: Błąd zapisu pliku "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string output = dir_ + c.output;
    if (c.fifo)
      ASSERT_EQ(::mkfifo(output.c_str(), 0600), 0);
    else
      ASSERT_EQ(::symlink("/dev/null", output.c_str()), 0);
    const std::vector<std::string> before = names();
    const Run r = c.verification ? verif({copy}) : auth({input}, true);
    EXPECT_EQ(r.documents, std::vector<bool>{false});
    EXPECT_TRUE(holds(r.lines, c.message + output + ": " + notRegular));
    EXPECT_EQ(r.state->getFileInfo(0).errors, 1u);
    EXPECT_EQ(names(), before);
    struct stat st;
    ASSERT_EQ(::lstat(output.c_str(), &st), 0);
    EXPECT_TRUE(c.fifo ? S_ISFIFO(st.st_mode) : S_ISLNK(st.st_mode));
    fs::remove(output);
  }
}

// The lines that name the input and the outputs show them as cp1250 text.
TEST_F(DocProcess, ReportLinesNameTheFilesAsCp1250Text) {
  const std::string input = put("łąka.swd", kFixture);
  const Run r = auth({input}, true);
  ASSERT_EQ(r.documents, std::vector<bool>{true});
  const std::string shown = dir_ + plat::cp1250ToUtf8(cp("łąka"));
  EXPECT_TRUE(holds(r.lines, "Przetwarzanie pliku: " + shown + ".swd"));
  EXPECT_TRUE(holds(r.lines, "Plik wynikowy z sumami kontrolnymi: " + shown + "_crc.swd"));
  EXPECT_TRUE(holds(r.lines, "Generowanie dokumentu autoryzacji: " + shown + "_crc.swd.aut.rtf"));
  const Run v = verif({dir_ + "łąka_crc.swd"});
  EXPECT_TRUE(
      holds(v.lines, "Generowanie dokumentu do weryfikacji: " + shown + "_crc.swd.wer.rtf"));
  // The raw name stays what the files are written under.
  EXPECT_TRUE(fs::exists(dir_ + "łąka_crc.swd.wer.rtf"));
}

}  // namespace
