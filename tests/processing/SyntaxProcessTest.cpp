#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <latch>
#include <mutex>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "processing/bzSyntaxProcess.h"
#include "support/BlockParameters.h"
#include "support/BrokenReads.h"
#include "support/Gate.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"
#include "support/TempFile.h"

using namespace swde;
using plat::cp;

namespace {

using Line = testsupport::ReportLine;

using testsupport::freeLine;

// Records the critical-failure notices of a run.
struct Notices {
  std::mutex m;
  std::vector<std::pair<std::string, std::string>> seen;
  bzCriticalNotifier notifier() {
    return [this](const AnsiString& text, const AnsiString& caption) {
      std::lock_guard<std::mutex> g(m);
      seen.emplace_back(text, caption);
    };
  }
};

// One run's objects, as the main program makes them.
struct RunObjects : testsupport::RunObjects {
  Notices notices;

  void add(const std::string& path) { files.addFile(plat::extractFileName(path), path); }

  std::vector<Line> lines() {
    std::vector<Line> out;
    while (auto l = report.GetNextLine())
      out.push_back({l->lineNo, l->fileIdx, l->position, l->text});
    return out;
  }

  template <class Process>
  std::vector<Line> run(Process& p) {
    p.setNotifier(notices.notifier());
    p.start();
    p.waitFor();
    return lines();
  }

  std::vector<Line> syntax() {
    EXPECT_TRUE(report.Create(&files));
    bzRun<bzSyntaxProcess> p(&files, &report, &settings, &state);
    return run(p);
  }
};

// The readers a run was given, each with one reference of the test's own, so
// that the test can count the references the process still holds.
struct Readers {
  std::mutex m;
  std::vector<plat::ComPtr<PlikSW>> made;
  // References the process held to earlier readers when it asked for a new
  // one, at most.
  int heldAtNewReader = 0;

  plat::ComPtr<PlikSW> make() {
    std::lock_guard<std::mutex> g(m);
    heldAtNewReader = std::max(heldAtNewReader, heldLocked());
    made.emplace_back(new PlikSW());
    return made.back();  // a copy: one more reference
  }
  // References to the readers beyond the test's own.
  int held() {
    std::lock_guard<std::mutex> g(m);
    return heldLocked();
  }

 private:
  int heldLocked() {
    int n = 0;
    for (const auto& r : made) {
      n += static_cast<int>(r->AddRef()) - 2;
      r->Release();
    }
    return n;
  }
};

// The syntax check with the readers counted and, with a gate, held before
// each file is opened.
class ObservedSyntax : public bzSyntaxProcess {
 public:
  ObservedSyntax(RunKey key, RunObjects& r, Readers& readers, testsupport::Gate* gate = nullptr)
      : bzSyntaxProcess(key, &r.files, &r.report, &r.settings, &r.state),
        readers_(readers),
        gate_(gate) {}

 protected:
  plat::ComPtr<PlikSW> createFileInterface() override {
    if (gate_) gate_->pass();
    return readers_.make();
  }

