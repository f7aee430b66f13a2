#include "semantics/G5udw.h"

namespace swde {

G5UDW::G5UDW(const AnsiString& typeName) : smObject(typeName) {}

void G5UDW::checkAttribValue(const smAttribute& attribute) {
  checkProperShare(attribute);
}

}  // namespace swde
