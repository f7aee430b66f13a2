#include "semantics/G5udd.h"

namespace swde {

G5UDD::G5UDD(const AnsiString& typeName) : smObject(typeName) {}

void G5UDD::checkAttribValue(const smAttribute& attribute) {
  checkProperShare(attribute);
}

}  // namespace swde
