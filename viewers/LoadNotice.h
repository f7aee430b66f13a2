// What a buffer tells its control while it reads a block from the file, so
// that the control can show "Trwa doczytywanie linii z pliku..." during a
// long read. The buffer runs on the user interface thread: progress() is
// called now and then inside the read, so the control can decide to show
// its notice and paint it.
#pragma once

#include "platform/Export.h"

namespace olv {

class OLVPAGING_API LoadNotice {
 public:
  virtual ~LoadNotice() = default;
  virtual void begin() = 0;
  virtual void progress() = 0;
  virtual void end() = 0;
};

}  // namespace olv
