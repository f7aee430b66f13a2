// Object of the record types "G5UZG", "G5G_UZG"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5UZG : public smObject {
 public:
  explicit G5UZG(const AnsiString& typeName);
};

}  // namespace swde
