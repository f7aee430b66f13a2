#include "app/iuConsole.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <exception>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "app/iuCommandFile.h"
#include "app/iuCommandToken.h"
#include "app/iuParameters.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "platform/Format.h"
#include "processing/bzDocAuthProcess.h"
#include "processing/bzDocVerifProcess.h"
#include "processing/bzMergeProcess.h"
#include "processing/bzReport.h"
#include "processing/bzSemanticProcess.h"
#include "processing/bzSyntaxProcess.h"

namespace swde {

using plat::cp;
using plat::LowerCase;
using plat::UIntToStr;

namespace {

struct Texts {
  AnsiString badList = cp("Błędna lista parametrów!\n");
  AnsiString unknownFirst = cp("Nie rozpoznano pierwszego parametru: ");
  AnsiString fileCount = cp("Błąd linii poleceń : zła liczba plików wejściowych\n");
  AnsiString noOutput = cp("Błąd linii poleceń : brak nazwy pliku wynikowego\n");
  AnsiString commandLine = cp("Błąd linii poleceń : ");
  AnsiString reportIsInput = cp("Błąd linii poleceń : plik raportu jest plikiem wejściowym: ");
  AnsiString outputIsInput = cp("Błąd linii poleceń : plik wynikowy jest plikiem wejściowym: ");
  AnsiString reportIsCommandFile =
      cp("Błąd linii poleceń : plik raportu jest plikiem z poleceniami: ");
  AnsiString outputIsCommandFile =
      cp("Błąd linii poleceń : plik wynikowy jest plikiem z poleceniami: ");
  AnsiString reportIsOutput = cp("Błąd linii poleceń : plik raportu jest plikiem wynikowym: ");
  AnsiString reportNotRegular = cp("Plik raportu nie jest zwykłym plikiem: ");
  AnsiString outputNotRegular = cp("Plik wynikowy nie jest zwykłym plikiem: ");
  AnsiString unknownCommand = cp("Pominięto nieznane polecenie: ");
  AnsiString stopped = cp("Przetwarzanie zostało przerwane przez użytkownika");
  AnsiString finished = cp("Zakończono przetwarzanie\n");
  AnsiString commandFileError = cp("Błąd przetwarzania pliku z poleceniami w linii %d. %s\n");
  AnsiString commandFileErrorBare = cp("Błąd przetwarzania pliku z poleceniami w linii %d.");
  AnsiString cannotOpen = cp("Nie można otworzyć pliku z poleceniami: ");
  AnsiString cannotRead = cp("Nie można odczytać pliku z poleceniami: ");
  AnsiString stars = AnsiString(52, '*') + "\n";
  AnsiString file = cp("Plik: ");
  AnsiString stateText = cp("Stan: ");
  AnsiString elapsed = cp("Upłynęło: ");
  AnsiString remaining = cp("Do końca etapu: ");
  AnsiString records = cp("Liczba przetworzonych rekordów: ");
  AnsiString errors = cp("Liczba błędów: ");
};

const Texts& texts() {
  static const Texts t;
  return t;
}

// Start message of each action (UTF-8 source).
const char* startedText(int action) {
  static const char* const kStarted[] = {
      "Uruchomiono generację dokumentu autoryzacji\n",
      "Uruchomiono weryfikację pliku\n",
      "Rozpoczeto proces analizy syntaktycznej\n",
      "Uruchomiono sprawdzanie poprawności semantycznej\n",
      "Uruchomiono scalanie dokumentów\n",
  };
  return kStarted[action];
}

std::uint64_t steadyMillis() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

AnsiString currentFolder() {
  std::string buf(4096, '\0');
  for (;;) {
    if (::getcwd(buf.data(), buf.size())) return AnsiString(buf.c_str());
    if (errno != ERANGE || buf.size() > (1u << 20)) return ".";
    buf.resize(buf.size() * 2);
  }
}

// Both paths name one target, existing or still to be made: one file, or
// one name in one folder.
bool sameTarget(const AnsiString& a, const AnsiString& b) {
  if (plat::sameFile(a, b)) return true;
  const AnsiString name = plat::extractFileName(a);
  if (name.empty() || name != plat::extractFileName(b)) return false;
  const AnsiString fa = plat::extractFilePath(a), fb = plat::extractFilePath(b);
  return plat::sameFile(fa.empty() ? "." : fa, fb.empty() ? "." : fb);
}

// Clears the running process before the process object goes, on every path.
struct RunningGuard {
  std::function<void()> clear;
  ~RunningGuard() { clear(); }
};

}  // namespace

// ---------------------------------------------------------------------------
// The parameter words and the mode they set, shared by the two readers.

class iuConsole::ParamMachine : public iuParameters::Sink {
 public:
  ParamMachine(iuConsole& console, bzFileList& files, bzSettings& settings, bool fromArgs)
      : console_(console), files_(files), settings_(settings), fromArgs_(fromArgs) {
    settings_.reportCondensed = false;
  }

