#include "semantics/G5pzg.h"

namespace swde {

G5PZG::G5PZG(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
