// Object of the record type "G5JDR"; no rule of its own.
#pragma once

#include "semantics/Smobject.h"

namespace swde {

class G5JDR : public smObject {
 public:
  explicit G5JDR(const AnsiString& typeName);
};

}  // namespace swde