  void input(const AnsiString& word) override {
    const AnsiString folder = plat::extractFilePath(word);
    if (!folder.empty()) {
      files_.addFile(plat::extractFileName(word), folder);
    } else {
      AnsiString here = currentFolder();
      if (here.empty() || here.back() != '/') here += '/';
      files_.addFile(word, here + word);
    }
  }
  void output(const AnsiString& word) override {
    settings_.outputFileName = plat::extractFileName(word);
    settings_.outputDir = plat::extractFilePath(word);
  }
  void report(const AnsiString& word) override {
    settings_.reportDir = plat::extractFilePath(word);
    settings_.reportFileName = plat::extractFileName(word);
  }
  void skipComments() override { settings_.skipComments = true; }
  void skipWhiteChars() override { settings_.skipWhiteChars = true; }
  void condensed() override { settings_.reportCondensed = true; }
  void error(const AnsiString& message) override { console_.write(message); }
  AnsiString echo(const AnsiString& word) const override {
    return fromArgs_ ? console_.echo(word) : word;
  }

 private:
  iuConsole& console_;
  bzFileList& files_;
  bzSettings& settings_;
  const bool fromArgs_;
};

// ---------------------------------------------------------------------------

iuConsole::iuConsole(int argc, char** argv) : argc_(argc), argv_(argv) {}

iuConsole::~iuConsole() = default;

std::uint64_t iuConsole::now() const {
  return clock_ ? clock_() : steadyMillis();
}

AnsiString iuConsole::echo(const AnsiString& word) const {
  return plat::fromConsoleEncoding(word, argEncoding_);
}

void iuConsole::write(const AnsiString& text) {
  if (outputEnded() || text.empty() || !writer_) return;
  const int err = writer_(text);
  if (err == 0) return;
  // Nobody reads any more (EPIPE): the run ends without a further word. Any
  // other failure ends it too, as a failed one: the report or its messages
  // would be lost without notice.
  if (err == EPIPE)
    outputClosed_ = true;
  else
    outputFailed_ = true;
  std::lock_guard<std::mutex> g(runningMutex_);
  if (running_) running_->stop(0);
}

void iuConsole::writeError(const AnsiString& text) {
  if (errorWriter_) errorWriter_(text);
}

void iuConsole::stop() {
  std::lock_guard<std::mutex> g(runningMutex_);
  stopped_ = true;
  if (running_) running_->stop(0);
}

AnsiString iuConsole::stopLine() {
  return texts().stopped;
}

void iuConsole::setTemporaryReport(const std::string& path) {
  std::lock_guard<std::mutex> g(temporaryMutex_);
  temporaryReport_ = path;
}

void iuConsole::removeTemporaryReport() {
  std::lock_guard<std::mutex> g(temporaryMutex_);
  if (!temporaryReport_.empty()) ::unlink(temporaryReport_.c_str());
  temporaryReport_.clear();
}

// The report's temporary file is known to removeTemporaryReport from its
// creation until the report object goes, which deletes it unless it was saved.
struct iuConsole::TemporaryReportRecord {
  iuConsole& console;
  ~TemporaryReportRecord() { console.setTemporaryReport(std::string()); }
};

bool iuConsole::isCommandFile(const AnsiString& path) const {
  struct stat st;
  return inCommandFile_ && ::stat(path.c_str(), &st) == 0 && st.st_dev == commandDev_ &&
         st.st_ino == commandIno_;
}

void iuConsole::setRunning(bzProcessThread* process) {
  std::lock_guard<std::mutex> g(runningMutex_);
  running_ = process;
}

int iuConsole::run() {
  int status = stOk;
  if (argc_ < 2) {
    showHelp();
    status = stFailure;
  } else {
    const AnsiString word = argv_[1];
    const AnsiString key = LowerCase(word);
    if (key == "-pol") {
      status = runCommandFile(argc_ > 2 ? AnsiString(argv_[2]) : AnsiString());
    } else if (key == "ga") {
      status = runDocAuth(std::nullopt);
    } else if (key == "wa") {
      status = runDocVerif(std::nullopt);
    } else if (key == "sk") {
      status = runSyntax(std::nullopt);
    } else if (key == "sp") {
      status = runSemantic(std::nullopt);
    } else if (key == "sc") {
      status = runMerge(std::nullopt);
    } else if (key == "/?") {
      showHelp();
    } else {
      const Texts& t = texts();
      write(t.badList);
      write(t.unknownFirst + echo(word));
      write("\n");
      status = stUsage;
    }
  }
  if (outputEnded()) status = std::max<int>(status, stFailure);
  if (stopped_) status = std::max<int>(status, stStopped);
  return status;
}

int iuConsole::runDocAuth(const std::optional<AnsiString>& text) {
  return runAction(Action::DocAuth, text);
}
int iuConsole::runDocVerif(const std::optional<AnsiString>& text) {
  return runAction(Action::DocVerif, text);
}
int iuConsole::runSyntax(const std::optional<AnsiString>& text) {
  return runAction(Action::Syntax, text);
}
int iuConsole::runSemantic(const std::optional<AnsiString>& text) {
  return runAction(Action::Semantic, text);
}
int iuConsole::runMerge(const std::optional<AnsiString>& text) {
  return runAction(Action::Merge, text);
}

int iuConsole::runAction(Action action, const std::optional<AnsiString>& text) {
  const Texts& t = texts();
  bzSettings settings;
  bzFileList files;
  bzReport report(false);
  TemporaryReportRecord record{*this};
  bzProcessState state;
  if ((text ? parseText(*text, files, settings) : parseArgs(files, settings)) != 0)
    return stopped_ ? stStopped : stUsage;

  const unsigned count = files.getFileCount();
  if (action == Action::Merge ? count != 2 : count < 1) {
    write(t.fileCount);
    return stopped_ ? stStopped : stUsage;
  }
  if (action == Action::Merge && settings.outputFileName.empty()) {
    write(t.noOutput);
    return stUsage;
  }
  if (action == Action::DocVerif && !settings.outputFileName.empty()) {
    // The verification writes only its document: -pwy names its folder,
    // with or without the closing "/".
    settings.outputDir += settings.outputFileName;
    settings.outputFileName.clear();
  }
  if (action == Action::DocAuth && count > 1 && !settings.outputFileName.empty()) {
    // Every input would overwrite the one copy.
    write(t.commandLine + bzOneOutputNameText() + "\n");
    return stUsage;
  }
  if (checkTargets(action, files, settings, !text) != 0) return stUsage;

  const AnsiString started = cp(startedText(static_cast<int>(action)));
  if (action == Action::DocAuth) {
    bzRun<bzDocAuthProcess> process(&files, &report, &settings, &state);
    const int status = runProcess(process, started, files, report, settings, state);
    return documentsStatus(status, files, [&](unsigned i) { return process.documentWritten(i); });
  }
  if (action == Action::DocVerif) {
    bzRun<bzDocVerifProcess> process(&files, &report, &settings, &state);
    const int status = runProcess(process, started, files, report, settings, state);
    return documentsStatus(status, files, [&](unsigned i) { return process.documentWritten(i); });
  }
  if (action == Action::Semantic) {
    bzRun<bzSemanticProcess> process(&files, &report, &settings, &state);
    return runProcess(process, started, files, report, settings, state, 500);
  }
  if (action == Action::Merge) {
    bzRun<bzMergeProcess> process(&files, &report, &settings, &state);
    const int status = runProcess(process, started, files, report, settings, state);
    return mergeStatus(status, files, process.resultWritten());
  }
  bzRun<bzSyntaxProcess> process(&files, &report, &settings, &state);
  return runProcess(process, started, files, report, settings, state);
}

int iuConsole::documentsStatus(int status, const bzFileList& files,
                               const std::function<bool(unsigned)>& written) {
  // An input that is there and got no document is a failed run for a
  // script, also when the findings alone would not make it one.
  for (unsigned i = 0; i < files.getFileCount(); ++i) {
    struct stat st;
    const AnsiString path = files.getFilePath(i) + files.getFileName(i);
    if (::stat(path.c_str(), &st) == 0 && !written(i)) return std::max<int>(status, stFailure);
  }
  return status;
}

int iuConsole::mergeStatus(int status, const bzFileList& files, bool written) {
  if (status == stStopped || status == stFailure || written) return status;
  // No merged file: an input that is not there is a wrong command line,
  // anything else (a refusal, a failure of the merge) a failed run.
  for (unsigned i = 0; i < files.getFileCount(); ++i) {
    struct stat st;
    const AnsiString path = files.getFilePath(i) + files.getFileName(i);
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return stUsage;
  }
  return stFailure;
}

int iuConsole::checkTargets(Action action, const bzFileList& files, const bzSettings& settings,
                            bool fromArgs) {
  const Texts& t = texts();
  const unsigned count = files.getFileCount();
  auto inputOf = [&](const AnsiString& path) -> bool {
    for (unsigned i = 0; i < count; ++i)
      if (plat::sameFile(path, files.getFilePath(i) + files.getFileName(i))) return true;
    return false;
  };
  // Paths from the command line are in the console's encoding and go back to
  // cp1250 for the message; those of a command file are shown as they stand.
  auto refuse = [&](const AnsiString& message, const AnsiString& path) {
    write(message + (fromArgs ? echo(path) : path) + "\n");
    return 1;
  };

  // Every file the process writes besides the report.
  std::vector<AnsiString> outputs;
  if (action == Action::DocAuth) {
    // The copy of each input and its document.
    for (unsigned i = 0; i < count; ++i) {
      const bzDocTargets targets =
          bzAuthTargets(settings, files.getFilePath(i), files.getFileName(i));
      outputs.push_back(targets.copyPath);
      outputs.push_back(targets.documentPath);
    }
  } else if (action == Action::DocVerif) {
    for (unsigned i = 0; i < count; ++i)
      outputs.push_back(bzVerifDocumentPath(settings, files.getFilePath(i), files.getFileName(i)));
  } else if (action == Action::Merge) {
    outputs.push_back(settings.outputDir + settings.outputFileName);
  }

  // The report is no input, not the command file being run and none of the
  // outputs (saved last, it would take an output's place); where it exists it
  // is a regular file: a device or a FIFO is never replaced by a file.
  if (!settings.reportFileName.empty() || !settings.reportDir.empty()) {
    const AnsiString target = settings.reportDir + settings.reportFileName;
    if (inputOf(target)) return refuse(t.reportIsInput, target);
    if (isCommandFile(target)) return refuse(t.reportIsCommandFile, target);
    for (const AnsiString& output : outputs)
      if (sameTarget(target, output)) return refuse(t.reportIsOutput, target);
    if (plat::existsAsNonRegular(target)) return refuse(t.reportNotRegular, target);
  }
  // The outputs likewise.
  for (const AnsiString& output : outputs) {
    if (inputOf(output)) return refuse(t.outputIsInput, output);
    if (isCommandFile(output)) return refuse(t.outputIsCommandFile, output);
    if (plat::existsAsNonRegular(output)) return refuse(t.outputNotRegular, output);
  }
  return 0;
}

int iuConsole::runProcess(bzProcessThread& process, const AnsiString& started, bzFileList& files,
                          bzReport& report, const bzSettings& settings, const bzProcessState& state,
                          unsigned firstWait) {
  const Texts& t = texts();
  startTime_ = now();
  times_.setStageStart(startTime_);

  if (!report.Create(&files)) {
    write(report.failureMessage() + "\n");
    return stFailure;
  }
  setTemporaryReport(report.getPath());
  process.setNotifier(notifier_);
  RunningGuard guard{[this] { setRunning(nullptr); }};
  {
    std::lock_guard<std::mutex> g(runningMutex_);
    running_ = &process;
    process.start();
    // A stop that came between the reading of the words and here.
    if (stopped_ || outputEnded()) process.stop(0);
  }
  write(started);
  pause(process, firstWait);

  auto spaceHeld = [this] { return spacePoll_ && spacePoll_(); };
  const bool toFile = !settings.reportFileName.empty() || !settings.reportDir.empty();
  bool saveFailed = false;
  if (!toFile) {
    while (process.isRunning() && !outputEnded()) {
      if (spaceHeld()) {
        write(statusBlock(state));
        pause(process, 100);
      }
      printNewLines(report);
      pause(process, 500);
    }
    process.waitFor();
    printNewLines(report);
  } else {
    while (process.isRunning()) {
      pause(process, 500);
      if (spaceHeld()) {
        write(statusBlock(state));
        pause(process, 100);
      }
    }
    process.waitFor();
    AnsiString error;
    const bool saved = report.SaveToFile(settings.reportDir + settings.reportFileName, &error);
    // Saved, or kept where the message says: no longer to be removed.
    setTemporaryReport(std::string());
    if (!saved) {
      saveFailed = true;
      write(error + "\n");
    }
  }
  write(t.finished);

  int status = stOk;
  // An input file that was not found is a wrong command, not a finding: the
  // run goes on with the other files, but a script must not take it for a
  // clean check.
  for (std::uint32_t i = 0; i < files.getFileCount(); ++i)
    if (i < state.getFilesProceeded() && state.getFileInfo(static_cast<int>(i)).status == 0)
      status = stUsage;
  if (process.failedCritically() || saveFailed || outputEnded()) status = stFailure;
  if (stopped_) status = stStopped;
  return status;
}

void iuConsole::printNewLines(bzReport& report) {
  AnsiString batch;
  while (auto line = report.GetNextLine()) {
    batch += line->text;
    batch += '\n';
    if (batch.size() >= 65536) {
      write(batch);
      batch.clear();
      if (outputEnded()) return;
    }
  }
  write(batch);
}

void iuConsole::pause(const bzProcessThread& process, unsigned ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (process.isRunning() && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// ---------------------------------------------------------------------------
// Status block and its time texts

AnsiString iuConsole::elapsedText(std::uint64_t start) const {
  const std::uint64_t t = now();
  return TimeTexts::elapsed(t > start ? t - start : 0);
}

AnsiString iuConsole::remainingText(const bzProcessState& state) {
  return times_.remaining(state.getProcessPosition(), state.getProcessMaxValue(), now())
      .value_or(AnsiString());
}

AnsiString iuConsole::statusBlock(const bzProcessState& state) {
  const Texts& t = texts();
  const std::uint32_t errors = state.getTotalErrorsNum();
  const AnsiString fileName = state.getCurrentFileName();
  const AnsiString message = state.getStateMessage();
  const AnsiString elapsed = elapsedText(startTime_);
  const AnsiString remaining = remainingText(state);
  const std::uint32_t records = state.getRecordsNumber();
  AnsiString s = t.stars + "\n";
  s += t.file + fileName + "\n\n";
  s += t.stateText + message + "\n\n";
  s += t.elapsed + elapsed + "\n\n";
  s += t.remaining + remaining + "\n\n";
  s += t.records + UIntToStr(records) + "\n\n";
  s += t.errors + UIntToStr(errors) + "\n\n";
  s += t.stars;
  return s;
}

// ---------------------------------------------------------------------------
// Parameter readers and the token reader

int iuConsole::parseArgs(bzFileList& files, bzSettings& settings) {
  ParamMachine sink(*this, files, settings, true);
  iuParameters machine(sink, true);
  for (int i = 2; i < argc_; ++i) {
    if (stopped_) continue;
    if (machine.feed(argv_[i] ? AnsiString(argv_[i]) : AnsiString()) != 0) return 1;
  }
  return 0;
}

int iuConsole::parseText(const AnsiString& text, bzFileList& files, bzSettings& settings) {
  ParamMachine sink(*this, files, settings, false);
  iuParameters machine(sink, false);
  return machine.feedText(text, [this] { return stopped_.load(); });
}

AnsiString iuConsole::nextToken(const AnsiString& text, int& pos) {
  return swde::nextToken(text, pos);
}

// ---------------------------------------------------------------------------
// Command file

int iuConsole::runCommandFile(const AnsiString& fileName) {
  const Texts& t = texts();
  // Never blocks at the open, and takes a regular file only: a FIFO or a
  // device would hold the program or feed it without end.
  iuCommandFile file;
  int err = ENOENT;
  struct stat st;
  if (!file.open(fileName, err, &st)) {
    write(t.cannotOpen + echo(fileName) + " (" + plat::fileErrorReason(err) + ")\n");
    return stUsage;
  }
  // No command may write over the file while it is read.
  inCommandFile_ = true;
  commandDev_ = st.st_dev;
  commandIno_ = st.st_ino;
  struct Leave {
    bool& in;
    ~Leave() { in = false; }
  } leave{inCommandFile_};

  // The error messages name a command by its ordinal, skipped commands
  // included.
  int worst = stOk;
  int ran = 0;  // commands given to a function
  try {
    while (!stopped_ && !outputEnded()) {
      const iuCommandFile::Piece piece = file.next();
      if (piece.kind == iuCommandFile::Kind::ReadError) {
        write(t.cannotRead + echo(fileName) + "\n");
        worst = std::max<int>(worst, stUsage);
        break;
      }
      if (piece.kind == iuCommandFile::Kind::End) break;
      if (piece.kind == iuCommandFile::Kind::Skipped) continue;

      const AnsiString& word = piece.function;
      const AnsiString& params = piece.params;
      const AnsiString key = LowerCase(word);
      int status = stOk;
      if (key == "ga")
        status = runDocAuth(params);
      else if (key == "wa")
        status = runDocVerif(params);
      else if (key == "sk")
        status = runSyntax(params);
      else if (key == "sp")
        status = runSemantic(params);
      else if (key == "sc")
        status = runMerge(params);
      else {
        // Skipped, but not in silence: a misspelt word (or a file in another
        // encoding) would otherwise look like a clean run.
        writeError(t.unknownCommand + word + "\n");
        continue;
      }
      ++ran;
      worst = std::max(worst, status);
    }
  } catch (const iuCommandFile::Error& e) {
    write(plat::Format(t.commandFileError, {file.ordinal(), e.Message()}));
    worst = std::max<int>(worst, stUsage);
  } catch (const plat::Exception& e) {
    write(plat::Format(t.commandFileError, {file.ordinal(), e.Message()}));
    worst = std::max<int>(worst, stFailure);
  } catch (const std::exception& e) {
    write(plat::Format(t.commandFileError, {file.ordinal(), e.what()}));
    worst = std::max<int>(worst, stFailure);
  } catch (...) {
    write(plat::Format(t.commandFileErrorBare, {file.ordinal()}));
    worst = std::max<int>(worst, stFailure);
  }
  // A file that ran nothing did not do what it was meant to.
  if (ran == 0) worst = std::max<int>(worst, stUsage);
  if (stopped_) worst = std::max<int>(worst, stStopped);
  return worst;
}

// ---------------------------------------------------------------------------

void iuConsole::showHelp() {
  write(helpText());
}

}  // namespace swde

namespace swde {

AnsiString iuConsole::helpText() {
  static const AnsiString text =
      cp(R"(-------------------------------------------------------------------------------
 Polecenia przetwarzania wsadowego
-------------------------------------------------------------------------------
 Ogólna składnia polecenia jest następująca:

   olven <funkcja> <parametry>
   olven -pol <plik>

 Uruchomiony bez parametrów program otwiera okno główne.

-------------------------------------------------------------------------------
 1. Funkcje
-------------------------------------------------------------------------------
 GA   : generacja dokumentu autoryzacji
 WA   : weryfikacja autentyczności pliku danych (dokumentu autoryzacji)
 SK   : sprawdzanie poprawności składni pliku - popr. syntaktyczna
 SP   : sprawdzanie spójności pliku (plików) - popr. semantyczna
 SC   : scalanie plików SWDE

-------------------------------------------------------------------------------
 2. Parametry
-------------------------------------------------------------------------------
 -pwe  <plik lub pliki>       : plik lub pliki wejściowe danych
 -pwy  <plik>                 : plik wyjściowy danych
 -pk                          : włączenie pomijania komentarzy
 -pbz                         : włączenie pomijania nieznaczących znaków
                                (białych znaków)
 -r <plik>                    : plik raportu (binarny plik raportu .rpt)
 -rk                          : włączenie raportu skondensowanego
 -pol <plik>                  : plik z poleceniami do wykonania

 Nie wszystkie parametry mają zastosowanie dla każdej z funkcji programu.

-------------------------------------------------------------------------------
 3. Dopuszczalne parametry dla funkcji programu
-------------------------------------------------------------------------------
 a) GA -pwe <plik> -pwy <plik> [-pk] [-pbz] [-r <plik>]
    Plik wyjściowy to kopia pliku danych z sumami kontrolnymi. Bez -pwy kopia
    powstaje w folderze pliku danych pod jego nazwą z dopiskiem "_crc"
    (obr05.swd -> obr05_crc.swd). Dokument autoryzacji jest zapisywany
    w folderze kopii, pod nazwą kopii z rozszerzeniem ".aut.rtf"
    (obr05_crc.swd.aut.rtf). Nazwę pliku wyjściowego można podać tylko dla
    jednego pliku wejściowego. Kopia i dokument pojawiają się razem, dopiero
    gdy cały plik został przetworzony bez błędu; po błędzie lub przerwaniu
    żaden z nich nie powstaje, a wcześniejsze pliki o tych nazwach zostają
    nienaruszone.
    np. ga -pwe /dane/obr05.swd -pwy /dane/aut/obr05_crc.swd -r /rap/aut05.rpt
 b) WA -pwe <plik> [-pwy <folder>] [-r <plik>]
    Sprawdza sumy kontrolne kopii utworzonej przez GA. Dokument weryfikacji
    jest zapisywany pod nazwą pliku z rozszerzeniem ".wer.rtf" w folderze
    podanym w -pwy, a bez -pwy w folderze sprawdzanego pliku. Dokumenty GA
    i WA nieruszonej kopii są jednakowe.
    np. wa -pwe /dane/aut/obr05_crc.swd -pwy /dane/wer/ -r /raporty/wer05.rpt
 c) SK -pwe <plik/pliki> [-r <plik>]
    np. sk -pwe /dane/obr05.swd /dane/obr06.swd -r /raporty/skl05.rpt
 d) SP -pwe <plik/pliki> [-r <plik>] [-rk]
    np. sp -pwe /dane/obr05.swd -r /raporty/sem05.rpt -rk
 e) SC -pwe <plik_1> <plik_2> -pwy <plik> [-r <plik>]
    Scala plik z częścią opisową i plik z częścią geometryczną (w dowolnej
    kolejności) w jeden plik wynikowy. Plik wynikowy powstaje jako plik
    tymczasowy w swoim folderze i zastępuje wcześniejszy plik o tej nazwie
    dopiero po bezbłędnym zakończeniu scalania; po odmowie, błędzie lub
    przerwaniu wcześniejszy plik zostaje nienaruszony, a pliki robocze są
    usuwane.
    np. sc -pwe /dane/op/obr05.dat /dane/geom/obr05g.dat
           -pwy /dane/obr05_caly.dat -r /raporty/rap05.rpt

