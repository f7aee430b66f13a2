// Object of the record type "G5UDZ": the share "G5UD" must be a proper
// fraction.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5UDZ : public smObject {
 public:
  explicit G5UDZ(const AnsiString& typeName);

  void checkAttribValue(const smAttribute& attribute) override;
};

}  // namespace swde
