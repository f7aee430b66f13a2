#include "app/ProgressPresenter.h"

#include <deque>

#include "platform/Format.h"

namespace swde {

namespace {

// The state images of the files the process has gone through.
void stateImages(const bzProcessState& state, ProgressPresenter::View& view) {
  const int done = static_cast<int>(state.getFilesProceeded());
  for (int i = 0; i < done; ++i) {
    const bzProcessState::FileInfo info = state.getFileInfo(i);
    if (info.status != bzProcessState::FileInfo::NotOpened)
      view.stateImages.emplace_back(i, info.errors > 0 ? 0 : 1);
  }
}

}  // namespace

ProgressPresenter::PreviewPlan ProgressPresenter::planPreview(std::int64_t memoLines,
                                                              std::int64_t newLines) {
  PreviewPlan plan;
  if (newLines <= 0) {
    plan.linesAfter = memoLines;
    return plan;
  }
  const std::int64_t full = kPreviewLimit + 1;  // the most the memo holds
  // Appends before the first clearing.
  const std::int64_t before = memoLines > kPreviewLimit ? 0 : full - memoLines;
  if (newLines <= before) {
    plan.append = newLines;
    plan.linesAfter = memoLines + newLines;
    return plan;
  }
  // From the first clearing on the memo fills up to full lines and starts
  // again: what stays is the last round.
  const std::int64_t rest = newLines - before;
  plan.clear = true;
  plan.append = (rest - 1) % full + 1;
  plan.linesAfter = plan.append;
  return plan;
}

void ProgressPresenter::begin(std::uint64_t startTick) {
  startTick_ = startTick;
  times_.setStageStart(startTick);
  memoLines_ = 0;
  linesShown_ = 0;
  changesSeen_ = 0;
}

ProgressPresenter::View ProgressPresenter::tick(guiActions& actions, std::uint64_t now,
                                                bool previewOff) {
  View view;
  // Whether the process still runs is read first: when it has ended, every
  // change and line it made is there to be read below.
  const bool running = actions.isRunning();
  const bzProcessState& state = *actions.getState();

  if (!previewOff) {
    const std::int64_t count = actions.getLineCount();
    // Only the lines that stay in the memo are kept; the others are read
    // past.
    std::deque<AnsiString> last;
    std::int64_t read = 0;
    for (; linesShown_ + read < count; ++read) {
      last.push_back(actions.getNextLine());
      if (static_cast<std::int64_t>(last.size()) > kPreviewLimit + 1) last.pop_front();
    }
    linesShown_ = count;
    const PreviewPlan plan = planPreview(memoLines_, read);
    view.clearPreview = plan.clear;
    for (auto it = last.end() - plan.append; it != last.end(); ++it)
      view.previewLines.push_back(std::move(*it));
    memoLines_ = plan.linesAfter;
  }

  const std::uint64_t p = state.getProcessPosition();
  const std::uint64_t x = state.getProcessMaxValue();
  view.progressPerMille =
      x == 0 ? 0 : static_cast<unsigned>(static_cast<unsigned __int128>(p < x ? p : x) * 1000 / x);

  const AnsiString elapsed = TimeTexts::elapsed(now > startTick_ ? now - startTick_ : 0);
  if (!elapsed.empty()) view.elapsed = elapsed;
  view.remaining = times_.remaining(p, x, now);

  const std::int32_t changes = state.getChangesCount();
  if (changes > changesSeen_) {
    changesSeen_ = changes;
    view.labelsChanged = true;
    view.fileName = state.getCurrentFileName();
    view.format = state.getFileFormat() + " " +
                  plat::Format("%.2lf", {plat::TVarRec(state.getFileFormatVersion())});
    view.stateMessage = state.getStateMessage();
    view.records = state.getRecordsNumber();
    if (const int infos = state.getFileInfoCount(); infos != 0) {
      const bzProcessState::FileInfo info = state.getFileInfo(infos - 1);
      view.warnings = info.warnings;
      view.errors = info.errors;
    }
    stateImages(state, view);
    if (static_cast<std::uint32_t>(actions.getFileCount()) == state.getFilesProceeded()) {
      view.warnings = state.getTotalWarnsNum();
      view.errors = state.getTotalErrorsNum();
      view.finished = !running;
    }
  } else if (!running) {
    stateImages(state, view);
    view.finished = true;
  }

  if (view.finished) {
    linesShown_ = 0;
    changesSeen_ = 0;
  }
  return view;
}

}  // namespace swde
