#include "processing/bzProcessThread.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <new>

#include "platform/CodePage.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "platform/Format.h"
#include "processing/bzException.h"
#include "syntax/Sxcodes.h"

namespace swde {

using plat::cp;
using plat::HRESULT;
using plat::IntToStr;
using plat::S_OK;

namespace {

const AnsiString& criticalCaption() {
  static const AnsiString text = cp("Krytyczny błąd wykonywania programu");
  return text;
}

AnsiString localTime() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return plat::Format(
      "%.2d-%.2d-%.4d %.2d:%.2d:%.2d",
      {tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec});
}

AnsiString hex8(HRESULT hr) {
  return plat::Format("%.8X", {static_cast<unsigned>(hr)});
}

}  // namespace

AnsiString isoToWin1250(const AnsiString& s) {
  return plat::iso88592ToCp1250(s, plat::IsoSigns::PolishLetters);
}

bzProcessThread::bzProcessThread(RunKey, bzFileList* fileList, bzReport* report,
                                 bzSettings* settings, bzProcessState* state)
    : fileList(fileList), report(report), settings(settings), state(state) {}

// bzRun has joined the worker already; the reader goes with fileObject.
bzProcessThread::~bzProcessThread() = default;

void bzProcessThread::endRun() {
  if (!thread_.joinable()) return;
  terminated_ = true;
  thread_.join();
}

namespace {
std::atomic<bzProcessThread::Clock> gClock{nullptr};
}  // namespace

void bzProcessThread::setClock(Clock clock) noexcept {
  gClock.store(clock);
}

