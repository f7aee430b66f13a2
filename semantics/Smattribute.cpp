#include "semantics/Smattribute.h"

namespace swde {

smAttribute::smAttribute(const AnsiString& code, const AnsiString& name, const AnsiString& value)
    : code(code), name(name.empty() ? code : name), value(value) {}

smAttribute::~smAttribute() = default;

}  // namespace swde
