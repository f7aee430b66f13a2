#include "semantics/G5jew.h"

namespace swde {

G5JEW::G5JEW(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
