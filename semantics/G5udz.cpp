#include "semantics/G5udz.h"

namespace swde {

G5UDZ::G5UDZ(const AnsiString& typeName) : smObject(typeName) {}

void G5UDZ::checkAttribValue(const smAttribute& attribute) {
  checkProperShare(attribute);
}

}  // namespace swde
