// The authorization: for every input file a control-sum copy (the "_crc"
// file: every line rebuilt, every record, section and file end line
// carrying the CRC-32 of its record, section or file) and its document
// (.aut.rtf). Both are written to temporary files and renamed into place
// together after a clean end of the file only; on a faulty line, a faulty
// file end, a failure or a stop, neither appears and older ones stay as they
// were. Made as bzRun<bzDocAuthProcess>.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/Export.h"
#include "processing/bzDocCounters.h"
#include "processing/bzOutFileStream.h"
#include "processing/bzProcessThread.h"
#include "processing/bzSumCRC.h"
#include "processing/bzSumWalk.h"
#include "syntax/Sxcodes.h"
#include "syntax/Sxline.h"

namespace swde {

// Where the outputs of one input go.
struct OLVCORE_API bzDocTargets {
  AnsiString folder;        // ends with "/" unless empty
  AnsiString copyName;      // the copy's name without folder
  AnsiString copyPath;      // folder + copyName
  AnsiString documentPath;  // copyPath + ".aut.rtf"
};

// The output folder: the settings' one, else the input's; "/" added when
// missing.
OLVCORE_API AnsiString bzOutputFolder(const bzSettings& settings, const AnsiString& inputFolder);
// "_crc" before the extension: dane.swd gives dane_crc.swd, dane dane_crc.
OLVCORE_API AnsiString bzCrcCopyName(const AnsiString& name);
// The copy and its document for the input inputFolder + inputName; the name
// is the settings' output name when it is set.
OLVCORE_API bzDocTargets bzAuthTargets(const bzSettings& settings, const AnsiString& inputFolder,
                                       const AnsiString& inputName);
// The verification's document of the input.
OLVCORE_API AnsiString bzVerifDocumentPath(const bzSettings& settings,
                                           const AnsiString& inputFolder,
                                           const AnsiString& inputName);
// The refusal of one output name given for several inputs.
OLVCORE_API AnsiString bzOneOutputNameText();

class OLVCORE_API bzDocAuthProcess : public bzProcessThread {
 public:
  bzDocAuthProcess(RunKey key, bzFileList* fileList, bzReport* report, bzSettings* settings,
                   bzProcessState* state);
  ~bzDocAuthProcess() override;

  AnsiString getTitle() const override;
  // Input i got its copy and document (after the run).
  bool documentWritten(unsigned i) const;

 protected:
  int process() override;
  void processFile();

 private:
  enum class End { Clean, FaultyLine, FaultyEnd, Stopped };
  End copyLines();
  // Rebuilds the line, sums it and writes it; false when a field could not
  // be read.
  bool processLine(const sxLine& l);
  void createDocument(const bzDocTargets& targets);
  // An output of input i that is an input of the run: reported, true.
  bool refuseTarget(unsigned i);
  void countError();

  AnsiString line_;
  bzDocCounters counters_;
  bzSumWalk sums_;
  std::uint64_t copySize_ = 0;
  bool skipWhite_ = true;
  bool skipComments_ = true;
  bool swing_ = false;
  std::unique_ptr<bzOutFileStream> out_;
  std::vector<std::uint8_t> written_;
};

}  // namespace swde
