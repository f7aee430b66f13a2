// The window's action controller: what each starter hands the process, the
// merge that would overwrite an input, and the temporary report's names.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/guiActions.h"
#include "platform/CodePage.h"
#include "support/Files.h"
#include "support/Gate.h"

namespace {

using plat::AnsiString;
using plat::cp;
using swde::ActionInputs;
using swde::bzFileList;
using swde::bzProcessState;
using swde::bzProcessThread;
using swde::bzReport;
using swde::bzRun;
using swde::bzSettings;
using swde::guiActions;
using testsupport::TempFolder;

// $TMPDIR for a scope (unset with nullopt); the earlier value comes back.
class TmpDir {
 public:
  explicit TmpDir(const std::optional<std::string>& value) {
    if (const char* old = std::getenv("TMPDIR")) saved_ = old;
    set(value);
  }
  ~TmpDir() { set(saved_); }
  static void set(const std::optional<std::string>& value) {
    if (value)
      ::setenv("TMPDIR", value->c_str(), 1);
    else
      ::unsetenv("TMPDIR");
  }

 private:
  std::optional<std::string> saved_;
};

struct CountingTimer : guiActions::Timer {
  void enable() override { ++enabled; }
  int enabled = 0;
};

enum class Starter { Syntax, DocAuth, DocVerif, Merge, Semantic };

bool run(guiActions& a, Starter s, ActionInputs& in) {
  switch (s) {
    case Starter::Syntax:
      return a.startSyntax(in);
    case Starter::DocAuth:
      return a.startDocAuth(in);
    case Starter::DocVerif:
      return a.startDocVerif(in);
    case Starter::Merge:
      return a.startMerge(in);
    case Starter::Semantic:
      return a.startSemantic(in);
  }
  return false;
}

TEST(GuiActions, StartersFillTheSettingsByTheFolderTable) {
  const struct {
    const char* what;
    Starter starter;
    bool dataDefault;
    const char* outputEdit;
    const char* reportEdit;
    const char* outputDir;        // handed to the process
    const char* reportDir;        // handed to the process
    const char* outputEditAfter;  // what the window shows afterwards
    const char* reportEditAfter;
  } cases[] = {
      {"syntax, default folder", Starter::Syntax, true, "/o  ", "/r ", "", "", "/o  ", "/r "},
      {"syntax, own folder", Starter::Syntax, false, "/o  ", "/r ", "/o/", "", "/o/", "/r "},
      {"authorization, default", Starter::DocAuth, true, "/o", "/r  ", "", "/r/", "/o/", "/r/"},
      {"authorization, own", Starter::DocAuth, false, "/o", "/r/", "/o/", "/r/", "/o/", "/r/"},
      {"verification, default", Starter::DocVerif, true, "/o ", "/r", "/o/", "/r/", "/o/", "/r/"},
      {"verification, own", Starter::DocVerif, false, "/o", "", "/o/", "", "/o/", ""},
      {"semantics, default", Starter::Semantic, true, "/o", "/r", "/o/", "/r/", "/o/", "/r/"},
      {"blank edits stay empty", Starter::Semantic, false, "   ", " ", "", "", "", ""},
  };
  TempFolder dir;
  for (const auto& c : cases) {
    CountingTimer timer;
    ActionInputs in;
    in.saveDataDefault = c.dataDefault;
    in.outputFolder = c.outputEdit;
    in.reportFolder = c.reportEdit;
    in.exclComments = false;
    in.exclWhiteChars = true;
    in.reportCondensed = false;
    in.maxErrors = 7;
    in.files = {{"a.swd", dir / "a.swd"}, {"b.swd", dir / "b.swd"}};  // not there
    guiActions a(&timer, [] { return std::uint64_t{4242}; });
    ASSERT_TRUE(run(a, c.starter, in)) << c.what;
    a.deleteProcess();
    const bzSettings& s = a.getSettings();
    EXPECT_EQ(s.outputDir, c.outputDir) << c.what;
    EXPECT_EQ(s.reportDir, c.reportDir) << c.what;
    EXPECT_EQ(in.outputFolder, c.outputEditAfter) << c.what;
    EXPECT_EQ(in.reportFolder, c.reportEditAfter) << c.what;
    EXPECT_FALSE(s.skipComments) << c.what;
    EXPECT_TRUE(s.skipWhiteChars) << c.what;
    EXPECT_EQ(s.maxErrors, 7) << c.what;
    // Only the semantic check takes the condensed report from the window.
    EXPECT_EQ(s.reportCondensed, c.starter != Starter::Semantic) << c.what;
    EXPECT_EQ(a.getFileCount(), 2) << c.what;
    EXPECT_EQ(timer.enabled, 1) << c.what;
    EXPECT_EQ(a.startTick(), 4242u) << c.what;
  }
}

TEST(GuiActions, MergeTakesFolderAndNameOfTheResult) {
  TempFolder dir;
  ActionInputs in;
  in.outputFolder = "/elsewhere/";
  in.reportFolder = "/reports/";
  in.files = {{"a.swd", dir / "a.swd"}, {"b.swd", dir / "b.swd"}};
  guiActions a(nullptr);
  a.setResultPath(dir / "wynik.swde");
  ASSERT_TRUE(a.startMerge(in));
  a.deleteProcess();
  EXPECT_EQ(a.getSettings().outputDir, dir.path() + "/");
  EXPECT_EQ(a.getSettings().outputFileName, "wynik.swde");
  EXPECT_EQ(a.getSettings().reportDir, "");
  EXPECT_EQ(in.outputFolder, "/elsewhere/");  // not read
}

TEST(GuiActions, MergeOntoAnInputStartsNothing) {
  TempFolder dir;
  testsupport::writeFile(dir / "a.swd", "x");
  testsupport::writeFile(dir / "b.swd", "y");
  ASSERT_EQ(::symlink((dir / "a.swd").c_str(), (dir / "link.swd").c_str()), 0);
  ASSERT_EQ(::link((dir / "b.swd").c_str(), (dir / "hard.swd").c_str()), 0);
  ActionInputs in;
  in.files = {{"a.swd", dir / "a.swd"}, {"b.swd", dir / "b.swd"}};
  const struct {
    std::string result;
    bool conflict;
  } cases[] = {
      {dir / "a.swd", true},    {dir.path() + "/./b.swd", true},
      {dir / "link.swd", true},  // the same file under another name
      {dir / "hard.swd", true}, {dir / "new.swd", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(guiActions::mergeOutputConflict(in, c.result),
              c.conflict ? cp("Plik wynikowy jest plikiem wejściowym: ") + c.result : "")
        << c.result;
  }
  const std::size_t before = dir.entries();
  guiActions a(nullptr);
  a.setResultPath(dir / "link.swd");
  EXPECT_FALSE(a.startMerge(in));
  EXPECT_EQ(a.errorMessage(), cp("Plik wynikowy jest plikiem wejściowym: ") + (dir / "link.swd"));
  EXPECT_EQ(a.getProcess(), nullptr);
  EXPECT_EQ(testsupport::readFile(dir / "a.swd"), "x");
  EXPECT_EQ(dir.entries(), before);
}

TEST(GuiActions, NormalizingAFolderEdit) {
  const struct {
    const char* text;
    const char* normalized;
  } cases[] = {
      {"", ""}, {"   ", ""}, {"/", "/"}, {"/a", "/a/"}, {"/a/", "/a/"}, {"/a b  ", "/a b/"},
  };
  for (const auto& c : cases) EXPECT_EQ(guiActions::normalizeFolder(c.text), c.normalized);
}

// An action over a missing file: it ends at once with a short report.
std::unique_ptr<guiActions> endedAction(const std::string& dir) {
  auto a = std::make_unique<guiActions>(nullptr);
  ActionInputs in;
  in.files = {{"a.swd", dir + "/missing.swd"}};
  EXPECT_TRUE(a->startSyntax(in));
  a->deleteProcess();
  return a;
}

TEST(GuiActions, TemporaryReportsTakeTheNextFreeNumber) {
  TempFolder dir;
  TmpDir tmp(dir.path());
  guiActions::setNextReportNumber(1);
  testsupport::writeFile(dir / "TMP3.$$$", "taken");
  const char* expected[] = {"TMP1.$$$", "TMP2.$$$", "TMP4.$$$"};
  for (const char* name : expected) {
    auto a = endedAction(dir.path());
    const std::string path = a->saveReport();
    EXPECT_EQ(path, dir / name);
    EXPECT_TRUE(a->errorMessage().empty());
    // A whole report: its first line is the start line.
    EXPECT_GT(testsupport::readFile(path).size(), 8u) << name;
  }
  EXPECT_EQ(testsupport::readFile(dir / "TMP3.$$$"), "taken");

  // After 65535 the numbers start from 1 again (1 and 2 are taken now).
  guiActions::setNextReportNumber(65535);
  auto last = endedAction(dir.path());
  EXPECT_EQ(last->saveReport(), dir / "TMP65535.$$$");
  auto wrapped = endedAction(dir.path());
  EXPECT_EQ(wrapped->saveReport(), dir / "TMP5.$$$");
}

TEST(GuiActions, TemporaryReportWithoutTmpdirGoesToTheDefaultFolder) {
  TempFolder dir;
  TmpDir tmp(std::nullopt);
  auto a = endedAction(dir.path());
  const std::string path = a->saveReport();
  ASSERT_EQ(path.rfind("/tmp/TMP", 0), 0u) << path;
  EXPECT_EQ(path.substr(path.size() - 4), ".$$$");
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  ::unlink(path.c_str());
}

TEST(GuiActions, TemporaryReportThatCannotBeSaved) {
  TempFolder dir;
  TmpDir tmp(dir.path());
  auto a = endedAction(dir.path());
  TmpDir::set(dir / "gone");  // the folder vanished since the report was made
  EXPECT_EQ(a->saveReport(), "");
  EXPECT_NE(a->errorMessage().find(cp("Nie można zapisać raportu w pliku ")), std::string::npos)
      << a->errorMessage();
  // The report's own temporary file goes with the controller.
  a.reset();
  EXPECT_EQ(dir.entries(), 0u);
}

TEST(GuiActions, ReportThatCannotBeMadeStartsNothing) {
  TempFolder dir;
  TmpDir tmp(dir / "gone");
  CountingTimer timer;
  guiActions a(&timer);
  ActionInputs in;
  in.files = {{"a.swd", dir / "a.swd"}};
  EXPECT_FALSE(a.startSyntax(in));
  EXPECT_FALSE(a.errorMessage().empty());
  EXPECT_EQ(a.getProcess(), nullptr);
  EXPECT_EQ(timer.enabled, 0);
}

// A process that writes a few lines and then waits at a gate.
class HeldProcess : public bzProcessThread {
 public:
  HeldProcess(RunKey key, bzFileList* f, bzReport* r, bzSettings* s, bzProcessState* st,
              testsupport::Gate& gate)
      : bzProcessThread(key, f, r, s, st), gate_(gate) {}
  AnsiString getTitle() const override { return "held"; }

 protected:
  int process() override {
    addToReport("first");
    addToReport("");
    addToReport("third");
    gate_.pass();
    return 0;
  }

 private:
  testsupport::Gate& gate_;
};

TEST(GuiActions, LinesOfARunInProgress) {
  testsupport::Gate gate;
  auto a = std::make_unique<guiActions>(nullptr);
  ActionInputs in;
  ASSERT_TRUE(a->start(in, [&](bzFileList* f, bzReport* r, bzSettings* s, bzProcessState* st) {
    return std::make_unique<bzRun<HeldProcess>>(f, r, s, st, gate);
  }));
  gate.waitReached();
  EXPECT_TRUE(a->isRunning());
  // The lines written so far, in order, the empty one too.
  std::vector<std::string> lines;
  for (int i = 0; i < a->getLineCount(); ++i) lines.push_back(a->getNextLine());
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"first", "", "third"}));
  EXPECT_EQ(a->getNextLine(), "");  // none further yet
  gate.open();
  a.reset();  // the process, maybe still ending, goes before the objects it uses
}

