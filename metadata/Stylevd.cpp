#include "metadata/Stylevd.h"

namespace swde {

StyleVD::StyleVD(const AnsiString& name) : name(name) {}

StyleVD::~StyleVD() = default;

}  // namespace swde
