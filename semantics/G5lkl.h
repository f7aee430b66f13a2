// Object of the record type "G5LKL"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5LKL : public smObject {
 public:
  explicit G5LKL(const AnsiString& typeName);
};

}  // namespace swde