-------------------------------------------------------------------------------
 4. Przetwarzanie pliku poleceń
-------------------------------------------------------------------------------
 Plik poleceń jest ciągiem poleceń postaci:

   <funkcja> <parametry>;

 Plik poleceń musi być zwykłym plikiem. Znak średnika kończy polecenie; tekst
 za ostatnim średnikiem nie jest wykonywany. Polecenia mogą składać się
 z kilku linii; słowa rozdzielają spacje, tabulatory i końce linii (LF, CR LF
 albo samo CR). Nazwę ze spacjami zapisuje się w cudzysłowie, np.
 "/moje dane/obr05.swd"; w cudzysłowie tabulator jest częścią nazwy.
 Znacznik UTF-8 (BOM) na początku pliku jest pomijany.
 Przed nazwą funkcji polecenia słowo zaczynające się znakiem # rozpoczyna
 komentarz, który sięga do końca linii - komentarze pisze się więc w osobnych
 liniach przed poleceniem. Za nazwą funkcji znak # nie rozpoczyna komentarza:
 tekst od niego do końca linii jest jednym słowem polecenia (np. nazwą pliku).
 Polecenie złożone z samych komentarzy jest błędem, który kończy przetwarzanie
 pliku. Polecenie z samą nazwą funkcji jest pomijane; polecenie z nieznaną
 nazwą funkcji także, z komunikatem "Pominięto nieznane polecenie" na
 standardowym wyjściu błędów. Plik poleceń, z którego nie wykonano żadnego
 polecenia, kończy się kodem 1. Błąd w parametrach polecenia nie wstrzymuje
 następnych poleceń.
 Komunikat o błędzie pliku poleceń podaje numer polecenia w pliku (licząc
 od 1, pominięte polecenia także), a nie numer linii.
 Przykład:

   # autoryzacja obrębu 5
   GA -pwe /dane/obr05.swd
      -pwy /dane/aut/obr05_crc.swd -r /raporty/aut05.rpt;
   # autoryzacja obrębu 6
   GA -pwe /dane/obr06.swd
      -pwy /dane/aut/obr06_crc.swd -r /raporty/aut06.rpt;
   SP -pwe obr05.swde -r rap05.rpt;

