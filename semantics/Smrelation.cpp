#include "semantics/Smrelation.h"

namespace swde {

smRelation::smRelation(const AnsiString& code, const AnsiString& name)
    : name(name.empty() ? code : name), code(code) {}

smRelation::~smRelation() = default;

}  // namespace swde
