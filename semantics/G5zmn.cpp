#include "semantics/G5zmn.h"

namespace swde {

G5ZMN::G5ZMN(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
