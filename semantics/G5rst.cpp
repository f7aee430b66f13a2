#include "semantics/G5rst.h"

namespace swde {

G5RST::G5RST(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