// A process whose run fails critically.
class FailingProcess : public bzProcessThread {
 public:
  FailingProcess(RunKey key, bzFileList* f, bzReport* r, bzSettings* s, bzProcessState* st)
      : bzProcessThread(key, f, r, s, st) {}
  AnsiString getTitle() const override { return "failing"; }

 protected:
  int process() override { throw std::runtime_error("dysk pełny"); }
};

TEST(GuiActions, CriticalFailureReachesTheNotifierSetBeforeTheStart) {
  auto a = std::make_unique<guiActions>(nullptr);
  std::mutex m;
  std::vector<std::string> seen;
  a->setCriticalNotifier([&](const AnsiString& text, const AnsiString&) {
    std::lock_guard<std::mutex> lock(m);
    seen.push_back(text);
  });
  ActionInputs in;
  ASSERT_TRUE(a->start(in, [](bzFileList* f, bzReport* r, bzSettings* s, bzProcessState* st) {
    return std::make_unique<bzRun<FailingProcess>>(f, r, s, st);
  }));
  a->getProcess()->waitFor();
  EXPECT_TRUE(a->getProcess()->failedCritically());
  std::lock_guard<std::mutex> lock(m);
  EXPECT_EQ(seen, std::vector<std::string>{"dysk pełny"});
}

}  // namespace
