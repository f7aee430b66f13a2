#include "app/VersionText.h"

#include "platform/CodePage.h"

namespace swde {

plat::AnsiString versionText() {
  return plat::cp("Wersja ") + OLV_VERSION_MAJOR_MINOR;
}

}  // namespace swde
