#include "metadata/Stylezd.h"

namespace swde {

StyleZD::StyleZD(const AnsiString& name) : name(name) {}

StyleZD::~StyleZD() = default;

}  // namespace swde