 private:
  Readers& readers_;
  testsupport::Gate* gate_;
};

// START and STOP carry the time of the run: "dd-mm-yyyy hh:nn:ss".
void expectTimeLine(const Line& l, const std::string& word) {
  ASSERT_EQ(l.text.size(), word.size() + 2 + 19) << l.text;
  EXPECT_EQ(l.text.substr(0, word.size() + 2), word + ": ");
  const std::string t = l.text.substr(word.size() + 2);
  for (std::size_t i : {2u, 5u}) EXPECT_EQ(t[i], '-');
  EXPECT_EQ(t[10], ' ');
  EXPECT_EQ(t[13], ':');
  EXPECT_EQ(t[16], ':');
}

std::vector<Line> withoutTimes(std::vector<Line> lines) {
  EXPECT_GE(lines.size(), 2u);
  expectTimeLine(lines.front(), "START");
  expectTimeLine(lines.back(), "STOP");
  lines.front().text = "START";
  lines.back().text = "STOP";
  return lines;
}

const std::string kClean =
    "SWDE.W.1.13.0;\nSP;\nB,G5IDD,ZN,;\nW,G5DZE;\nSX;\nSO;\nRD,G5KLU,,1,,;\nD,G5OFU,D,R;\nX;\nSX;\n"
    "SWDEX;\n";

TEST(SyntaxProcess, ReportOfTwoFilesOneWithAFindingOneMissing) {
  testsupport::TempFile bad("SWDE.W.1.13.0;\nSO;\nQQ,1;\nSX;\nSWDEX;\n");
  RunObjects r;
  r.add(bad.path());
  const std::string missing =
      plat::tempFolder() + "/olv-missing-" + std::to_string(::getpid()) + ".swd";
  r.add(missing);
  const std::vector<Line> expected = {
      {-1, -1, -1, "START"},
      freeLine("Sprawdzanie poprawności syntaktycznej"),
      freeLine(" "),
      freeLine("Lista plików do przetworzenia:"),
      {-1, -1, -1, "   1. " + bad.path()},
      {-1, -1, -1, "   2. " + missing},
      freeLine(" "),
      freeLine("Przetwarzanie pliku nr 1..."),
      {-1, -1, -1, "=========> " + bad.path()},
      {3, 0, 19, cp("3 B   121 SO - Nierozpoznany typ linii : QQ")},
      freeLine("Nie znaleziono pliku!"),
      freeLine(" "),
      freeLine("Podsumowanie liczby błędów i ostrzeżeń:"),
      {-1, -1, -1, "Plik: " + bad.path()},
      freeLine("  => liczba błędów    : 1"),
      freeLine("  => liczba ostrzeżeń : 0"),
      {-1, -1, -1, "Plik: " + missing},
      freeLine("  => liczba błędów    : 0"),
      freeLine("  => liczba ostrzeżeń : 0"),
      freeLine("Sumaryczna liczba błędów    : 1"),
      freeLine("Sumaryczna liczba ostrzeżeń : 0"),
      freeLine(" "),
      {-1, -1, -1, "STOP"},
  };
  EXPECT_EQ(withoutTimes(r.syntax()), expected);
  EXPECT_EQ(r.state.getFilesProceeded(), 2u);
  EXPECT_EQ(r.state.getFileInfo(0).status, 1);
  EXPECT_EQ(r.state.getFileInfo(0).errors, 1u);
  EXPECT_EQ(r.state.getFileInfo(1).status, 0);
  EXPECT_EQ(r.state.getTotalErrorsNum(), 1u);
  EXPECT_EQ(r.state.getStateMessage(),
            "Przetwarzanie zako\xF1"
            "czono");
  EXPECT_TRUE(r.notices.seen.empty());
}

TEST(SyntaxProcess, SingleFileRunHasNoPerFileBlock) {
  testsupport::TempFile clean(kClean);
  RunObjects r;
  r.add(clean.path());
  const std::vector<Line> lines = r.syntax();
  for (const Line& l : lines) EXPECT_NE(l.text.rfind("Plik: ", 0), 0u) << l;
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 4], freeLine("Sumaryczna liczba błędów    : 0"));
  EXPECT_EQ(r.state.getRecordsNumber(), 3u);  // B, W and RD
  EXPECT_EQ(r.state.getFileFormat(), "SWDE");
  EXPECT_DOUBLE_EQ(r.state.getFileFormatVersion(), 1.13);
  EXPECT_EQ(r.state.getProcessMaxValue(), kClean.size());
}

TEST(SyntaxProcess, EndOfFileErrorAndUnrecognisedHeader) {
  testsupport::TempFile open("SWDE.W.1.13.0;\nSO;\n");
  testsupport::TempFile header("XYZ;\nSO;\n");
  RunObjects r;
  r.add(open.path());
  r.add(header.path());
  std::vector<Line> findings;
  std::vector<std::string> texts;
  for (const Line& l : r.syntax()) {
    if (l.lineNo >= 0) findings.push_back(l);
    texts.push_back(l.text);
  }
  ASSERT_EQ(findings.size(), 2u);
  // The section is the reader's, which the end of the file has closed.
  EXPECT_EQ(findings[0], (Line{3, 0, 19,
                               cp("3 B   211 - Nieprawidłowe zakończenie pliku. Brak "
                                  "domknięcia sekcji")}));
  // The header error comes from the closed reader: position 0, no section.
  EXPECT_EQ(findings[1], (Line{1, 1, 0, cp("1 B   104 - Nierozpoznany format pliku")}));
  EXPECT_NE(
      std::find(texts.begin(), texts.end(), cp("Błąd odczytu z pliku lub nierozpoznanie formatu")),
      texts.end());
  EXPECT_EQ(r.state.getTotalErrorsNum(), 2u);
  EXPECT_EQ(r.state.getFileInfo(1).errors, 1u);
}

