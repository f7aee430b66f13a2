// Object of the record type "G5JRZ": the share "G5UD" must be a proper
// fraction.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5JRZ : public smObject {
 public:
  explicit G5JRZ(const AnsiString& typeName);

  void checkAttribValue(const smAttribute& attribute) override;
};

}  // namespace swde
