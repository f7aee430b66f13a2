#include "semantics/G5dzw.h"

namespace swde {

G5DZW::G5DZW(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
