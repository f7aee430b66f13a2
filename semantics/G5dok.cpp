#include "semantics/G5dok.h"

namespace swde {

G5DOK::G5DOK(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
