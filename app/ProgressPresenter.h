// What the main window's 500 ms timer shows of a running action: the live
// preview of the report lines, the progress per mille, the elapsed and
// remaining times, the statistics labels, the state images of the files, and
// when the action is to be finished. tick reads the controller's process
// state and report; the window only puts the texts where they belong.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "app/TimeTexts.h"
#include "app/guiActions.h"
#include "platform/AnsiString.h"

namespace swde {

class ProgressPresenter {
 public:
  // The live preview holds at most this many lines before it is cleared.
  static constexpr int kPreviewLimit = 200;

  // What to do to the preview for newLines lines more when it holds
  // memoLines: clear it first or not, then append the last `append` of the
  // new lines. The same memo as appending the lines one by one, clearing
  // before an append whenever the memo holds more than kPreviewLimit lines.
  struct PreviewPlan {
    bool clear = false;
    std::int64_t append = 0;
    std::int64_t linesAfter = 0;
  };
  static PreviewPlan planPreview(std::int64_t memoLines, std::int64_t newLines);

  struct View {
    // The live preview: clear it first, then append these lines.
    bool clearPreview = false;
    std::vector<AnsiString> previewLines;
    // The progress fill, 0 to 1000.
    unsigned progressPerMille = 0;
    // nullopt: the label keeps its text.
    std::optional<AnsiString> elapsed;
    std::optional<AnsiString> remaining;
    // The labels of the file, the format, the state and the record count,
    // set only when the state has changed.
    bool labelsChanged = false;
    AnsiString fileName;
    AnsiString format;
    AnsiString stateMessage;
    std::uint32_t records = 0;
    // The warning and error labels, when they change.
    std::optional<std::uint32_t> warnings;
    std::optional<std::uint32_t> errors;
    // File index and its state image: 0 with errors, 1 without.
    std::vector<std::pair<int, int>> stateImages;
    // The process has ended and everything of it has been shown: the window
    // finishes the action (stops the timer, saves and loads the report).
    bool finished = false;
  };

  // A new action started at startTick (the controller's clock); the
  // preview is empty.
  void begin(std::uint64_t startTick);
  // The window emptied the preview.
  void previewCleared() { memoLines_ = 0; }

  // One poll at now (the controller's clock). With previewOff no report
  // line is taken: the preview goes on with them once it is on again.
  View tick(guiActions& actions, std::uint64_t now, bool previewOff);

 private:
  std::int64_t memoLines_ = 0;
  std::int64_t linesShown_ = 0;
  std::int32_t changesSeen_ = 0;
  std::uint64_t startTick_ = 0;
  TimeTexts times_;
};

}  // namespace swde
