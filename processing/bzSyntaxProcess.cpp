#include "processing/bzSyntaxProcess.h"

#include "platform/CodePage.h"
#include "processing/bzException.h"
#include "processing/bzLineKinds.h"
#include "syntax/Sxcodes.h"

namespace swde {

namespace {

// The record-start lines and one-line records: one record each.
bool countsAsRecord(int code) {
  return doclines::isRecordStart(code) || doclines::isOneLineRecord(code);
}

}  // namespace

bzSyntaxProcess::bzSyntaxProcess(RunKey key, bzFileList* fileList, bzReport* report,
                                 bzSettings* settings, bzProcessState* state)
    : bzProcessThread(key, fileList, report, settings, state) {}

AnsiString bzSyntaxProcess::getTitle() const {
  return plat::cp("Sprawdzanie poprawności syntaktycznej");
}

int bzSyntaxProcess::process() {
  reportFileList();
  for (unsigned i = 0; i < fileList->getFileCount() && !isTerminated(); ++i) {
    if (openFile(i) && fileObject) processFile();
    updateState();
    closeFile();
  }
  updateState();
  return 0;
}

void bzSyntaxProcess::processFile() {
  if (!fileObject) return;
  std::uint64_t t = tickCount();
  recordsCount = 0;
  std::uint32_t lines = 0;
  plat::ComPtr<LiniaSW> line;
  try {
    for (;;) {
      const plat::HRESULT hr = fileObject->dajLinie(line.out());
      checkReaderStatus(hr, ".\\bzSyntaxProcess", 50);
      const bool gotLine = static_cast<bool>(line);
      if (gotLine) {
        checkError(line.get());
        int code = 0;
        const plat::HRESULT hc = line->dajTypLinii(&code);
        checkReaderStatus(hc, ".\\bzSyntaxProcess", 55);
        if (countsAsRecord(code)) ++recordsCount;
        line.reset();
      } else {
        checkError(fileObject.get());
      }
      // The clock is read every few lines only: on short lines reading it is
      // a good part of the work.
      if ((++lines & 0xFF) == 0 || !gotLine) {
        const std::uint64_t now = tickCount();
        if (now - t > updateInterval) {
          t = now;
          updateState();
          if (isTerminated()) return;
        }
      }
      if (!gotLine || isTerminated()) return;
    }
  } catch (const plat::Exception& e) {
    ++current.errors;
    ++totalErrors;
    AnsiString text =
        plat::cp("Wystąpił błąd programu w trakcie przetwarzania pliku. ") + e.Message();
    // A read that failed in the middle of the file: the reader's own words
    // name the file and the reason.
    if (const auto* com = dynamic_cast<const bzCOMException*>(&e); com && !com->description.empty())
      text += ": " + com->description;
    addToReport(text);
  }
}

}  // namespace swde
