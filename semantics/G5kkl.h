// Object of the record types "G5KKL", "G5G_KKL"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5KKL : public smObject {
 public:
  explicit G5KKL(const AnsiString& typeName);
};

}  // namespace swde
