// Common base of the processes: one object is one run over a list of files
// on one worker thread. The base holds the run's frame (start line, error
// catching, summary, final message, stop line), opens and closes the input
// files through the file reader, turns reader errors into report lines,
// updates the shared progress record and keeps the key counters.
//
// A process object is always a bzRun<Process>: its constructors take a
// RunKey, which only bzRun can make. bzRun is the most derived class, so its
// destructor ends the run and joins the worker while the whole object still
// stands; no descendant has to remember to do it in its own destructor.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Com.h"
#include "platform/ComPtr.h"
#include "platform/Export.h"
#include "processing/bzCounter.h"
#include "processing/bzFileList.h"
#include "processing/bzProcessState.h"
#include "processing/bzReport.h"
#include "processing/bzSettings.h"
#include "reader/LiniaSW.h"
#include "reader/PlikSW.h"
#include "reader/RekordSW.h"

namespace swde {

using plat::AnsiString;

// Shows the text of a critical failure to the user. Called from the worker
// thread; it must not block it (the console writes to stderr, the window
// queues a message).
using bzCriticalNotifier = std::function<void(const AnsiString& text, const AnsiString& caption)>;

// A copy of s with the six ISO 8859-2 letters that stand elsewhere in
// Windows-1250 (Ą Ś Ź ą ś ź) moved to their Windows-1250 bytes.
OLVCORE_API AnsiString isoToWin1250(const AnsiString& s);

template <class Process>
class bzRun;

class OLVCORE_API bzProcessThread {
 public:
  // Proof that the object is made by bzRun; every process constructor takes
  // one and hands it on to this base.
  class RunKey {
    RunKey() = default;
    template <class Process>
    friend class bzRun;
  };

  enum ReportMsgType : std::uint8_t { rmError = 0, rmWarning = 1, rmInfo = 2 };
  // The section codes 46 SD .. 51 ST; any other value is no section.
  using ReportSectionType = std::uint8_t;

  using FileInfo = bzProcessState::FileInfo;

  // Counter kinds.
  enum CounterKind {
    ckObjectTypes = 0,
    ckArchivalTypes = 1,
    ckAttributes = 2,
    ckRelations = 3,
    ckRelationTargets = 4,
    ckCondensed = 5,
  };

  bzProcessThread(RunKey key, bzFileList* fileList, bzReport* report, bzSettings* settings,
                  bzProcessState* state);
  virtual ~bzProcessThread();
  bzProcessThread(const bzProcessThread&) = delete;
  bzProcessThread& operator=(const bzProcessThread&) = delete;

  // Starts the run on its own thread.
  void start();
  // Asks the run to stop and waits for its end up to ms milliseconds; false
  // only when the wait itself fails.
  bool stop(unsigned ms);
  // Waits for the end of the run.
  void waitFor();
  bool isRunning() const { return running_; }
  // True once this run or the run it follows (followStopOf) is asked to stop.
  bool isTerminated() const {
    return terminated_ || (stopSource_ && stopSource_->terminated_.load());
  }
  // 0, or -1 after a run that ran out of memory.
  int returnValue() const { return returnValue_; }
  // The run ended through a critical failure (also a report that could not
  // be written); its message.
  bool failedCritically() const { return failedCritically_; }
  AnsiString criticalMessage() const { return criticalMessage_; }

  void setNotifier(bzCriticalNotifier notifier) { notifier_ = std::move(notifier); }

  virtual AnsiString getTitle() const = 0;

  // Report lines (also used by the processes' helpers).
  void addToReport(const AnsiString& text);
  void addToReport(int code, ReportMsgType type, int fileIdx, ReportSectionType section,
                   std::int64_t lineNo, std::int64_t position, const AnsiString& text);
  void addToReport(int code, ReportMsgType type, int fileIdx, ReportSectionType section,
                   std::int64_t lineNo, std::int64_t position, const AnsiString& text,
                   const AnsiString& key);
  // Adds key to the counter of the kind; -1 for a kind without a counter.
  int addElemToCounter(int kind, const AnsiString& key);

  void setMessage(const AnsiString& text);

  // A report line held back instead of written: a free line (finding false)
  // or a finding with everything addToReport was given.
  struct HeldLine {
    bool finding = false;
    bool keyed = false;
    ReportMsgType type = rmError;
    ReportSectionType section = 0;
    int code = 0;
    int fileIdx = -1;
    std::int64_t lineNo = -1;
    std::int64_t position = -1;
    AnsiString text;
    AnsiString key;
  };

  // Period of the progress updates in the reading loops, in milliseconds.
  std::uint32_t updateInterval = 700;

 protected:
  virtual void clear() {}
  virtual int process() = 0;

