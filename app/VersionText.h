// The version line of the about panel: "Wersja " and the major and minor
// numbers of the project's version, fixed when the program is built.
#pragma once

#include "platform/AnsiString.h"

namespace swde {

plat::AnsiString versionText();

}  // namespace swde