TEST(SyntaxProcess, EveryFaultyLineIsOneErrorAndCountsPerFile) {
  testsupport::TempFile bad("SWDE.W.1.13.0;\nQ1;\nQ2;\nQ3;\n");
  testsupport::TempFile clean(kClean);
  RunObjects r;
  r.add(clean.path());
  r.add("/nonexistent/olv/file.swd");
  r.add(bad.path());
  r.syntax();
  EXPECT_EQ(r.state.getFilesProceeded(), 3u);
  EXPECT_EQ(r.state.getFileInfo(0).errors, 0u);
  EXPECT_EQ(r.state.getFileInfo(1).errors, 0u);
  EXPECT_EQ(r.state.getFileInfo(1).status, 0);
  EXPECT_EQ(r.state.getFileInfo(2).errors, 4u);  // three unknown lines and the end of the file
  EXPECT_EQ(r.state.getTotalErrorsNum(), 4u);
}

TEST(SyntaxProcess, StopEndsTheRunAfterTheFileInHand) {
  testsupport::TempFile first("SWDE.W.1.13.0;\nSO;\nQQ;\nSX;\nSWDEX;\n");
  testsupport::TempFile other(kClean);
  RunObjects r;
  r.add(first.path());
  r.add(other.path());
  r.add(other.path());
  ASSERT_TRUE(r.report.Create(&r.files));
  bzRun<bzSyntaxProcess> p(&r.files, &r.report, &r.settings, &r.state);
  // The stop is asked for while the first file's finding is written (its
  // text only: the random names of the files may hold "QQ" too).
  r.report.setWriteFunction([&](int fd, const void* data, std::size_t size, off_t offset) {
    if (std::string(static_cast<const char*>(data), size).find("typ linii : QQ") !=
        std::string::npos)
      p.stop(0);
    return ::pwrite(fd, data, size, offset);
  });
  const std::vector<Line> lines = r.run(p);
  EXPECT_EQ(r.state.getFilesProceeded(), 1u);
  int perFile = 0;
  for (const Line& l : lines) perFile += l.text.rfind("Plik: ", 0) == 0;
  EXPECT_EQ(perFile, 1);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], freeLine("Przetwarzanie zostało przerwane przez użytkownika"));
  EXPECT_EQ(r.state.getStateMessage(), cp("Przetwarzanie zostało przerwane przez użytkownika"));
}

// A process whose step fails in the ways a run can fail.
class FailingProcess : public bzProcessThread {
 public:
  FailingProcess(RunKey key, RunObjects& r, int how)
      : bzProcessThread(key, &r.files, &r.report, &r.settings, &r.state), how_(how) {}
  AnsiString getTitle() const override { return "test"; }
  int cleared = 0;

 protected:
  void clear() override { ++cleared; }
  int process() override {
    reportFileList();
    openFile(0);
    switch (how_) {
      case 0:
        throw std::bad_alloc();
      case 1:
        throw plat::Exception("zepsute");
      case 2:
        throw std::runtime_error("standard");
      case 3:
        throw 42;
      default:
        return 0;
    }
  }

 private:
  int how_;
};

