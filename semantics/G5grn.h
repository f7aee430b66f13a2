// Object of the record type "G5GRN"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5GRN : public smObject {
 public:
  explicit G5GRN(const AnsiString& typeName);
};

}  // namespace swde
