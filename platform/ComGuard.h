// The boundary of a component: no C++ exception may leave a method of an
// interface or an exported entry point. ComGuard runs the body and turns any
// exception into a failing HRESULT with error information.
#pragma once

#include <string_view>

#include "platform/Com.h"
#include "platform/Export.h"

namespace plat {

// The HRESULT of the exception being handled, after setting error
// information for iid and source from it:
//  - std::bad_alloc: E_OUTOFMEMORY, "Za mało pamięci";
//  - plat::Exception (also of the syntax layer and the registry) and other
//    std::exception: failure (E_FAIL unless given), its message;
//  - anything else: E_UNEXPECTED, "Nieoczekiwany wyjątek".
// Call only from a catch handler. Never throws.
PLAT_API HRESULT HResultFromCurrentException(REFIID iid, std::string_view source,
                                             HRESULT failure = E_FAIL) noexcept;

// Clears the thread's error information, runs body (returning HRESULT) and
// gives its result, or the HRESULT of the exception it raised.
template <class Body>
HRESULT ComGuard(REFIID iid, std::string_view source, Body&& body) noexcept {
  ClearErrorInfo();
  try {
    return body();
  } catch (...) {
    return HResultFromCurrentException(iid, source);
  }
}

}  // namespace plat
