// What the window's timer shows of a running action, driven by a scripted
// process that holds itself at a gate where the test needs a run in
// progress.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ProgressPresenter.h"
#include "platform/CodePage.h"
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
using swde::ProgressPresenter;
using testsupport::Gate;

// A process that runs a script of the test on its worker thread.
class Scripted : public bzProcessThread {
 public:
  using Script = std::function<void(Scripted&)>;
  Scripted(RunKey key, bzFileList* f, bzReport* r, bzSettings* s, bzProcessState* st, Script script)
      : bzProcessThread(key, f, r, s, st), script_(std::move(script)) {}
  AnsiString getTitle() const override { return "scripted"; }
  bzProcessState& progress() { return *state; }
  void line(const AnsiString& text) { addToReport(text); }

 protected:
  int process() override {
    script_(*this);
    return 0;
  }

 private:
  Script script_;
};

constexpr std::uint64_t kStart = 50000;

// A controller running script over files (paths that are not opened).
std::unique_ptr<guiActions> launch(Scripted::Script script, int files = 0) {
  auto a = std::make_unique<guiActions>(nullptr, [] { return kStart; });
  ActionInputs in;
  for (int i = 0; i < files; ++i)
    in.files.push_back({"f" + std::to_string(i), "/nowhere/f" + std::to_string(i)});
  EXPECT_TRUE(a->start(in, [&](bzFileList* f, bzReport* r, bzSettings* s, bzProcessState* st) {
    return std::make_unique<bzRun<Scripted>>(f, r, s, st, script);
  }));
  return a;
}

TEST(ProgressPresenter, PreviewPlanIsTheMemoOfLineByLine) {
  // The memo appended to line by line, cleared before an append whenever it
  // holds more than 200 lines.
  auto byLine = [](std::int64_t memo, std::int64_t lines, bool& cleared) {
    cleared = false;
    for (std::int64_t i = 0; i < lines; ++i) {
      if (memo > ProgressPresenter::kPreviewLimit) {
        memo = 0;
        cleared = true;
      }
      ++memo;
    }
    return memo;
  };
  for (const std::int64_t memo : {0, 1, 150, 199, 200, 201}) {
    for (const std::int64_t lines : {0, 1, 2, 50, 200, 201, 202, 402, 403, 404, 10000}) {
      bool cleared = false;
      const std::int64_t after = byLine(memo, lines, cleared);
      const auto plan = ProgressPresenter::planPreview(memo, lines);
      EXPECT_EQ(plan.clear, cleared) << memo << " + " << lines;
      EXPECT_EQ(plan.linesAfter, after) << memo << " + " << lines;
      // Without a clearing every line is appended, after one only the memo.
      EXPECT_EQ(plan.append, cleared ? after : lines) << memo << " + " << lines;
      EXPECT_LE(plan.append, ProgressPresenter::kPreviewLimit + 1);
    }
  }
}

TEST(ProgressPresenter, BacklogAppendsOnlyTheLinesThatStay) {
  Gate gate;
  auto a = launch([&](Scripted& p) {
    for (int i = 0; i < 10000; ++i) p.line("line " + std::to_string(i));
    gate.pass();
  });
  gate.waitReached();
  ProgressPresenter presenter;
  presenter.begin(a->startTick());

  // With the preview off nothing is taken.
  auto off = presenter.tick(*a, kStart, true);
  EXPECT_TRUE(off.previewLines.empty());
  EXPECT_FALSE(off.clearPreview);

  // On again: the whole backlog at once, of which only the last round stays.
  const std::int64_t count = a->getLineCount();
  ASSERT_GT(count, 10000);
  auto on = presenter.tick(*a, kStart, false);
  const auto plan = ProgressPresenter::planPreview(0, count);
  EXPECT_TRUE(on.clearPreview);
  ASSERT_EQ(static_cast<std::int64_t>(on.previewLines.size()), plan.append);
  ASSERT_LE(on.previewLines.size(), 201u);
  EXPECT_EQ(on.previewLines.back(), "line 9999");
  EXPECT_EQ(on.previewLines.front(), "line " + std::to_string(10000 - plan.append));

  // Nothing new: nothing appended.
  auto again = presenter.tick(*a, kStart, false);
  EXPECT_TRUE(again.previewLines.empty());
  EXPECT_FALSE(again.clearPreview);

  gate.open();
  a->getProcess()->waitFor();
  // The run's closing lines continue the memo.
  auto last = presenter.tick(*a, kStart, false);
  EXPECT_FALSE(last.previewLines.empty());
  EXPECT_TRUE(last.finished);
}

