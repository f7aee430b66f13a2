// Base of the five sections of a metadata model.
#pragma once

#include "metadata/Sumcrc.h"
#include "platform/Export.h"

namespace swde {

class OLVSCHEMA_API Section {
 public:
  Section() = default;
  Section(const Section&) = delete;
  Section& operator=(const Section&) = delete;
  virtual ~Section();

  int flags = 0;  // kept for the section's user; the model itself never reads it
  SumCRC crc;     // nothing in the model feeds it
};

}  // namespace swde
