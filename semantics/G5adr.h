// Object of the record type "G5ADR": the postal code "G5KOD" must read
// "dd-ddd".
#pragma once

#include "semantics/Smobject.h"

namespace swde {

class G5ADR : public smObject {
 public:
  explicit G5ADR(const AnsiString& typeName);

  void checkAttribValue(const smAttribute& attribute) override;
};

}  // namespace swde
