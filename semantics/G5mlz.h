// Object of the record type "G5MLZ"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5MLZ : public smObject {
 public:
  explicit G5MLZ(const AnsiString& typeName);
};

}  // namespace swde