std::uint64_t bzProcessThread::tickCount() {
  if (const Clock clock = gClock.load()) return clock();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

void bzProcessThread::start() {
  if (thread_.joinable()) return;  // a process object runs once
  running_ = true;
  terminated_ = false;
  {
    std::lock_guard<std::mutex> g(endMutex_);
    ended_ = false;
  }
  thread_ = std::thread([this] { execute(); });
}

bool bzProcessThread::stop(unsigned ms) {
  terminated_ = true;
  std::unique_lock<std::mutex> g(endMutex_);
  endCv_.wait_for(g, std::chrono::milliseconds(ms), [this] { return ended_; });
  return true;
}

void bzProcessThread::waitFor() {
  if (thread_.joinable()) thread_.join();
}

void bzProcessThread::setMessage(const AnsiString& text) {
  if (state) state->setStateMessage(text);
}

// ---------------------------------------------------------------------------
// The run's frame

void bzProcessThread::execute() {
  returnValue_ = 0;
  try {
    reportStart();
    state->setTotalErrorsNum(0);
    state->setTotalWarnsNum(0);
    totalErrors = totalWarns = 0;
    currentFile = -1;
    lastReportedFile = -1;
    recordsCount = 0;

    bool critical = false;
    AnsiString message;
    initCOM();
    try {
      process();
    } catch (const plat::Exception& e) {
      critical = true;
      message = e.Message();
    } catch (const std::bad_alloc&) {
      critical = true;
      message =
          cp("Brak wystarczającej ilości pamięci! Spróbuj zwiększyć rozmiar systemowego "
             "pliku wymiany");
      returnValue_ = -1;
    } catch (const std::exception& e) {
      critical = true;
      message = e.what();
    } catch (...) {
      critical = true;
      message = cp("Wystąpił nierozpoznany błąd!!!");
    }
    if (!critical && report->failed()) {
      critical = true;
      message = report->failureMessage();
    }

    if (critical) {
      // The totals and the per-file lines of the summary come from the state:
      // bring it up to date with the file that was open.
      try {
        updateState();
      } catch (...) {
      }
      releaseFile();
      if (currentFile >= 0) state->setFilesProceeded(static_cast<std::uint32_t>(currentFile + 1));
      try {
        clear();
      } catch (...) {
      }
      criticalMessage_ = message;
      failedCritically_ = true;
      if (notifier_) notifier_(message, criticalCaption());
    }
    doneCOM();
    if (!critical) {
      try {
        clear();
      } catch (...) {
      }
    }

    addToReport(" ");
    addToReport(cp("Podsumowanie liczby błędów i ostrzeżeń:"));
    if (fileList->getFileCount() > 1) {
      const std::uint32_t proceeded = state->getFilesProceeded();
      for (std::uint32_t i = 0; i < proceeded; ++i) {
        const FileInfo fi = state->getFileInfo(static_cast<int>(i));
        if (fileList->getFileName(i).empty()) continue;
        addToReport(cp("Plik: ") + shownFileName(i));
        addToReport(cp("  => liczba błędów    : ") + plat::UIntToStr(fi.errors));
        addToReport(cp("  => liczba ostrzeżeń : ") + plat::UIntToStr(fi.warnings));
      }
    }
    addToReport(cp("Sumaryczna liczba błędów    : ") + plat::UIntToStr(state->getTotalErrorsNum()));
    addToReport(cp("Sumaryczna liczba ostrzeżeń : ") + plat::UIntToStr(state->getTotalWarnsNum()));

    if (critical) {
      const AnsiString text = cp("Przetwarzanie przerwano z powodu błędu krytycznego.");
      setMessage(text);
      addToReport(" ");
      addToReport(cp("Błąd: ") + message);
      addToReport(text);
    } else if (terminated_) {
      const AnsiString text = cp("Przetwarzanie zostało przerwane przez użytkownika");
      setMessage(text);
      addToReport(" ");
      addToReport(text);
    } else if (!endNotice_.empty()) {
      setMessage(endNotice_);
      addToReport(" ");
      addToReport(endNotice_);
    } else {
      setMessage(cp("Przetwarzanie zakończono"));
    }
    reportStop();

    // A report that could not be written to its end fails the run even when
    // the failure came with the last lines.
    if (!critical && report->failed()) {
      criticalMessage_ = report->failureMessage();
      failedCritically_ = true;
      setMessage(cp("Przetwarzanie przerwano z powodu błędu krytycznego."));
      if (notifier_) notifier_(criticalMessage_, criticalCaption());
    }
  } catch (...) {
    // Nothing leaves the thread: a failure of the frame itself (out of
    // memory while writing the summary) ends the run as a critical one.
    failedCritically_ = true;
    try {
      releaseFile();
      if (notifier_) notifier_(cp("Wystąpił nierozpoznany błąd!!!"), criticalCaption());
    } catch (...) {
    }
  }
  terminated_ = true;
  running_ = false;
  {
    std::lock_guard<std::mutex> g(endMutex_);
    ended_ = true;
  }
  endCv_.notify_all();
}

void bzProcessThread::reportStart() {
  addToReport("START: " + localTime());
  addToReport(getTitle());
  addToReport(" ");
}

void bzProcessThread::reportStop() {
  addToReport(" ");
  addToReport("STOP: " + localTime());
}

void bzProcessThread::reportFileList() {
  addToReport(cp("Lista plików do przetworzenia:"));
  for (std::uint32_t i = 0; i < fileList->getFileCount(); ++i)
    addToReport("   " + plat::UIntToStr(i + 1) + ". " + shownFileName(i));
  addToReport(" ");
}

void bzProcessThread::reportSettings() {
  if (!settings->skipComments && !settings->skipWhiteChars) return;
  addToReport("opcje:");
  if (settings->skipComments) addToReport("   * pomijanie komentarzy");
  if (settings->skipWhiteChars) addToReport(cp("   * pomijanie białych znaków"));
  addToReport(" ");
}

void bzProcessThread::reportStatistics() {
  swde::reportStatistics(counters[ckObjectTypes].get(), counters[ckArchivalTypes].get(),
                         counters[ckAttributes].get(), counters[ckRelations].get(),
                         counters[ckRelationTargets].get(),
                         [this](const AnsiString& line) { addToReport(line); });
}

void bzProcessThread::reportErrors() {
  swde::reportErrors(counters[ckCondensed].get(),
                     [this](const AnsiString& line) { addToReport(line); });
}

// ---------------------------------------------------------------------------
// Report lines

void bzProcessThread::addToReport(const AnsiString& text) {
  if (held_) {
    HeldLine h;
    h.text = text;
    held_->push_back(std::move(h));
    return;
  }
  report->AddLine(-1, -1, -1, text);
}

void bzProcessThread::writeHeldLines(const std::vector<HeldLine>& lines) {
  for (const HeldLine& h : lines) {
    if (!h.finding)
      addToReport(h.text);
    else
      addFindingLine(h.code, h.type, h.fileIdx, h.section, h.lineNo, h.position, h.text,
                     h.keyed ? &h.key : nullptr);
  }
}

void bzProcessThread::addToReport(int code, ReportMsgType type, int fileIdx,
                                  ReportSectionType section, std::int64_t lineNo,
                                  std::int64_t position, const AnsiString& text) {
  addFindingLine(code, type, fileIdx, section, lineNo, position, text, nullptr);
}

void bzProcessThread::addToReport(int code, ReportMsgType type, int fileIdx,
                                  ReportSectionType section, std::int64_t lineNo,
                                  std::int64_t position, const AnsiString& text,
                                  const AnsiString& key) {
  addFindingLine(code, type, fileIdx, section, lineNo, position, text, &key);
}

void bzProcessThread::addFindingLine(int code, ReportMsgType type, int fileIdx,
                                     ReportSectionType section, std::int64_t lineNo,
                                     std::int64_t position, const AnsiString& text,
                                     const AnsiString* key) {
  if (held_) {
    HeldLine h;
    h.finding = true;
    h.keyed = key != nullptr;
    h.type = type;
    h.section = section;
    h.code = code;
    h.fileIdx = fileIdx;
    h.lineNo = lineNo;
    h.position = position;
    h.text = text;
    if (key) h.key = *key;
    held_->push_back(std::move(h));
    return;
  }
  if (fileIdx != -1 && fileIdx != lastReportedFile)
    addToReport(fileLine(shownFileName(static_cast<unsigned>(fileIdx))));
  lastReportedFile = fileIdx;
  const AnsiString line = formatFindingLine(lineNo, type, code, section, text);
  if (key && settings->reportCondensed) {
    const int n = addElemToCounter(ckCondensed, *key + "?" + IntToStr(code));
    if (n != 1 && n != -1) return;
  }
  report->AddLine(lineNo, fileIdx, position, line);
}

int bzProcessThread::addElemToCounter(int kind, const AnsiString& key) {
  if (kind < 0 || kind >= static_cast<int>(counters.size()) || !counters[kind]) return -1;
  return counters[kind]->add(key);
}

// ---------------------------------------------------------------------------
// Input files

AnsiString bzProcessThread::shownFileName(unsigned i) const {
  return plat::fileNameToCp1250(fileList->getFilePath(i) + fileList->getFileName(i));
}

void bzProcessThread::notOpened(const AnsiString& text, std::uint32_t errors) {
  current = FileInfo{0, errors, FileInfo::NotOpened};
  totalErrors += errors;
  addToReport(text);
  // Also for a process that closes the file without bringing the state up to
  // date: the file's entry tells that it was not checked.
  updateState();
}

plat::ComPtr<PlikSW> bzProcessThread::createFileInterface() {
  return plat::ComPtr<PlikSW>(new PlikSW());
}

void bzProcessThread::releaseFile() {
  fileObject.reset();
}

bool bzProcessThread::openFile(unsigned i) {
  releaseFile();  // a reader still open from the file before
  currentFile = static_cast<int>(i);
  recordsCount = 0;
  fileErrorShown_ = false;
  const AnsiString full = fileList->getFilePath(i) + fileList->getFileName(i);
  // The file is tried as the reader will open it: a folder, a device, a FIFO,
  // a file without read permission or a name the system does not take is one
  // error of that file, and the file counts as not opened, as a missing one
  // does.
  int err = 0;
  const int probe = plat::openRegularForReading(full, err);
  if (probe < 0) {
    if (err == ENOENT)
      notOpened("Nie znaleziono pliku!", 0);
    else
      notOpened(cp("Nie można otworzyć pliku: ") + shownFileName(i) + " (" +
                    plat::fileErrorReason(err) + ")",
                1);
    return false;
  }
  ::close(probe);
  const AnsiString message = "Przetwarzanie pliku nr " + plat::UIntToStr(i + 1) + "...";
  addToReport(message);
  setMessage(message);
  state->setCurrentFileName(shownFileName(i));

  AnsiString m;
  try {
    plat::ComPtr<PlikSW> made = createFileInterface();
    swap(fileObject, made);  // fileObject was empty
    current = FileInfo{0, 0, 1};
    plat::ClearErrorInfo();
    checkCOMStatus(fileObject->otworz(full, 1));
    if (checkError(fileObject.get())) {
      addToReport(cp("Błąd odczytu z pliku lub nierozpoznanie formatu"));
      releaseFile();
      return false;
    }
    std::uint64_t size = 0;
    int type = 0;
    double version = 0;
    checkCOMStatus(fileObject->dajRozmiarPliku(&size));
    checkCOMStatus(fileObject->dajTypPliku(&type));
    checkCOMStatus(fileObject->dajWersjePliku(&version));
    fileSize = size;
    fileType = static_cast<std::uint8_t>(type);
    fileVersion = version;
    state->setProcessPosition(0);
    state->setProcessMaxValue(fileSize);
    state->setFileFormat(fileType == lcSWDE ? "SWDE" : "SWING");
    state->setFileFormatVersion(fileVersion);
    return true;
  } catch (const bzCOMException& e) {
    m = cp("Błąd otwarcia pliku. Kod błędu: ") + hex8(e.hr) + " Plik: " + e.file +
        " Linia: " + IntToStr(e.line);
  } catch (const bzOleSysError& e) {
    m = cp("Błąd otwarcia pliku: ") + e.Message() + cp(", kod błędu: ") + hex8(e.code());
  } catch (const std::bad_alloc&) {
    m = cp("Brak pamięci");
  } catch (const plat::Exception& e) {
    m = e.Message();
  } catch (const std::exception& e) {
    m = e.what();
  } catch (...) {
    m = cp("Wystąpił nierozpoznany błąd podczas otwarcia pliku!");
  }
  releaseFile();
  // The file was not checked: that is no clean result.
  notOpened(cp("Wewnętrzny błąd programu. ") + m, 1);
  return false;
}

void bzProcessThread::closeFile() {
  current.status = 2;
  releaseFile();
  state->setFilesProceeded(static_cast<std::uint32_t>(currentFile + 1));
  setMessage(cp("Przetwarzanie pliku zakończono"));
  currentFile = -1;
}

void bzProcessThread::updateState() {
  if (fileObject) {
    std::uint64_t position = 0;
    if (plat::SUCCEEDED(fileObject->dajPozycjeWPliku(&position)))
      state->setProcessPosition(position);
    else
      plat::ClearErrorInfo();  // no description of this failure may reach a later one
  }
  state->setTotalErrorsNum(totalErrors);
  state->setTotalWarnsNum(totalWarns);
  state->setFileInfo(current, currentFile);
  state->setRecordsNumber(recordsCount);
}

bzProcessThread::ReportSectionType bzProcessThread::currentSection() {
  int section = 0;
  if (!fileObject) return 0;
  if (plat::FAILED(fileObject->dajTypSekcji(&section))) {
    plat::ClearErrorInfo();
    return 0;
  }
  return static_cast<ReportSectionType>(section);
}

void bzProcessThread::writeFinding(std::uint32_t code, ReportSectionType section,
                                   std::int64_t lineNo, std::int64_t position,
                                   const AnsiString& text) {
  addToReport(static_cast<int>(code), rmError, currentFile, section, lineNo, position, text);
  ++current.errors;
  ++totalErrors;
}

bool bzProcessThread::checkError(PlikSW* file) {
  if (!file) return false;
  std::uint32_t code = 0, line = 0;
  plat::BSTR text = nullptr;
  const HRESULT hr = file->dajOpisBledu(&code, &line, &text);
  plat::BStr held(text);
  checkReaderStatus(hr, ".\\bzProcessThread", 349);
  if (hr != S_OK) return false;
  // The reader keeps its error pending, and a process may ask at several
  // points of one file: the line is written once.
  if (fileErrorShown_ && fileErrorCode_ == code && fileErrorLine_ == line) return false;
  fileErrorShown_ = true;
  fileErrorCode_ = code;
  fileErrorLine_ = line;
  // A reader closed by a failed open has no position or section.
  std::uint64_t position = 0;
  if (plat::FAILED(file->dajPozycjeWPliku(&position))) {
    position = 0;
    plat::ClearErrorInfo();
  }
  writeFinding(code, currentSection(), line, static_cast<std::int64_t>(position),
               plat::cp1250FromBstr(text));
  return true;
}

bool bzProcessThread::checkError(RekordSW* record) {
  if (!record) return false;
  std::uint32_t code = 0, line = 0;
  plat::BSTR text = nullptr;
  const HRESULT hr = record->dajOpisBledu(&code, &line, &text);
  plat::BStr held(text);
  checkCOMStatus(hr);
  if (hr != S_OK) return false;
  std::uint64_t position = 0;
  checkCOMStatus(record->dajPozycjeWPliku(&position));
  writeFinding(code, currentSection(), line, static_cast<std::int64_t>(position),
               plat::cp1250FromBstr(text));
  return true;
}

bool bzProcessThread::checkError(LiniaSW* line) {
  if (!line) return false;
  bool syntax = false, context = false;
  checkCOMStatus(line->jestPoprawnaSyntaktycznie(&syntax));
  checkCOMStatus(line->jestPoprawnaWKontekscie(&context));
  if (syntax && context) return false;
  std::uint32_t code = 0, number = 0;
  plat::BSTR text = nullptr;
  const HRESULT hr = line->dajOpisBledu(&code, &number, &text);
  plat::BStr held(text);
  checkCOMStatus(hr);
  if (hr != S_OK) return false;
  std::uint64_t position = 0;
  checkCOMStatus(line->dajPozycjeWPliku(&position));
  // The line number of the error in full width, when the line carries it.
  const std::uint64_t lineNo = line->error() ? line->error()->line : number;
  writeFinding(code, currentSection(), static_cast<std::int64_t>(lineNo),
               static_cast<std::int64_t>(position), plat::cp1250FromBstr(text));
  return true;
}

}  // namespace swde
