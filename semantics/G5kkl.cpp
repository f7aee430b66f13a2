#include "semantics/G5kkl.h"

namespace swde {

G5KKL::G5KKL(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
