// Object of the record types "G5DZE", "G5O_DZE", "G5G_DZE"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5DZE : public smObject {
 public:
  explicit G5DZE(const AnsiString& typeName);
};

}  // namespace swde
