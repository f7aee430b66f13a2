// Object of the record type "G5ZMN"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5ZMN : public smObject {
 public:
  explicit G5ZMN(const AnsiString& typeName);
};

}  // namespace swde
