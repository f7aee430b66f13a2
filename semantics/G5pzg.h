// Object of the record type "G5PZG"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5PZG : public smObject {
 public:
  explicit G5PZG(const AnsiString& typeName);
};

}  // namespace swde
