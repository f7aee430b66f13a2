#include "metadata/Section.h"

namespace swde {

Section::~Section() = default;

}  // namespace swde
