// Object of the record type "G5OSZ"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5OSZ : public smObject {
 public:
  explicit G5OSZ(const AnsiString& typeName);
};

}  // namespace swde
