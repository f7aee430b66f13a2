// Object of the record type "G5INS"; no rule of its own.
#pragma once

#include "semantics/Smobject.h"

namespace swde {

class G5INS : public smObject {
 public:
  explicit G5INS(const AnsiString& typeName);
};

}  // namespace swde
