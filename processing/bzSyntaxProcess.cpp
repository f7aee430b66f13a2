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
  sxLineBlock block;
  try {
    // The lines come a block at a time; the progress and the stop request
    // are looked at after every block.
    for (;;) {
      const plat::HRESULT hr = fileObject->dajBlokLinii(&block);
      checkReaderStatus(hr, ".\\bzSyntaxProcess", 50);
      for (int code = 0; code <= kLastLineCode; ++code)
        if (block.codeCounts[code] != 0 && countsAsRecord(code))
          recordsCount += block.codeCounts[code];
      for (const sxLineFinding& f : block.findings)
        writeFinding(f.error->code, static_cast<ReportSectionType>(f.section),
                     static_cast<std::int64_t>(f.error->line),
                     static_cast<std::int64_t>(f.position), f.error->message);
      const bool end = hr != plat::S_OK;
      if (end) checkError(fileObject.get());
      const std::uint64_t now = tickCount();
      if (now - t > updateInterval || end) {
        t = now;
        updateState();
      }
      if (end || isTerminated()) return;
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
