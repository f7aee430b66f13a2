// Object of the record type "G5DOK"; no rule of its own.
#pragma once

#include "semantics/Smobject.h"

namespace swde {

class G5DOK : public smObject {
 public:
  explicit G5DOK(const AnsiString& typeName);
};

}  // namespace swde
