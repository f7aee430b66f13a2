#include "semantics/G5uzg.h"

namespace swde {

G5UZG::G5UZG(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