TEST(ProcessThread, CriticalFailuresEndTheRunWithTheirMessage) {
  struct Case {
    int how;
    std::string message;
    int returnValue;
  };
  const Case cases[] = {
      {0,
       cp("Brak wystarczającej ilości pamięci! Spróbuj zwiększyć rozmiar systemowego pliku "
          "wymiany"),
       -1},
      {1, "zepsute", 0},
      {2, "standard", 0},
      {3, cp("Wystąpił nierozpoznany błąd!!!"), 0},
  };
  testsupport::TempFile clean(kClean);
  for (const Case& c : cases) {
    RunObjects r;
    r.add(clean.path());
    ASSERT_TRUE(r.report.Create(&r.files));
    bzRun<FailingProcess> p(r, c.how);
    const std::vector<Line> lines = r.run(p);
    EXPECT_EQ(p.returnValue(), c.returnValue) << c.how;
    EXPECT_TRUE(p.failedCritically());
    EXPECT_EQ(p.cleared, 1);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[lines.size() - 5], freeLine(" "));
    EXPECT_EQ(lines[lines.size() - 4].text, cp("Błąd: ") + c.message);
    EXPECT_EQ(lines[lines.size() - 3],
              freeLine("Przetwarzanie przerwano z powodu błędu krytycznego."));
    ASSERT_EQ(r.notices.seen.size(), 1u);
    EXPECT_EQ(r.notices.seen[0].first, c.message);
    EXPECT_EQ(r.notices.seen[0].second, cp("Krytyczny błąd wykonywania programu"));
    // The file that was open is closed and counted before the summary.
    EXPECT_EQ(r.state.getFilesProceeded(), 1u);
    EXPECT_FALSE(p.isRunning());
  }
}

TEST(ProcessThread, ReportThatCannotBeWrittenFailsTheRun) {
  testsupport::TempFile clean(kClean);
  RunObjects r;
  r.add(clean.path());
  ASSERT_TRUE(r.report.Create(&r.files));
  int writes = 0;
  r.report.setWriteFunction(
      [&](int fd, const void* data, std::size_t size, off_t offset) -> ssize_t {
        if (++writes > 5) {
          errno = ENOSPC;
          return -1;
        }
        return ::pwrite(fd, data, size, offset);
      });
  bzRun<bzSyntaxProcess> p(&r.files, &r.report, &r.settings, &r.state);
  r.run(p);
  EXPECT_TRUE(p.failedCritically());
  EXPECT_TRUE(r.report.failed());
  ASSERT_EQ(r.notices.seen.size(), 1u);
  EXPECT_NE(r.notices.seen[0].first.find(r.report.getPath()), std::string::npos)
      << r.notices.seen[0].first;
  EXPECT_EQ(r.state.getStateMessage(), cp("Przetwarzanie przerwano z powodu błędu krytycznego."));
}

TEST(ProcessThread, RunsFromStartToItsEndAndStopWaitsForTheEnd) {
  testsupport::TempFile clean(kClean);
  RunObjects r;
  r.add(clean.path());
  ASSERT_TRUE(r.report.Create(&r.files));
  Readers readers;
  testsupport::Gate gate;
  bzRun<ObservedSyntax> p(r, readers, &gate);
  EXPECT_FALSE(p.isRunning());
  p.start();
  EXPECT_TRUE(p.isRunning());  // held at the gate: it cannot have ended
  gate.waitReached();
  EXPECT_TRUE(p.isRunning());
  EXPECT_FALSE(p.isTerminated());
  // The gate opens once the stop is asked for; a stop with time enough then
  // returns with the run ended.
  std::thread opener([&] {
    while (!p.isTerminated()) std::this_thread::yield();
    gate.open();
  });
  EXPECT_TRUE(p.stop(3600 * 1000));
  EXPECT_FALSE(p.isRunning());
  EXPECT_TRUE(p.isTerminated());
  opener.join();
  p.waitFor();
  // The stop came with the first file in hand: its first line only was read.
  EXPECT_EQ(r.state.getFilesProceeded(), 1u);
  EXPECT_EQ(r.state.getStateMessage(), cp("Przetwarzanie zostało przerwane przez użytkownika"));
}

