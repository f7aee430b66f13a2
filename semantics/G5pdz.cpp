#include "semantics/G5pdz.h"

namespace swde {

G5PDZ::G5PDZ(const AnsiString& typeName) : smObject(typeName) {}

void G5PDZ::checkAttribValue(const smAttribute& attribute) {
  checkProperShare(attribute);
}

}  // namespace swde
