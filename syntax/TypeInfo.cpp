// The key functions of the syntax layer's polymorphic classes that other
// libraries create or check: their vtables and type information are emitted
// here and nowhere else, so olvlex exports the one copy of the process.
#include "syntax/Sxerrors.h"
#include "syntax/Sxline.h"
#include "syntax/Sxtokenizer.h"

namespace swde {

sxError::~sxError() = default;
sxLine::~sxLine() = default;
sxTokenizer::~sxTokenizer() = default;

}  // namespace swde
