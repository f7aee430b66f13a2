// Object of the record type "G5KLU"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5KLU : public smObject {
 public:
  explicit G5KLU(const AnsiString& typeName);
};

}  // namespace swde
