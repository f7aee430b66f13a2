// Object of the record types "G5BUD", "G5O_BUD", "G5G_BUD"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5BUD : public smObject {
 public:
  explicit G5BUD(const AnsiString& typeName);
};

}  // namespace swde
