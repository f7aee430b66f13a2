#include "metadata/Relationtype.h"

namespace swde {

RelationType::RelationType(const AnsiString& name) : name(name) {}

RelationType::~RelationType() = default;

}  // namespace swde
