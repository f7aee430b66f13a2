// Object of the record types "G5RST", "G5G_RST"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5RST : public smObject {
 public:
  explicit G5RST(const AnsiString& typeName);
};

}  // namespace swde