  // Opens input i with a new reader; false (the reason written, the file's
  // entry in the state not opened) when it is missing, cannot be opened or
  // its header is not recognised. A file that is there but cannot be opened
  // counts one error.
  bool openFile(unsigned i);
  void closeFile();
  // The full path of input i as cp1250 text for report lines and the state;
  // the file list keeps the bytes that open it.
  AnsiString shownFileName(unsigned i) const;
  void updateState();
  // True exactly when one error line was written. A file's pending error is
  // written once: asked again, the same error gives nothing and false.
  bool checkError(PlikSW* file);
  bool checkError(RekordSW* record);
  bool checkError(LiniaSW* line);
  // A new reader for the next input file.
  virtual plat::ComPtr<PlikSW> createFileInterface();

  void reportStart();
  void reportStop();
  void reportFileList();
  void reportSettings();
  void reportStatistics();
  void reportErrors();

  // Ends the run after the file in hand for a reason found in the data (not
  // a stop by the user): the process leaves its file loop, and the run ends
  // with notice (also the final state message).
  void endRunWith(const AnsiString& notice) { endNotice_ = notice; }
  bool runEndedByData() const { return !endNotice_.empty(); }

  void initCOM() {}
  void doneCOM() {}

  // From now on the report lines go to held rather than to the report (null:
  // to the report again), untouched: no file line, no condensing.
  void holdReportLines(std::vector<HeldLine>* held) { held_ = held; }
  // Writes lines another process held back as this one writes its own: file
  // lines and the condensed report follow this process's report.
  void writeHeldLines(const std::vector<HeldLine>& lines);
  // This process stops as well whenever other is asked to stop; other
  // outlives every use of this process.
  void followStopOf(const bzProcessThread* other) { stopSource_ = other; }
  // Asks this process's loops to stop, as a stop of the run does.
  void askToStop() { terminated_ = true; }

  // Milliseconds of a steady clock, for the progress updates.
  static std::uint64_t tickCount();

 public:
  // Test seam: when set, tickCount reads this clock instead, so that a test
  // decides when an update is due. Null (the steady clock) unless a test
  // sets it.
  using Clock = std::uint64_t (*)();
  static void setClock(Clock clock) noexcept;

 protected:
  bzFileList* fileList = nullptr;
  bzReport* report = nullptr;
  bzSettings* settings = nullptr;
  bzProcessState* state = nullptr;

  FileInfo current{};
  std::uint32_t totalWarns = 0;
  std::uint32_t totalErrors = 0;
  std::uint32_t recordsCount = 0;
  std::uint64_t fileSize = 0;
  plat::ComPtr<PlikSW> fileObject;
  std::uint8_t fileType = 0;
  double fileVersion = 0;
  int currentFile = -1;
  std::array<std::unique_ptr<bzCounter>, 6> counters;
  int lastReportedFile = -1;

  // An error line of the open file, counted.
  void writeFinding(std::uint32_t code, ReportSectionType section, std::int64_t lineNo,
                    std::int64_t position, const AnsiString& text);

 private:
  template <class Process>
  friend class bzRun;
  // The metadata analyzer writes its findings, counts them and reads the
  // file's lines as a part of the process that owns it.
  friend class bzMdAnalyzer;
  friend class bzRelationAnalyzer;

  // Asks the run to end and waits for it (bzRun's destructor).
  void endRun();
  void execute();
  // The section code of the open file, 0 when none.
  ReportSectionType currentSection();
  void releaseFile();
  // Input currentFile was not opened: text reported, errors counted, the
  // state brought up to date.
  void notOpened(const AnsiString& text, std::uint32_t errors);
  // A finding line; gated by the condensed report when key is given.
  void addFindingLine(int code, ReportMsgType type, int fileIdx, ReportSectionType section,
                      std::int64_t lineNo, std::int64_t position, const AnsiString& text,
                      const AnsiString* key);

  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<int> returnValue_{0};
  std::atomic<bool> failedCritically_{false};
  AnsiString criticalMessage_;  // written by the worker before running_ goes false
  std::mutex endMutex_;
  std::condition_variable endCv_;
  bool ended_ = false;
  bzCriticalNotifier notifier_;
  AnsiString endNotice_;  // worker thread only
  // The reader error of the open file already written.
  bool fileErrorShown_ = false;
  std::uint32_t fileErrorCode_ = 0;
  std::uint32_t fileErrorLine_ = 0;
  std::vector<HeldLine>* held_ = nullptr;
  const bzProcessThread* stopSource_ = nullptr;
};

// The one way to make a process: Process with the constructor arguments
// after its RunKey. The destruction ends a run in progress (as stop does) and
// waits for it before any part of Process is gone.
template <class Process>
class bzRun final : public Process {
  static_assert(std::is_base_of_v<bzProcessThread, Process>);

 public:
  template <class... Args>
  explicit bzRun(Args&&... args)
      : Process(bzProcessThread::RunKey{}, std::forward<Args>(args)...) {}
  ~bzRun() override { static_cast<bzProcessThread*>(this)->endRun(); }
};

}  // namespace swde
