#include "merge/Mgobject.h"

namespace swde {

mgObject::mgObject() : textOffset{0, 0, 0}, textLength{0, 0, 0} {}

mgObject::~mgObject() = default;

}  // namespace swde
