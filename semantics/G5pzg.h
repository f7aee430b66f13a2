// Object of the record type "G5PZG"; no rule of its own.
#pragma once

#include "semantics/Smobject.h"

namespace swde {

class G5PZG : public smObject {
 public:
  explicit G5PZG(const AnsiString& typeName);
};

}  // namespace swde
