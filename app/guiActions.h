// The main window's controller of one action: it owns the settings record,
// the file list, the report and the progress state of the run, fills them
// from what the window's controls hold, starts the process, switches the
// window's timer on and, once the process has ended, saves the report into
// the temporary folder for the report viewer.
//
// One controller serves one action. It owns the process too and deletes it
// before the four objects the process points into, so the window may simply
// delete the controller; deleteProcess lets it end the process first.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

#include "app/ActionInputs.h"
#include "platform/AnsiString.h"
#include "processing/bzFileList.h"
#include "processing/bzProcessState.h"
#include "processing/bzProcessThread.h"
#include "processing/bzReport.h"
#include "processing/bzSettings.h"

namespace swde {

class guiActions {
 public:
  // The window's 500 ms timer, as far as the controller switches it.
  class Timer {
   public:
    virtual ~Timer() = default;
    virtual void enable() = 0;
  };

  // Milliseconds of a steady clock.
  using Clock = std::function<std::uint64_t()>;
  // Makes the process of an action over the four objects.
  using ProcessMaker = std::function<std::unique_ptr<bzProcessThread>(
      bzFileList*, bzReport*, bzSettings*, bzProcessState*)>;

  // timer may be null (nothing to switch on); an empty clock is the steady
  // clock.
  explicit guiActions(Timer* timer, Clock clock = {});
  // Ends a run still in progress and deletes the process, then the four
  // objects (the report deletes its temporary file when it was not saved).
  ~guiActions();
  guiActions(const guiActions&) = delete;
  guiActions& operator=(const guiActions&) = delete;

  // The starters. Each writes back the folder edits it normalised. False,
  // with nothing started and errorMessage() telling why, when the report
  // cannot be made or (merge) the result would overwrite an input.
  bool startSyntax(ActionInputs& in);
  bool startDocAuth(ActionInputs& in);
  bool startDocVerif(ActionInputs& in);
  bool startMerge(ActionInputs& in);
  bool startSemantic(ActionInputs& in);

  // What every starter does after its folders: options, limit and files from
  // in, the report made, the process made by make and started, the timer
  // switched on and the start tick taken.
  bool start(const ActionInputs& in, const ProcessMaker& make);

  // "" when the result path names no input of in (device and inode), else
  // "Plik wynikowy jest plikiem wejściowym: " and the path.
  static AnsiString mergeOutputConflict(const ActionInputs& in, const AnsiString& resultPath);

  // Trailing blanks removed and "/" appended when missing; a text that is
  // blank stays empty.
  static AnsiString normalizeFolder(const AnsiString& text);

  bzProcessState* getState() { return state_.get(); }
  const bzSettings& getSettings() const { return *settings_; }
  bzProcessThread* getProcess() { return process_.get(); }
  bool isRunning() const { return process_ && process_->isRunning(); }
  // Waits for the end of the run and deletes the process.
  void deleteProcess();

  int getFileCount() const { return fileCount_; }
  void setFileCount(int count) { fileCount_ = count; }
  // The full path of the merge's result, set before startMerge.
  void setResultPath(const AnsiString& path) { resultPath_ = path; }
  // Clock value at the start of the process.
  std::uint64_t startTick() const { return startTick_; }

  int getLineCount() const { return report_->getLineCount(); }
  // The text of the next report line; empty when there is none yet.
  AnsiString getNextLine();

  // Moves the report of the ended run into the temporary folder under the
  // first free name "TMP" + n + ".$$$" (n counting 1 to 65535 over the
  // program's run, then from 1 again); its full path, or "" with
  // errorMessage() telling why.
  AnsiString saveReport();

  // What the process of the next start calls on a critical failure, from its
  // worker (the window posts it to its own thread); empty for none.
  void setCriticalNotifier(bzCriticalNotifier notifier) { notifier_ = std::move(notifier); }

  // The message of the last failed start or save.
  const AnsiString& errorMessage() const { return error_; }

  // Test seam: the number the next temporary report name tries first.
  static void setNextReportNumber(std::uint16_t n);

 private:
  std::uint64_t now() const;

  std::unique_ptr<bzProcessThread> process_;
  std::unique_ptr<bzSettings> settings_;
  std::unique_ptr<bzFileList> fileList_;
  std::unique_ptr<bzReport> report_;
  std::unique_ptr<bzProcessState> state_;
  Timer* timer_;
  Clock clock_;
  int fileCount_ = 0;
  AnsiString resultPath_;
  std::uint64_t startTick_ = 0;
  AnsiString error_;
  bzCriticalNotifier notifier_;
};

}  // namespace swde
