#include "semantics/G5ins.h"

namespace swde {

G5INS::G5INS(const AnsiString& typeName) : smObject(typeName) {}

}  // namespace swde
