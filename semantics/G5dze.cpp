#include "semantics/G5dze.h"

namespace swde {

G5DZE::G5DZE(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
