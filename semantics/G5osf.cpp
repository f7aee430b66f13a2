#include "semantics/G5osf.h"

namespace swde {

G5OSF::G5OSF(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
