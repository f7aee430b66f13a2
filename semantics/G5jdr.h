// Object of the record type "G5JDR"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5JDR : public smObject {
 public:
  explicit G5JDR(const AnsiString& typeName);
};

}  // namespace swde
