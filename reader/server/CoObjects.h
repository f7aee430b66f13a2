// The component objects of the server: the file object CoPlikSW (IPlikSW,
// IErrorSW, IDispatch) and the record and line objects that it hands out
// (IRekordSW, ILiniaSW), each a thin shell around the plain reader object of
// the same name. Every method delegates, catches every exception and turns
// it into a failing HRESULT with error information.
#pragma once

#include "platform/Com.h"

namespace swde::server {

// Counts of live objects (the class factories included) and of server locks,
// for DllCanUnloadNow.
void objectCreated() noexcept;
void objectDestroyed() noexcept;
// False when unlocking with no lock held (nothing changes then).
bool lockServer(bool lock) noexcept;
bool canUnloadNow() noexcept;

// A new file object with no file open, its interface iid in *out.
plat::HRESULT createFileObject(plat::REFIID iid, void** out) noexcept;

}  // namespace swde::server