TEST(ProcessThread, StopWithoutTimeToWaitReturnsWhileTheRunIsHeld) {
  testsupport::TempFile clean(kClean);
  RunObjects r;
  r.add(clean.path());
  r.add(clean.path());
  ASSERT_TRUE(r.report.Create(&r.files));
  Readers readers;
  testsupport::Gate gate;
  bzRun<ObservedSyntax> p(r, readers, &gate);
  p.start();
  gate.waitReached();
  EXPECT_TRUE(p.stop(0));
  EXPECT_TRUE(p.isRunning());
  EXPECT_TRUE(p.isTerminated());
  gate.open();
  p.waitFor();
  EXPECT_FALSE(p.isRunning());
  EXPECT_EQ(gate.reached(), 1);  // the second file was never opened
  EXPECT_EQ(r.state.getFilesProceeded(), 1u);
}

// A process that opens file after file without closing one: each open lets
// go of the reader before, also after a file that could not be opened.
class ReopeningProcess : public bzProcessThread {
 public:
  ReopeningProcess(RunKey key, RunObjects& r, Readers& readers)
      : bzProcessThread(key, &r.files, &r.report, &r.settings, &r.state), readers_(readers) {}
  AnsiString getTitle() const override { return "test"; }
  std::vector<bool> opened;

 protected:
  int process() override {
    for (unsigned i = 0; i < fileList->getFileCount(); ++i) opened.push_back(openFile(i));
    return 0;
  }
  plat::ComPtr<PlikSW> createFileInterface() override { return readers_.make(); }

 private:
  Readers& readers_;
};

TEST(ProcessThread, NoReaderOutlivesItsFile) {
  testsupport::TempFile clean(kClean);
  testsupport::TempFile header("XYZ;\nSO;\n");
  const std::string missing = "/nonexistent/olv/file.swd";
  {
    // The syntax check closes each file; a missing file gets no reader.
    RunObjects r;
    for (const std::string& f : {clean.path(), header.path(), missing, clean.path()}) r.add(f);
    Readers readers;
    {
      ASSERT_TRUE(r.report.Create(&r.files));
      bzRun<ObservedSyntax> p(r, readers);
      r.run(p);
      EXPECT_EQ(readers.held(), 0);
    }
    EXPECT_EQ(readers.made.size(), 3u);
    EXPECT_EQ(readers.heldAtNewReader, 0);
    EXPECT_EQ(readers.held(), 0);
  }
  {
    RunObjects r;
    for (const std::string& f : {clean.path(), header.path(), clean.path(), missing, clean.path()})
      r.add(f);
    Readers readers;
    {
      ASSERT_TRUE(r.report.Create(&r.files));
      bzRun<ReopeningProcess> p(r, readers);
      r.run(p);
      EXPECT_EQ(p.opened, (std::vector<bool>{true, false, true, false, true}));
      EXPECT_EQ(readers.held(), 1);  // the last file is still open
    }
    EXPECT_EQ(readers.made.size(), 4u);
    EXPECT_EQ(readers.heldAtNewReader, 0);
    EXPECT_EQ(readers.held(), 0);
  }
}

// A process with nothing of its own to end the run: its members are in use
// until the very end of the run, which comes when it is destroyed.
class PlainProcess : public bzProcessThread {
 public:
  PlainProcess(RunKey key, RunObjects& r, std::string& seen)
      : bzProcessThread(key, &r.files, &r.report, &r.settings, &r.state), seen_(seen) {}
  AnsiString getTitle() const override { return title_; }
  std::latch entered{1};

 protected:
  int process() override {
    entered.count_down();
    while (!isTerminated()) std::this_thread::yield();
    words_.push_back("after the stop");
    return 0;
  }
  void clear() override { seen_ = title_ + ": " + words_.front() + ", " + words_.back(); }

 private:
  std::string title_ = "plain";
  std::vector<std::string> words_{"before"};
  std::string& seen_;
};

TEST(ProcessThread, DestroyingAProcessEndsItsRunWhileTheWholeObjectStands) {
  RunObjects r;
  ASSERT_TRUE(r.report.Create(&r.files));
  std::string seen;
  auto p = std::make_unique<bzRun<PlainProcess>>(r, seen);
  p->start();
  p->entered.wait();  // the run is in progress and holds itself until the stop
  EXPECT_TRUE(p->isRunning());
  p.reset();
  EXPECT_EQ(seen, "plain: before, after the stop");
  const std::vector<Line> lines = r.lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1], freeLine("plain"));
  EXPECT_EQ(lines[lines.size() - 3], freeLine("Przetwarzanie zostało przerwane przez użytkownika"));
}

