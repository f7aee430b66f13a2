// Object of the record type "G5OSF"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5OSF : public smObject {
 public:
  explicit G5OSF(const AnsiString& typeName);
};

}  // namespace swde
