#include "metadata/Stylefd.h"

namespace swde {

StyleFD::StyleFD(const AnsiString& name) : name(name) {}

StyleFD::~StyleFD() = default;

}  // namespace swde
