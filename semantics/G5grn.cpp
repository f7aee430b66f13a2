#include "semantics/G5grn.h"

namespace swde {

G5GRN::G5GRN(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
