// The console face of the main program: reads the command line (one command)
// or a command file (many), runs the actions of the processing layer, prints
// the report or saves it, shows the status block while the space bar is held,
// and stops the running action on the control events.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "app/TimeTexts.h"
#include "platform/AnsiString.h"
#include "platform/ConsoleOutput.h"
#include "processing/bzFileList.h"
#include "processing/bzProcessState.h"
#include "processing/bzProcessThread.h"
#include "processing/bzSettings.h"

namespace swde {

using plat::AnsiString;

class iuConsole {
 public:
  // Exit statuses of the program.
  enum Status : int {
    stOk = 0,        // the action ran to its end, its report printed or saved
    stUsage = 1,     // a wrong command line or command file
    stFailure = 2,   // critical failure of the run, report not saved, function missing
    stStopped = 130  // stopped by the user
  };

  // Writes cp1250 text to the console: 0, or the errno value of the failure.
  using Writer = std::function<int(std::string_view cp1250)>;
  // Milliseconds of a steady clock.
  using Clock = std::function<std::uint64_t()>;
  // A space arrived since the last call; empty: no terminal, no status block.
  using SpacePoll = std::function<bool()>;

  // Keeps argc and argv; the words are read from argv.
  iuConsole(int argc, char** argv);
  virtual ~iuConsole();
  iuConsole(const iuConsole&) = delete;
  iuConsole& operator=(const iuConsole&) = delete;

  void setOutput(Writer writer) { writer_ = std::move(writer); }
  // Standard error: the commands of a command file that were skipped.
  void setErrorOutput(Writer writer) { errorWriter_ = std::move(writer); }
  void setClock(Clock clock) { clock_ = std::move(clock); }
  void setSpacePoll(SpacePoll poll) { spacePoll_ = std::move(poll); }
  // How the critical failure of a run reaches the user.
  void setNotifier(bzCriticalNotifier notifier) { notifier_ = std::move(notifier); }
  // Encoding of the command-line words, for echoing them in messages.
  void setArgumentEncoding(plat::ConsoleEncoding encoding) { argEncoding_ = encoding; }

  // Dispatch on the first word after the program name; the exit status.
  int run();

  // From the control events' thread: sets the stop flag and asks the running
  // process to stop. It never waits: the thread has to take the next event.
  void stop();
  bool isStopped() const { return stopped_; }

  // For a program that ends while the run is blocked (from the control
  // events' thread): deletes the temporary file of the report in the making,
  // if there is one. The run's thread never holds the path's lock across a
  // read or a write.
  void removeTemporaryReport();
  // The line that tells of a stop by the user.
  static AnsiString stopLine();

  // Writes a cp1250 text. A closed pipe ends the run without a further word;
  // any other failure ends it as a failed run (status 2).
  void write(const AnsiString& text);

  // The runners: parameter text of a command file's command, or nullopt for
  // the command line's words.
  int runDocAuth(const std::optional<AnsiString>& text);
  int runDocVerif(const std::optional<AnsiString>& text);
  int runSyntax(const std::optional<AnsiString>& text);
  int runSemantic(const std::optional<AnsiString>& text);
  int runMerge(const std::optional<AnsiString>& text);

  int runCommandFile(const AnsiString& fileName);
  void showHelp();
  static AnsiString helpText();

  // Parameter readers: 0, or 1 after an error message.
  int parseArgs(bzFileList& files, bzSettings& settings);
  int parseText(const AnsiString& text, bzFileList& files, bzSettings& settings);
  // Token of the command-file language from the 1-based position pos, which
  // it advances.
  static AnsiString nextToken(const AnsiString& text, int& pos);

  // The two time texts of the status block; start in clock milliseconds.
  AnsiString elapsedText(std::uint64_t start) const;
  AnsiString remainingText(const bzProcessState& state);
  AnsiString statusBlock(const bzProcessState& state);

  // Start of the current stage for the remaining-time estimate.
  void setStageStart(std::uint64_t tick) { times_.setStageStart(tick); }

 private:
  enum class Action { DocAuth, DocVerif, Syntax, Semantic, Merge };
  class ParamMachine;
  struct TemporaryReportRecord;

  void writeError(const AnsiString& text);
  bool outputEnded() const { return outputClosed_ || outputFailed_; }
  void setTemporaryReport(const std::string& path);
  // path names the command file being run.
  bool isCommandFile(const AnsiString& path) const;

  int runAction(Action action, const std::optional<AnsiString>& text);
  // The output and report files must not be input files, the command file
  // or anything but a regular file where they exist: 0, or 1 after the
  // message.
  int checkTargets(Action action, const bzFileList& files, const bzSettings& settings,
                   bool fromArgs);
  // firstWait: milliseconds after the start message before the first look
  // at the report.
  int runProcess(bzProcessThread& process, const AnsiString& started, bzFileList& files,
                 bzReport& report, const bzSettings& settings, const bzProcessState& state,
                 unsigned firstWait = 1000);
  // The merge's status: 0 only with the merged file written; without it 1
  // when an input is not there, else 2 (stops and critical failures keep
  // theirs).
  static int mergeStatus(int status, const bzFileList& files, bool written);
  // The run's status, made a failure when an input that exists got no
  // document (authorization and verification).
  static int documentsStatus(int status, const bzFileList& files,
                             const std::function<bool(unsigned)>& written);
  void printNewLines(bzReport& report);
  // Sleeps up to ms, less when the process ends first.
  void pause(const bzProcessThread& process, unsigned ms);
  void setRunning(bzProcessThread* process);
  std::uint64_t now() const;
  AnsiString echo(const AnsiString& word) const;

  int argc_;
  char** argv_;
  std::atomic<bool> stopped_{false};
  std::atomic<bool> outputClosed_{false};
  std::atomic<bool> outputFailed_{false};
  std::mutex runningMutex_;
  bzProcessThread* running_ = nullptr;
  std::uint64_t startTime_ = 0;
  TimeTexts times_;
  Writer writer_;
  Writer errorWriter_;
  Clock clock_;
  SpacePoll spacePoll_;
  std::mutex temporaryMutex_;
  std::string temporaryReport_;  // under temporaryMutex_
  // The command file being run (device and inode).
  bool inCommandFile_ = false;
  dev_t commandDev_ = 0;
  ino_t commandIno_ = 0;
  bzCriticalNotifier notifier_;
  plat::ConsoleEncoding argEncoding_ = plat::ConsoleEncoding::Cp1250;
};

}  // namespace swde
