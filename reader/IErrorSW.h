// Error-information support of the reader objects (IErrorSW: which object
// reports, and whether an interface of it sets error information) is declared
// in reader/olvenlib.idl; the build generates it into olvenlib_i.h.
#pragma once

#include "reader/olvenlib_i.h"
