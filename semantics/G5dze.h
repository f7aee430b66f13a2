// Object of the record types "G5DZE", "G5O_DZE", "G5G_DZE"; no rule of its own.
#pragma once

#include "semantics/Smobject.h"

namespace swde {

class G5DZE : public smObject {
 public:
  explicit G5DZE(const AnsiString& typeName);
};

}  // namespace swde
