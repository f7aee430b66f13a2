// Object of the record type "G5GRN"; no rule of its own.
#pragma once

#include "semantics/Smobject.h"

namespace swde {

class G5GRN : public smObject {
 public:
  explicit G5GRN(const AnsiString& typeName);
};

}  // namespace swde
