// Inputs that are there but cannot be read as data files: each is one error
// of its file, named with the reason, and the file counts as not opened (the
// console's exit status 1), in every process that opens inputs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "processing/bzDocAuthProcess.h"
#include "processing/bzDocVerifProcess.h"
#include "processing/bzSyntaxProcess.h"
#include "support/Files.h"
#include "support/InChild.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"

using namespace swde;
using plat::cp;

namespace {

using Line = testsupport::ReportLine;
using testsupport::TempFolder;
using testsupport::writeFile;

const std::string kClean =
    "SWDE.W.1.13.0;\nSP;\nB,G5IDD,ZN,;\nW,G5DZE;\nSX;\nSO;\nRD,G5KLU,,1,,;\nD,G5OFU,D,R;\nX;\nSX;\n"
    "SWDEX;\n";

struct Unreadable {
  const char* what;
  // Makes the input in folder; its path.
  std::string (*make)(const TempFolder& folder);
  int err;  // the reason, as plat::fileErrorReason words it
};

const Unreadable kUnreadables[] = {
    {"folder",
     [](const TempFolder& f) {
       const std::string p = f / "katalog.swd";
       EXPECT_EQ(::mkdir(p.c_str(), 0700), 0);
       return p;
     },
     EISDIR},
    {"FIFO without a writer",
     [](const TempFolder& f) {
       const std::string p = f / "potok.swd";
       EXPECT_EQ(::mkfifo(p.c_str(), 0600), 0);
       return p;
     },
     plat::kNotRegularFile},
    {"device", [](const TempFolder&) { return std::string("/dev/null"); }, plat::kNotRegularFile},
    {"name too long for the system",
     [](const TempFolder& f) { return f / (std::string(300, 'd') + ".swd"); }, ENAMETOOLONG},
};

std::string cannotOpen(const std::string& path, int err) {
  return cp("Nie można otworzyć pliku: ") + plat::fileNameToCp1250(path) + " (" +
         plat::fileErrorReason(err) + ")";
}

bool holds(const std::vector<Line>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(), [&](const Line& l) { return l.text == text; });
}

bool startsAny(const std::vector<Line>& lines, const std::string& prefix) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const Line& l) { return l.text.rfind(prefix, 0) == 0; });
}

struct InputRun : testsupport::RunObjects {
  std::vector<Line> lines;
  bool critical = false;
  std::vector<bool> documents;

  void add(const std::string& path) { files.addFile(plat::extractFileName(path), path); }

  template <class Process>
  void run() {
    ASSERT_TRUE(report.Create(&files));
    bzRun<Process> p(&files, &report, &settings, &state);
    p.start();
    p.waitFor();
    lines = testsupport::drain(report);
    critical = p.failedCritically();
    if constexpr (!std::is_same_v<Process, bzSyntaxProcess>)
      for (unsigned i = 0; i < files.getFileCount(); ++i) documents.push_back(p.documentWritten(i));
  }
};

// What every process leaves for an unreadable file i: the reason named, one
// error counted, the file not opened and counted among those proceeded.
void expectNotOpened(const InputRun& r, unsigned i, const std::string& path, int err) {
  EXPECT_TRUE(holds(r.lines, cannotOpen(path, err)));
  EXPECT_FALSE(startsAny(r.lines, cp("Wewnętrzny błąd programu")));
  EXPECT_FALSE(holds(r.lines, cp("Nie znaleziono pliku!")));
  const bzProcessState::FileInfo info = r.state.getFileInfo(static_cast<int>(i));
  EXPECT_EQ(info.status, bzProcessState::FileInfo::NotOpened);
  EXPECT_EQ(info.errors, 1u);
  EXPECT_GT(r.state.getFilesProceeded(), i);
  EXPECT_FALSE(r.critical);
}

TEST(UnreadableInput, SyntaxCheckCountsItAndGoesOnWithTheNextFile) {
  for (const Unreadable& u : kUnreadables) {
    SCOPED_TRACE(u.what);
    TempFolder folder;
    const std::string bad = u.make(folder);
    const std::string good = folder / "dobry.swd";
    writeFile(good, kClean);
    InputRun r;
    r.add(bad);
    r.add(good);
    r.run<bzSyntaxProcess>();
    expectNotOpened(r, 0, bad, u.err);
    EXPECT_EQ(r.state.getTotalErrorsNum(), 1u);
    EXPECT_TRUE(holds(r.lines, "Przetwarzanie pliku nr 2..."));
    EXPECT_EQ(r.state.getFileInfo(1).status, bzProcessState::FileInfo::Opened);
    EXPECT_EQ(r.state.getFileInfo(1).errors, 0u);
    // The summary tells the count of the file.
    const auto at = std::find(r.lines.begin(), r.lines.end(),
                              Line{-1, -1, -1, "Plik: " + plat::fileNameToCp1250(bad)});
    ASSERT_NE(at, r.lines.end());
    ASSERT_NE(at + 1, r.lines.end());
    EXPECT_EQ((at + 1)->text, cp("  => liczba błędów    : 1"));
  }
}

