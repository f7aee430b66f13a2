// Identifiers of the reader's component: type library, creatable class,
// application and interfaces. They are defined in reader/olvenlib.idl, from
// which the build generates olvenlib_i.h; fixed for good: registered copies
// and their clients rely on them.
#pragma once

#include "reader/olvenlib_i.h"

namespace swde {

// Source named in the error information of the reader objects.
inline constexpr const char* kReaderProgId = PROGID_CoPlikSW;

}  // namespace swde
