#include "semantics/G5bud.h"

namespace swde {

G5BUD::G5BUD(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
