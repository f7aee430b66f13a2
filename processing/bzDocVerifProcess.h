// The verification of a control-sum copy: recomputes the record, section and
// file sums from the lines as they stand in the file, reports every missing
// (warnings 10001-10003) or wrong (errors 10004-10006) sum and writes the
// verification document (.wer.rtf, through a temporary file). Made as
// bzRun<bzDocVerifProcess>.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Export.h"
#include "processing/bzDocCounters.h"
#include "processing/bzProcessThread.h"
#include "processing/bzSumCRC.h"
#include "processing/bzSumWalk.h"
#include "syntax/Sxline.h"

namespace swde {

class OLVCORE_API bzDocVerifProcess : public bzProcessThread {
 public:
  bzDocVerifProcess(RunKey key, bzFileList* fileList, bzReport* report, bzSettings* settings,
                    bzProcessState* state);
  ~bzDocVerifProcess() override;

  AnsiString getTitle() const override;
  // Input i got its document (after the run).
  bool documentWritten(unsigned i) const;

  // A finding of the line in hand, counted.
  void addToReport(int code, ReportMsgType type, const AnsiString& text);
  using bzProcessThread::addToReport;

 protected:
  int process() override;
  void processFile();

 private:
  // Feeds the sum line's label and separator to sum; the stored sum, or
  // false when the line carries none.
  bool calcCRCLine(const sxLine& l, bzSumCRC& sum, std::uint32_t& stored);
  void createDocument();
  bool refuseTarget(unsigned i);

  const sxLine* line_ = nullptr;
  bzDocCounters counters_;
  bzSumWalk sums_;
  std::vector<std::uint8_t> written_;
};

}  // namespace swde
