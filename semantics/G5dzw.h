// Object of the record type "G5DZW"; no rule of its own.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5DZW : public smObject {
 public:
  explicit G5DZW(const AnsiString& typeName);
};

}  // namespace swde