TEST(UnreadableInput, AuthorizationAndVerificationCountItAndWriteNothing) {
  for (const Unreadable& u : kUnreadables) {
    for (const bool verification : {false, true}) {
      SCOPED_TRACE(std::string(u.what) + (verification ? ", wa" : ", ga"));
      TempFolder folder;
      const std::string bad = u.make(folder);
      InputRun r;
      r.settings.outputDir = folder.path();
      r.add(bad);
      if (verification)
        r.run<bzDocVerifProcess>();
      else
        r.run<bzDocAuthProcess>();
      expectNotOpened(r, 0, bad, u.err);
      EXPECT_EQ(r.state.getTotalErrorsNum(), 1u);
      EXPECT_EQ(r.documents, std::vector<bool>{false});
    }
  }
}

// Without read permission. Root reads any file, so a root test program checks
// it in a child that has given root up.
TEST(UnreadableInput, NoReadPermissionIsNamed) {
  TempFolder folder;
  ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
  const std::string locked = folder / "zamkniety.swd";
  writeFile(locked, kClean);
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  const bool ok = testsupport::inChild([&] {
    if (!testsupport::dropRoot()) return false;
    InputRun r;
    r.add(locked);
    r.run<bzSyntaxProcess>();
    const bzProcessState::FileInfo info = r.state.getFileInfo(0);
    const bool good = holds(r.lines, cannotOpen(locked, EACCES)) && info.status == 0 &&
                      info.errors == 1 && r.state.getTotalErrorsNum() == 1;
    if (!good)
      for (const Line& l : r.lines)
        std::fprintf(stderr, "%s\n", plat::cp1250ToUtf8(l.text).c_str());
    return good;
  });
  EXPECT_TRUE(ok);
}

// A file that passes the first look and then cannot be opened by the reader
// (it was replaced in between) is no clean result either.
class ReplacedBeforeReading : public bzSyntaxProcess {
 public:
  ReplacedBeforeReading(RunKey key, InputRun& r, std::string path)
      : bzSyntaxProcess(key, &r.files, &r.report, &r.settings, &r.state), path_(std::move(path)) {}

 protected:
  plat::ComPtr<PlikSW> createFileInterface() override {
    EXPECT_EQ(std::rename(path_.c_str(), (path_ + ".stary").c_str()), 0);
    EXPECT_EQ(::mkdir(path_.c_str(), 0700), 0);
    return bzSyntaxProcess::createFileInterface();
  }

 private:
  std::string path_;
};

TEST(UnreadableInput, FileGoneBetweenTheCheckAndTheReaderCountsAsNotOpened) {
  TempFolder folder;
  const std::string path = folder / "znika.swd";
  writeFile(path, kClean);
  InputRun r;
  r.add(path);
  ASSERT_TRUE(r.report.Create(&r.files));
  {
    bzRun<ReplacedBeforeReading> p(r, path);
    p.start();
    p.waitFor();
    EXPECT_FALSE(p.failedCritically());
  }
  r.lines = testsupport::drain(r.report);
  EXPECT_TRUE(startsAny(r.lines, cp("Wewnętrzny błąd programu. ")));
  const bzProcessState::FileInfo info = r.state.getFileInfo(0);
  EXPECT_EQ(info.status, bzProcessState::FileInfo::NotOpened);
  EXPECT_EQ(info.errors, 1u);
  EXPECT_EQ(r.state.getTotalErrorsNum(), 1u);
}

// A missing file keeps its own words and is no finding of the data.
TEST(UnreadableInput, MissingFileStaysNotFound) {
  TempFolder folder;
  InputRun r;
  r.add(folder / "brak.swd");
  r.run<bzSyntaxProcess>();
  EXPECT_TRUE(holds(r.lines, "Nie znaleziono pliku!"));
  EXPECT_EQ(r.state.getFileInfo(0).status, bzProcessState::FileInfo::NotOpened);
  EXPECT_EQ(r.state.getTotalErrorsNum(), 0u);
}

}  // namespace
