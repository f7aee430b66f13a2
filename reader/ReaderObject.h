// Reference counting, interface lookup and error information shared by the
// file, record and line objects.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "platform/Com.h"
#include "platform/Export.h"
#include "reader/IErrorSW.h"
#include "reader/ReaderIds.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxline.h"

namespace swde {

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
