#include "semantics/G5osz.h"

namespace swde {

G5OSZ::G5OSZ(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