-------------------------------------------------------------------------------
 5. Uwagi końcowe
-------------------------------------------------------------------------------
 * Wielkość liter w nazwach funkcji i parametrów jest nieznacząca; nazwy plików
   są brane dokładnie tak, jak je zapisano.
 * W przypadku nie wyspecyfikowania parametru określającego plik raportu,
   raport będzie generowany na ekran.
 * W przypadku braku ścieżek w nazwach plików za domyślny katalog będzie
   przyjmowany katalog bieżący.
 * Plik raportu ani plik wyjściowy nie może być żadnym z plików wejściowych
   ani plikiem poleceń, a plik raportu - także plikiem wyjściowym. Jeśli już
   istnieje, musi być zwykłym plikiem (nie katalogiem, urządzeniem ani
   potokiem).
 * Przytrzymanie spacji w czasie przetwarzania pokazuje jego stan; Ctrl+C
   przerywa przetwarzanie (plik poleceń nie jest wtedy czytany dalej). Gdy
   przetwarzanie nie zakończy się w ciągu 3 sekund od przerwania albo po
   ponownym Ctrl+C, program kończy się od razu, bez raportu.
 * Kod wyjścia: 0 - przetwarzanie doszło do końca, a raport został wypisany
   lub zapisany (błędy znalezione w danych nie są niepowodzeniem);
   dla SC kod 0 oznacza, że plik wynikowy został zapisany;
   1 - błędna linia poleceń, błędny plik poleceń albo nieznaleziony plik
   wejściowy (pozostałe pliki są sprawdzane); 2 - błąd krytyczny
   przetwarzania, raport, którego nie udało się zapisać, nieudany zapis na
   standardowe wyjście, (GA, WA) istniejący plik wejściowy, dla którego nie
   powstał dokument, albo (SC) scalanie odrzucone lub nieudane, po którym
   nie powstał plik wynikowy;
   130 - przetwarzanie przerwane przez użytkownika.
   Niezgodne lub brakujące sumy kontrolne znalezione przez WA są błędami
   w danych i same nie zmieniają kodu wyjścia.
 * Szablony dokumentów GA i WA są brane z rejestru programu; gdy ich tam nie
   ma, program wczytuje je z pliku szablon.reg ze swojego folderu.
   Plik poleceń kończy się najgorszym z kodów swoich poleceń.
)");
  return text;
}

}  // namespace swde