// Only bzRun makes a process; a process made in any other way would be
// destroyed from its most derived part while its run goes on.
static_assert(!std::is_default_constructible_v<bzProcessThread::RunKey>);
static_assert(!std::is_constructible_v<bzSyntaxProcess, bzFileList*, bzReport*, bzSettings*,
                                       bzProcessState*>);
static_assert(std::is_constructible_v<bzRun<bzSyntaxProcess>, bzFileList*, bzReport*, bzSettings*,
                                      bzProcessState*>);
static_assert(std::is_final_v<bzRun<bzSyntaxProcess>>);

TEST(ProcessThread, IsoLettersMoveToWindows1250) {
  EXPECT_EQ(isoToWin1250("\xA1\xA6\xAC\xB1\xB6\xBC \xA3\xF3"), "\xA5\x8C\x8F\xB9\x9C\x9F \xA3\xF3");
}

}  // namespace

namespace {

TEST(SyntaxProcess, SamplesGiveTheirExpectedFindings) {
  RunObjects r;
  for (const char* name : {"przyklad.swd", "przyklad.swg", "bledy.swd"})
    r.add(std::string(OLV_SAMPLES) + "/" + name);
  std::vector<std::pair<std::int32_t, std::string>> findings;
  for (const Line& l : r.syntax())
    if (l.lineNo >= 0) findings.emplace_back(l.fileIdx, plat::cp1250ToUtf8(l.text));
  const std::vector<std::pair<std::int32_t, std::string>> expected = {
      {2, "3 B   124 SP - Pole nr 3 ma nieprawidłową wartość"},
      {2, "13 B   121 SO - Nierozpoznany typ linii : QQ"},
      {2, "15 B   129 SO - Pole nr 2 zawiera nieprawidłową wartość (zapomniany separator pól?)"},
      {2, "17 B   122 SO - Nieprawidłowa liczba pól"},
      {2, "18 B   130 SO - Pole nr 2 nie może być puste"},
      {2, "20 B   106 SO - Brak identyfikatora obiektu"},
      {2, "23 B   212 - Nieprawidłowe zakończenie pliku"},
  };
  EXPECT_EQ(findings, expected);
  EXPECT_EQ(r.state.getFileInfo(0).errors, 0u);
  EXPECT_EQ(r.state.getFileInfo(1).errors, 0u);
  EXPECT_EQ(r.state.getFileInfo(2).errors, 7u);
}

}  // namespace

// A read that fails in the middle of a file is one counted error of that
// file, with the reader's words for the file and the reason; the next file is
// checked as usual.
TEST(SyntaxProcess, AReadFailingMidFileNamesTheFileAndTheReason) {
  const std::string content = testsupport::fileFailingMidWay();
  ASSERT_GT(content.size(), 4 * 16384u);  // more than the reader holds at once
  testsupport::TempFile broken(content);
  // Blocks so small that the pool holds a small part of the file at once.
  const testsupport::BlockParameters smallBlocks(0, 1024);
  testsupport::TempFile clean(kClean);
  RunObjects r;
  r.add(broken.path());
  r.add(clean.path());
  ASSERT_TRUE(r.report.Create(&r.files));
  bzRun<bzSyntaxProcess> p(&r.files, &r.report, &r.settings, &r.state);
  bool broke = false;
  testsupport::breakReadsAtItsFinding(r.report, broken.path(), broke);
  const std::vector<Line> lines = r.run(p);
  ASSERT_TRUE(broke);
  const std::string expected =
      cp("Wystąpił błąd programu w trakcie przetwarzania pliku. Błąd obiektów warstwy odczytu "
         "pliku: Błąd odczytu pliku: ") +
      broken.path() + " (" + plat::fileErrorReason(EISDIR) + ")";
  int found = 0;
  for (const Line& l : lines) found += l.text == expected;
  EXPECT_EQ(found, 1);
  EXPECT_EQ(r.state.getFilesProceeded(), 2u);
  EXPECT_FALSE(p.failedCritically());
}
