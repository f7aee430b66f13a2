// Object of the record type "G5UDD": the share "G5UD" must be a proper
// fraction.
#pragma once

#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

class OLVRULES_API G5UDD : public smObject {
 public:
  explicit G5UDD(const AnsiString& typeName);

  void checkAttribValue(const smAttribute& attribute) override;
};

}  // namespace swde
