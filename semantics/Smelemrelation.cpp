#include "semantics/Smelemrelation.h"

namespace swde {

smElemRelation::smElemRelation(const AnsiString& name) : name(name) {}

smElemRelation::~smElemRelation() = default;

}  // namespace swde
