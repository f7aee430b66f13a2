// Object of the record types "G5JEW", "G5O_JEW", "G5G_JEW"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5JEW : public smObject {
 public:
  explicit G5JEW(const AnsiString& typeName);
};

}  // namespace swde
