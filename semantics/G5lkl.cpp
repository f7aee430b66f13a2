#include "semantics/G5lkl.h"

namespace swde {

G5LKL::G5LKL(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
