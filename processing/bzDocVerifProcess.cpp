#include "processing/bzDocVerifProcess.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "processing/bzDocAuthProcess.h"
#include "processing/bzDocGenerator.h"
#include "processing/bzException.h"
#include "syntax/Sxcodes.h"

namespace swde {

using plat::cp;
using namespace doclines;

namespace {

AnsiString failureText(const plat::Exception& e) {
  AnsiString text = e.Message();
  if (const auto* com = dynamic_cast<const bzCOMException*>(&e); com && !com->description.empty())
    text += ": " + com->description;
  return text;
}

}  // namespace

bzDocVerifProcess::bzDocVerifProcess(RunKey key, bzFileList* fileList, bzReport* report,
                                     bzSettings* settings, bzProcessState* state)
    : bzProcessThread(key, fileList, report, settings, state) {}

bzDocVerifProcess::~bzDocVerifProcess() = default;

AnsiString bzDocVerifProcess::getTitle() const {
  return "Weryfikacja pliku danych";
}

bool bzDocVerifProcess::documentWritten(unsigned i) const {
  return i < written_.size() && written_[i] != 0;
}

void bzDocVerifProcess::addToReport(int code, ReportMsgType type, const AnsiString& text) {
  if (type == rmError) {
    ++current.errors;
    ++totalErrors;
  } else if (type == rmWarning) {
    ++current.warnings;
    ++totalWarns;
  }
  const ReportSectionType section = sums_.sectionCode > 0
                                        ? static_cast<ReportSectionType>(sums_.sectionCode)
                                        : ReportSectionType{0};
  addToReport(code, type, currentFile, section,
              line_ ? static_cast<std::int64_t>(line_->lineNumber) : -1,
              line_ ? static_cast<std::int64_t>(line_->position) : -1, text);
}

int bzDocVerifProcess::process() {
  reportFileList();
  written_.assign(fileList->getFileCount(), 0);
  for (unsigned i = 0; i < fileList->getFileCount() && !isTerminated() && !runEndedByData(); ++i) {
    if (openFile(i) && fileObject && !refuseTarget(i)) processFile();
    updateState();
    closeFile();
  }
  updateState();
  return 0;
}

bool bzDocVerifProcess::refuseTarget(unsigned i) {
  const AnsiString target =
      bzVerifDocumentPath(*settings, fileList->getFilePath(i), fileList->getFileName(i));
  for (unsigned j = 0; j < fileList->getFileCount(); ++j) {
    if (!plat::sameFile(target, fileList->getFilePath(j) + fileList->getFileName(j))) continue;
    bzProcessThread::addToReport(cp("Plik wynikowy jest plikiem wejściowym: ") +
                                 plat::fileNameToCp1250(target));
    ++current.errors;
    ++totalErrors;
    return true;
  }
  return false;
}

bool bzDocVerifProcess::calcCRCLine(const sxLine& l, bzSumCRC& sum, std::uint32_t& stored) {
  const sxLineField* label = l.getField(0);
  const std::string_view text = label ? std::string_view(label->text) : std::string_view();
  if (l.getFieldCount() <= 1) {
    sum.put(text);
    sum.put(';');
    return false;
  }
  sum.put(text);
  sum.put(',');
  const plat::VARIANT* v = l.getField(1)->value.raw();
  if (v && v->vt == plat::VT_UI4) {
    stored = v->ulVal;
  } else {
    // Not a number the reader took: no sum can match it.
    stored = ~(sum.value());
  }
  return true;
}

void bzDocVerifProcess::processFile() {
  if (!fileObject) return;
  recordsCount = 0;
  sums_.restart();
  counters_.clear();
  line_ = nullptr;
  setMessage(cp("Weryfikacja sum kontrolnych"));

  std::uint64_t t = tickCount();
  std::uint32_t lines = 0;
  plat::ComPtr<LiniaSW> line;
  auto faultyEnd = [this] {
    bzProcessThread::addToReport(cp("Niepoprawne zakończenie pliku!"));
    endRunWith(cp("Przetwarzanie przerwano z powodu niepoprawnego zakończenia pliku"));
  };
  try {
    for (;;) {
      checkReaderStatus(fileObject->dajLinie(line.out()), ".\\bzDocVerifProcess", 1);
      if (!line) {
        if (checkError(fileObject.get())) faultyEnd();
        break;
      }
      const sxLine* l = line->line().get();
      if (!l || isEndMarker(*l, fileSize)) {
        if (checkError(line.get())) {
          faultyEnd();
          break;
        }
        line.reset();
        continue;
      }
      if (checkError(line.get())) {
        bzProcessThread::addToReport(cp("Proces przerwano z powodu niepoprawności pliku"));
        line_ = nullptr;
        return;
      }
      line_ = l;
      const int code = l->code;
      const std::string_view text = l->text;  // as read: nothing is skipped here
      if (isCommentLine(code) || !l->comment.empty()) ++counters_.commentLines;
      counters_.commentChars += l->comment.size();

      const bzSumWalk::Ends ends = sums_.feed(code, text, counters_, recordsCount);
      const bool fileEnd = ends.file, sectionEnd = ends.section, recordEnd = ends.record;

      std::uint32_t stored = 0;
      if (fileEnd) {
        const bool has = calcCRCLine(*l, sums_.file, stored);
        const std::uint32_t computed = sums_.file.value();
        if (!has)
          addToReport(10001, rmWarning, "Brak sumy CRC dla pliku");
        else if (stored != computed)
          addToReport(10004, rmError, cp("Suma CRC dla pliku jest nieprawidłowa"));
        counters_.fileSum = computed;
      }
      if (sectionEnd) {
        const bool has = calcCRCLine(*l, sums_.section, stored);
        const std::uint32_t computed = sums_.section.value();
        if (!has)
          addToReport(10002, rmWarning, "Brak sumy CRC dla sekcji");
        else if (stored != computed)
          addToReport(10005, rmError, cp("Suma CRC dla sekcji jest nieprawidłowa"));
        if (sums_.inSection && sums_.slot >= 0) {
          counters_.sections[static_cast<std::size_t>(sums_.slot)].chars = sums_.section.byteCount;
          counters_.sections[static_cast<std::size_t>(sums_.slot)].sum = computed;
        }
        sums_.endSection();
      }
      if (recordEnd) {
        const bool has = calcCRCLine(*l, sums_.record, stored);
        if (!has)
          addToReport(10003, rmWarning, "Brak sumy CRC dla rekordu");
        else if (stored != sums_.record.value())
          addToReport(10006, rmError, cp("Suma CRC dla rekordu jest nieprawidłowa"));
        sums_.endRecord();
      }
      line_ = nullptr;
      line.reset();
      if ((++lines & 0xFF) == 0) {
        const std::uint64_t now = tickCount();
        if (now - t > updateInterval) {
          t = now;
          updateState();
        }
      }
      if (isTerminated()) break;
    }
  } catch (const plat::Exception& e) {
    line_ = nullptr;
    bzProcessThread::addToReport(cp("Wystąpił błąd w trakcie przetwarzania pliku. ") +
                                 failureText(e));
    ++current.errors;
    ++totalErrors;
    return;
  }
  line_ = nullptr;
  setMessage(cp("Generacja dokumentu weryfikacji"));
  try {
    createDocument();
    written_[static_cast<std::size_t>(currentFile)] = 1;
  } catch (const plat::Exception& e) {
    bzProcessThread::addToReport(
        cp("Wystąpił błąd w trakcie generacji dokumentu do weryfikacji: ") + failureText(e));
    ++current.errors;
    ++totalErrors;
  }
}

void bzDocVerifProcess::createDocument() {
  const unsigned i = static_cast<unsigned>(currentFile);
  const AnsiString name = fileList->getFileName(i);
  const AnsiString path = bzVerifDocumentPath(*settings, fileList->getFilePath(i), name);
  bzProcessThread::addToReport(cp("Generowanie dokumentu do weryfikacji: ") +
                               plat::fileNameToCp1250(path));
  std::uint64_t size = 0;
  checkReaderStatus(fileObject->dajRozmiarPliku(&size), ".\\bzDocVerifProcess", 2);
  bzDocGenerator gen(bzDocGenerator::today(), "...", name, size, counters_.commentLines,
                     counters_.commentChars, counters_.fileSum);
  for (unsigned slot = 0; slot < bzDocCounters::kSections; ++slot) {
    const bzDocCounters::Section& s = counters_.sections[slot];
    gen.addSection(s.present, counters_.getSectionName(slot), s.chars, s.records, s.sum);
  }
  gen.closeDocument();
  gen.save(path);
}

}  // namespace swde
