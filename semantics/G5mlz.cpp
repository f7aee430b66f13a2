#include "semantics/G5mlz.h"

namespace swde {

G5MLZ::G5MLZ(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