TEST(ProgressPresenter, LabelsTimesAndTheFinish) {
  Gate gate;
  const std::uint64_t max = 6ull << 30;  // past 32 bits
  auto a = launch(
      [&](Scripted& p) {
        bzProcessState& s = p.progress();
        s.setCurrentFileName("/dane/a.swd");
        s.setFileFormat("SWDE");
        s.setFileFormatVersion(1.5);
        s.setStateMessage(cp("Sprawdzanie składni"));
        s.setRecordsNumber(77);
        s.setFileInfo({3, 0, bzProcessState::FileInfo::Finished}, 0);
        s.setFileInfo({1, 4, bzProcessState::FileInfo::Finished}, 1);
        s.setFilesProceeded(2);
        s.setTotalWarnsNum(4);
        s.setTotalErrorsNum(4);
        s.setProcessMaxValue(max);
        s.setProcessPosition(max / 4);
        gate.pass();
      },
      3);
  gate.waitReached();
  ProgressPresenter presenter;
  presenter.begin(a->startTick());

  // At the start tick: no elapsed text yet, the labels changed.
  auto v = presenter.tick(*a, kStart, true);
  EXPECT_FALSE(v.elapsed);
  EXPECT_EQ(v.progressPerMille, 250u);
  EXPECT_EQ(v.remaining, cp("0 sek"));
  ASSERT_TRUE(v.labelsChanged);
  EXPECT_EQ(v.fileName, "/dane/a.swd");
  EXPECT_EQ(v.format, "SWDE 1.50");
  EXPECT_EQ(v.stateMessage, cp("Sprawdzanie składni"));
  EXPECT_EQ(v.records, 77u);
  EXPECT_EQ(v.warnings, 1u);  // of the last file: two of three are done
  EXPECT_EQ(v.errors, 4u);
  EXPECT_EQ(v.stateImages, (std::vector<std::pair<int, int>>{{0, 1}, {1, 0}}));
  EXPECT_FALSE(v.finished);

  // 10 s later, a quarter done: 30 s left; no change of the state.
  v = presenter.tick(*a, kStart + 10000, true);
  EXPECT_EQ(v.elapsed, cp("10 sek"));
  EXPECT_EQ(v.remaining, cp("30 sek"));
  EXPECT_FALSE(v.labelsChanged);
  EXPECT_TRUE(v.stateImages.empty());
  EXPECT_FALSE(v.finished);

  gate.open();
  a->getProcess()->waitFor();
  // Ended: the labels of the last changes, then the finish.
  v = presenter.tick(*a, kStart + 75000, true);
  EXPECT_EQ(v.elapsed, cp("1 min 15 sek"));
  EXPECT_TRUE(v.finished || v.labelsChanged);
  if (!v.finished) v = presenter.tick(*a, kStart + 75000, true);
  EXPECT_TRUE(v.finished);
  EXPECT_EQ(v.stateImages, (std::vector<std::pair<int, int>>{{0, 1}, {1, 0}}));
}

TEST(ProgressPresenter, AllFilesDoneShowsTheTotals) {
  Gate gate;
  auto a = launch(
      [&](Scripted& p) {
        bzProcessState& s = p.progress();
        s.setFileInfo({2, 1, bzProcessState::FileInfo::Finished}, 0);
        s.setFileInfo({5, 0, bzProcessState::FileInfo::Finished}, 1);
        s.setFilesProceeded(2);
        s.setTotalWarnsNum(7);
        s.setTotalErrorsNum(1);
        gate.pass();
      },
      2);
  gate.waitReached();
  ProgressPresenter presenter;
  presenter.begin(a->startTick());
  auto v = presenter.tick(*a, kStart, true);
  EXPECT_EQ(v.warnings, 7u);
  EXPECT_EQ(v.errors, 1u);
  EXPECT_FALSE(v.finished);  // still running
  gate.open();
}

TEST(ProgressPresenter, ANewStageKeepsTheRemainingText) {
  Gate first, second;
  auto a = launch([&](Scripted& p) {
    p.progress().setProcessMaxValue(100);
    p.progress().setProcessPosition(50);
    first.pass();
    p.progress().setProcessPosition(10);
    second.pass();
  });
  first.waitReached();
  ProgressPresenter presenter;
  presenter.begin(a->startTick());
  auto v = presenter.tick(*a, kStart + 20000, true);
  EXPECT_EQ(v.remaining, cp("20 sek"));
  first.open();
  second.waitReached();
  // The position went back: a new stage from now, the label as it was.
  v = presenter.tick(*a, kStart + 30000, true);
  EXPECT_FALSE(v.remaining);
  v = presenter.tick(*a, kStart + 40000, true);
  EXPECT_EQ(v.remaining, cp("1 min 30 sek"));
  second.open();
}

}  // namespace

namespace {

// A syntax check of a sample from the starter to the saved report, as the
// window's timer sees it once the run has ended.
TEST(ProgressPresenter, SyntaxCheckOfSamplesEndsWithImagesAndASavedReport) {
  const struct {
    const char* sample;
    int image;
  } cases[] = {{"przyklad.swd", 1}, {"bledy.swd", 0}};
  for (const auto& c : cases) {
    guiActions a(nullptr);
    ActionInputs in;
    in.files = {{c.sample, std::string(OLV_SAMPLES) + "/" + c.sample}};
    ASSERT_TRUE(a.startSyntax(in));
    ProgressPresenter presenter;
    presenter.begin(a.startTick());
    a.getProcess()->waitFor();
    std::vector<std::string> preview;
    ProgressPresenter::View v;
    for (int i = 0; i < 2 && !v.finished; ++i) {
      v = presenter.tick(a, a.startTick(), false);
      preview.insert(preview.end(), v.previewLines.begin(), v.previewLines.end());
    }
    ASSERT_TRUE(v.finished) << c.sample;
    EXPECT_EQ(v.stateImages, (std::vector<std::pair<int, int>>{{0, c.image}})) << c.sample;
    EXPECT_EQ(static_cast<int>(preview.size()), a.getLineCount()) << c.sample;
    a.deleteProcess();
    const std::string saved = a.saveReport();
    ASSERT_FALSE(saved.empty()) << a.errorMessage();
    EXPECT_EQ(::unlink(saved.c_str()), 0);
  }
}

}  // namespace
