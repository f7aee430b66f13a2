// Object of the record types "G5OBR", "G5O_OBR", "G5G_OBR"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5OBR : public smObject {
 public:
  explicit G5OBR(const AnsiString& typeName);
};

}  // namespace swde
