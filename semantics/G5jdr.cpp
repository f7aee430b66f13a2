#include "semantics/G5jdr.h"

namespace swde {

G5JDR::G5JDR(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
