#include "app/guiActions.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <exception>
#include <mutex>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "processing/bzDocAuthProcess.h"
#include "processing/bzDocVerifProcess.h"
#include "processing/bzMergeProcess.h"
#include "processing/bzSemanticProcess.h"
#include "processing/bzSyntaxProcess.h"

namespace swde {

namespace {

// The number of the next temporary report name, for the whole program run.
std::mutex numberMutex;
std::uint16_t nextNumber = 1;

std::uint16_t takeNumber() {
  std::lock_guard<std::mutex> g(numberMutex);
  const std::uint16_t n = nextNumber;
  nextNumber = n == 65535 ? 1 : static_cast<std::uint16_t>(n + 1);
  return n;
}

template <class Process>
guiActions::ProcessMaker maker() {
  return [](bzFileList* f, bzReport* r, bzSettings* s, bzProcessState* st) {
    return std::unique_ptr<bzProcessThread>(std::make_unique<bzRun<Process>>(f, r, s, st));
  };
}

}  // namespace

guiActions::guiActions(Timer* timer, Clock clock)
    : settings_(std::make_unique<bzSettings>()),
      fileList_(std::make_unique<bzFileList>()),
      report_(std::make_unique<bzReport>(false)),
      state_(std::make_unique<bzProcessState>()),
      timer_(timer),
      clock_(std::move(clock)) {}

guiActions::~guiActions() {
  // The process points into the four objects: it goes first.
  process_.reset();
}

std::uint64_t guiActions::now() const {
  if (clock_) return clock_();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

AnsiString guiActions::normalizeFolder(const AnsiString& text) {
  AnsiString s = plat::TrimRight(text);
  if (!s.empty() && s.back() != '/') s += '/';
  return s;
}

AnsiString guiActions::mergeOutputConflict(const ActionInputs& in, const AnsiString& resultPath) {
  for (const ActionInputs::File& f : in.files)
    if (plat::sameFile(resultPath, f.path))
      return plat::cp("Plik wynikowy jest plikiem wejściowym: ") +
             plat::fileNameToCp1250(resultPath);
  return AnsiString();
}

bool guiActions::start(const ActionInputs& in, const ProcessMaker& make) {
  error_.clear();
  settings_->skipComments = in.exclComments;
  settings_->skipWhiteChars = in.exclWhiteChars;
  settings_->maxErrors = in.maxErrors;
  for (const ActionInputs::File& f : in.files) fileList_->addFile(f.name, f.path);
  fileCount_ = static_cast<int>(fileList_->getFileCount());
  if (!report_->Create(fileList_.get())) {
    error_ = report_->failureMessage();
    return false;
  }
  process_ = make(fileList_.get(), report_.get(), settings_.get(), state_.get());
  if (notifier_) process_->setNotifier(notifier_);
  startTick_ = now();
  process_->start();
  if (timer_) timer_->enable();
  return true;
}

bool guiActions::startSyntax(ActionInputs& in) {
  if (in.saveDataDefault) {
    settings_->outputDir.clear();
  } else {
    in.outputFolder = normalizeFolder(in.outputFolder);
    settings_->outputDir = in.outputFolder;
  }
  return start(in, maker<bzSyntaxProcess>());
}

bool guiActions::startDocAuth(ActionInputs& in) {
  in.outputFolder = normalizeFolder(in.outputFolder);
  settings_->outputDir = in.saveDataDefault ? AnsiString() : in.outputFolder;
  in.reportFolder = normalizeFolder(in.reportFolder);
  settings_->reportDir = in.reportFolder;
  return start(in, maker<bzDocAuthProcess>());
}

bool guiActions::startDocVerif(ActionInputs& in) {
  // The verification writes no data file, only its document: that goes to
  // the output folder also when data files go to the default folder.
  in.outputFolder = normalizeFolder(in.outputFolder);
  settings_->outputDir = in.outputFolder;
  in.reportFolder = normalizeFolder(in.reportFolder);
  settings_->reportDir = in.reportFolder;
  return start(in, maker<bzDocVerifProcess>());
}

bool guiActions::startMerge(ActionInputs& in) {
  error_ = mergeOutputConflict(in, resultPath_);
  if (!error_.empty()) return false;
  settings_->outputDir = plat::extractFilePath(resultPath_);
  settings_->outputFileName = plat::extractFileName(resultPath_);
  return start(in, maker<bzMergeProcess>());
}

bool guiActions::startSemantic(ActionInputs& in) {
  in.outputFolder = normalizeFolder(in.outputFolder);
  settings_->outputDir = in.outputFolder;
  in.reportFolder = normalizeFolder(in.reportFolder);
  settings_->reportDir = in.reportFolder;
  settings_->reportCondensed = in.reportCondensed;
  return start(in, maker<bzSemanticProcess>());
}

void guiActions::deleteProcess() {
  if (!process_) return;
  process_->waitFor();
  process_.reset();
}

AnsiString guiActions::getNextLine() {
  std::unique_ptr<bzReport::bzLineInfo> line = report_->GetNextLine();
  return line ? std::move(line->text) : AnsiString();
}

void guiActions::setNextReportNumber(std::uint16_t n) {
  std::lock_guard<std::mutex> g(numberMutex);
  nextNumber = n == 0 ? 1 : n;
}

AnsiString guiActions::saveReport() {
  error_.clear();
  try {
    AnsiString folder = plat::tempFolder();
    if (folder.empty() || folder.back() != '/') folder += '/';
    // The name is taken by creating it, so that no other program gets it
    // between the choice and the save; the save then replaces the empty
    // file.
    AnsiString path;
    int fd = -1;
    int err = EEXIST;
    for (unsigned tries = 0; tries < 65535 && fd < 0 && err == EEXIST; ++tries) {
      path = folder + "TMP" + std::to_string(takeNumber()) + ".$$$";
      fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd < 0) err = errno;
    }
    if (fd < 0) {
      error_ = plat::cp("Nie można zapisać raportu w pliku ") + plat::fileNameToCp1250(path) +
               " (" + plat::fileWriteErrorReason(err) + ")";
      return AnsiString();
    }
    ::close(fd);
    if (!report_->SaveToFile(path, &error_)) {
      ::unlink(path.c_str());
      return AnsiString();
    }
    return path;
  } catch (const std::exception&) {
    return AnsiString();
  }
}

}  // namespace swde
