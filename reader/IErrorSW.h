// Error-information support of the reader objects: which object reports, and
// whether an interface of it sets error information.
#pragma once

#include "platform/Com.h"

namespace swde {

class IErrorSW : public plat::IUnknown {
 public:
  // The reporting object's ProgID as a new string.
  virtual plat::HRESULT dajZrodlo(plat::BSTR* zrodlo) = 0;
  // S_OK when the object sets error information for the interface, else
  // S_FALSE.
  virtual plat::HRESULT obslugujeInterfejs(plat::REFIID iid) = 0;
};

}  // namespace swde
