#include "platform/ComGuard.h"

#include <exception>
#include <new>
#include <string>

#include "platform/CodePage.h"
#include "platform/Exception.h"

namespace plat {

HRESULT HResultFromCurrentException(REFIID iid, std::string_view source, HRESULT failure) noexcept {
  HRESULT hr = E_UNEXPECTED;
  try {
    std::string description;
    try {
      throw;
    } catch (const std::bad_alloc&) {
      hr = E_OUTOFMEMORY;
      description = cp("Za mało pamięci");
    } catch (const Exception& e) {
      hr = failure;
      description = e.Message();
    } catch (const std::exception& e) {
      hr = failure;
      description = e.what();
    } catch (...) {
      hr = E_UNEXPECTED;
      description = cp("Nieoczekiwany wyjątek");
    }
    SetErrorInfo(description, iid, source);
  } catch (...) {
    // No memory left even for the description: the HRESULT alone.
  }
  return hr;
}

}  // namespace plat
