#include "metadata/Stylejd.h"

namespace swde {

StyleJD::StyleJD(const AnsiString& name) : name(name) {}

StyleJD::~StyleJD() = default;

}  // namespace swde
