// Object of the record type "G5DOK"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5DOK : public smObject {
 public:
  explicit G5DOK(const AnsiString& typeName);
};

}  // namespace swde
