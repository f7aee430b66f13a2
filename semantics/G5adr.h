// Object of the record type "G5ADR": the postal code "G5KOD" must read
// "dd-ddd".
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5ADR : public smObject {
 public:
  explicit G5ADR(const AnsiString& typeName);

  void checkAttribValue(const smAttribute& attribute) override;
};

}  // namespace swde
