#include "processing/bzSettings.h"

namespace swde {

bzSettings::~bzSettings() = default;

}  // namespace swde
