// Reference counting, interface lookup and error information shared by the
// file, record and line objects, and the guard that keeps every exception
// inside their methods.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Com.h"
#include "platform/Export.h"
#include "reader/IErrorSW.h"
#include "reader/ReaderIds.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxline.h"

namespace swde {

// Sets the error information of an allocation that failed.
OLVBRIDGE1_API void setOutOfMemory(const plat::IID& iid) noexcept;

// The HRESULT of the exception being handled, after setting error
// information (cp1250) for iid from it:
//  - std::bad_alloc: E_OUTOFMEMORY, "Za mało pamięci";
//  - plat::EFileError: E_FAIL, its message (it names the file and the reason);
//  - another plat::Exception (a fault of the syntax layer's tables) or
//    std::exception: E_FAIL, its message;
//  - anything else: E_UNEXPECTED, "Nieoczekiwany wyjątek".
// With a file given (and not empty), a message of the last three kinds, which
// does not name the file, becomes "Błąd odczytu pliku: <file> (<message>)",
// the file shown as cp1250 text (the file stream's own messages name it so
// already).
// Call only from a catch handler.
OLVBRIDGE1_API plat::HRESULT failureOfCurrentException(const plat::IID& iid,
                                                       const std::string* file) noexcept;

// Runs one method of a reader interface so that no exception leaves it:
// clears the thread's error information, runs body (returning HRESULT) and
// gives its result; an exception runs onThrow (which must not throw) and
// becomes failureOfCurrentException(iid, file). An E_OUTOFMEMORY that body
// returns gets the error information "Za mało pamięci".
template <class Body, class OnThrow>
plat::HRESULT guardCall(const plat::IID& iid, const std::string* file, Body&& body,
                        OnThrow&& onThrow) noexcept {
  plat::ClearErrorInfo();
  try {
    const plat::HRESULT hr = body();
    if (hr == plat::E_OUTOFMEMORY) setOutOfMemory(iid);
    return hr;
  } catch (...) {
    onThrow();
    return failureOfCurrentException(iid, file);
  }
}

class OLVBRIDGE1_API ReaderObject : public IErrorSW {
 public:
  plat::HRESULT QueryInterface(plat::REFIID iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;

  plat::HRESULT dajZrodlo(plat::BSTR* zrodlo) override;
  plat::HRESULT obslugujeInterfejs(plat::REFIID iid) override;

 protected:
  explicit ReaderObject(const plat::IID& iid) : iid_(iid) {}
  ~ReaderObject() override = default;

  // Sets error information (cp1250 text) for the object's interface and
  // returns hr.
  plat::HRESULT fail(plat::HRESULT hr, std::string_view description) const;

  // The body of a method of the object's interface, run by guardCall.
  template <class Body>
  plat::HRESULT guard(Body&& body) const noexcept {
    return guardCall(iid_, nullptr, body, [] {});
  }

 private:
  std::atomic<std::uint32_t> refs_{1};
  plat::IID iid_;
};

// 64-bit sizes and positions handed out through 32-bit parameters.
inline std::uint32_t saturate32(std::uint64_t v) {
  return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(v);
}

// Fills the three out-parameters of an error description: S_FALSE when err
// is empty, E_POINTER for a null parameter; the text stays null when empty.
OLVBRIDGE1_API plat::HRESULT describeError(const counted_ptr<sxError>& err, std::uint32_t* kod,
                                           std::uint32_t* numerLinii, plat::BSTR* opis);

}  // namespace swde
