#include "semantics/G5klu.h"

namespace swde {

G5KLU::G5KLU(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
