#include "metadata/Attribtype.h"

namespace swde {

AttribType::AttribType(const AnsiString& name) : name(name) {}

AttribType::~AttribType() = default;

}  // namespace swde
