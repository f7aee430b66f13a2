// Object of the record type "G5INS"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5INS : public smObject {
 public:
  explicit G5INS(const AnsiString& typeName);
};

}  // namespace swde
