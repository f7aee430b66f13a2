#include "semantics/G5obr.h"

namespace swde {

G5OBR::G5OBR(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
