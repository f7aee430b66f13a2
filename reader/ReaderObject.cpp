#include "reader/ReaderObject.h"

#include <exception>
#include <new>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"

namespace swde {

void setOutOfMemory(const plat::IID& iid) noexcept {
  try {
    // Both texts fit in a string's own buffer: nothing is allocated.
    plat::SetErrorInfo(plat::cp("Za mało pamięci"), iid, kReaderProgId);
  } catch (...) {
    // Not even the description could be stored: the HRESULT alone.
  }
}

plat::HRESULT failureOfCurrentException(const plat::IID& iid, const std::string* file) noexcept {
  plat::HRESULT hr = plat::E_UNEXPECTED;
  try {
    std::string reason;
    try {
      throw;
    } catch (const std::bad_alloc&) {
      setOutOfMemory(iid);
      return plat::E_OUTOFMEMORY;
    } catch (const plat::EFileError& e) {
      hr = plat::E_FAIL;
      plat::SetErrorInfo(e.Message(), iid, kReaderProgId);
      return hr;
    } catch (const plat::Exception& e) {
      hr = plat::E_FAIL;
      reason = e.Message();
    } catch (const std::exception& e) {
      hr = plat::E_FAIL;
      reason = e.what();
    } catch (...) {
      reason = plat::cp("Nieoczekiwany wyjątek");
    }
    if (file && !file->empty())
      reason =
          plat::cp("Błąd odczytu pliku: ") + plat::fileNameToCp1250(*file) + " (" + reason + ")";
    plat::SetErrorInfo(reason, iid, kReaderProgId);
  } catch (const std::bad_alloc&) {
    // No memory even for the description: that is the failure now.
    hr = plat::E_OUTOFMEMORY;
    setOutOfMemory(iid);
  } catch (...) {
  }
  return hr;
}

plat::HRESULT ReaderObject::QueryInterface(plat::REFIID iid, void** out) {
  if (!out) return plat::E_POINTER;
  *out = nullptr;
  if (iid == plat::IID_IUnknown || iid == IID_IErrorSW || iid == iid_) {
    *out = static_cast<IErrorSW*>(this);
    AddRef();
    return plat::S_OK;
  }
  return plat::E_NOINTERFACE;
}

std::uint32_t ReaderObject::AddRef() {
  return ++refs_;
}

std::uint32_t ReaderObject::Release() {
  const std::uint32_t left = --refs_;
  if (left == 0) delete this;
  return left;
}

plat::HRESULT ReaderObject::dajZrodlo(plat::BSTR* zrodlo) {
  return guard([&] {
    if (!zrodlo) return plat::E_POINTER;
    *zrodlo = plat::bstrFromCp1250(kReaderProgId);
    return *zrodlo ? plat::S_OK : plat::E_OUTOFMEMORY;
  });
}

plat::HRESULT ReaderObject::obslugujeInterfejs(plat::REFIID iid) {
  return guard([&] { return iid == iid_ ? plat::S_OK : plat::S_FALSE; });
}

plat::HRESULT ReaderObject::fail(plat::HRESULT hr, std::string_view description) const {
  plat::SetErrorInfo(description, iid_, kReaderProgId);
  return hr;
}

plat::HRESULT describeError(const counted_ptr<sxError>& err, std::uint32_t* kod,
                            std::uint32_t* numerLinii, plat::BSTR* opis) {
  if (!kod || !numerLinii || !opis) return plat::E_POINTER;
  *opis = nullptr;
  if (!err) return plat::S_FALSE;
  *kod = err->code;
  *numerLinii = saturate32(err->line);
  if (!err->message.empty()) {
    *opis = plat::bstrFromCp1250(err->message);
    if (!*opis) return plat::E_OUTOFMEMORY;
  }
  return plat::S_OK;
}

}  // namespace swde
