// The key functions of the reader classes that have no virtual function of
// their own: their vtables and type information are emitted here and nowhere
// else, so olvbridge1 exports the one copy of the process (the component
// server and the processing layer use it).
#include "reader/LiniaSW.h"
#include "reader/RekordSW.h"

namespace swde {

LiniaSW::~LiniaSW() = default;
RekordSW::~RekordSW() = default;

}  // namespace swde
