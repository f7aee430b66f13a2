// The syntax check: reads every line of every file through the reader,
// reports each faulty line and the file-level error at the end, and counts
// records for the progress display. Made as bzRun<bzSyntaxProcess>.
#pragma once

#include "platform/Export.h"
#include "processing/bzProcessThread.h"

namespace swde {

class OLVCORE_API bzSyntaxProcess : public bzProcessThread {
 public:
  bzSyntaxProcess(RunKey key, bzFileList* fileList, bzReport* report, bzSettings* settings,
                  bzProcessState* state);

  AnsiString getTitle() const override;

 protected:
  int process() override;
  void processFile();
};

}  // namespace swde
