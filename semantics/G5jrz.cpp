#include "semantics/G5jrz.h"

namespace swde {

G5JRZ::G5JRZ(const AnsiString& typeName) : smObject(typeName) {}

void G5JRZ::checkAttribValue(const smAttribute& attribute) {
  checkProperShare(attribute);
}

}  // namespace swde
