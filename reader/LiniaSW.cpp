#include "reader/LiniaSW.h"

#include "platform/AnsiString.h"

namespace swde {

using plat::E_INVALIDARG;
using plat::E_OUTOFMEMORY;
using plat::E_POINTER;
using plat::E_UNEXPECTED;
using plat::HRESULT;
using plat::S_FALSE;
using plat::S_OK;

namespace {

// A new BSTR of a cp1250 text, null for the empty text.
HRESULT newText(std::string_view text, plat::BSTR* out) {
  *out = nullptr;
  if (text.empty()) return S_OK;
  *out = plat::bstrFromCp1250(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

LiniaSW::LiniaSW(counted_ptr<sxLine> line, counted_ptr<sxError> error)
    : ReaderObject(IID_ILiniaSW), line_(std::move(line)), error_(std::move(error)) {}

bool LiniaSW::hasError() const {
  return error_ || !line_ || !line_->syntaxOk || !line_->contextOk;
}

HRESULT LiniaSW::dajTypLinii(std::int32_t* typ) {
  return guard([&] {
    if (!typ) return E_POINTER;
    if (!line_) return E_UNEXPECTED;
    *typ = line_->code;
    return S_OK;
  });
}

HRESULT LiniaSW::dajIloscPol(std::uint32_t* ilosc) {
  return guard([&] {
    if (!ilosc) return E_POINTER;
    *ilosc = 0;
    if (hasError()) return S_FALSE;
    *ilosc = line_->getFieldCount();
    return S_OK;
  });
}

HRESULT LiniaSW::dajPole(std::uint32_t indeks, plat::VARIANT* wartosc, plat::BSTR* tekst) {
  return guard([&] {
    if (!wartosc || !tekst) return E_POINTER;
    if (hasError()) return S_FALSE;
    const sxLineField* field = line_->getField(indeks);
    if (!field) return E_INVALIDARG;
    const HRESULT hr = plat::VariantCopy(wartosc, field->value.raw());
    if (plat::FAILED(hr)) return hr;
    // The value is not handed out without its text.
    struct ClearOnThrow {
      plat::VARIANT* v;
      bool done = false;
      ~ClearOnThrow() {
        if (!done) plat::VariantClear(v);
      }
    } valueGuard{wartosc};
    const HRESULT ht = newText(trim_ ? plat::Trim(field->text) : field->text, tekst);
    valueGuard.done = plat::SUCCEEDED(ht);
    return ht;
  });
}

HRESULT LiniaSW::pomijajZnakiNieznaczace(std::int32_t stan, std::int32_t* poprzedni) {
  return guard([&] {
    if (poprzedni) *poprzedni = trim_ ? 1 : 0;
    trim_ = stan != 0;
    return S_OK;
  });
}

HRESULT LiniaSW::dajKomentarz(plat::BSTR* tekst) {
  return guard([&] {
    if (!tekst) return E_POINTER;
    *tekst = nullptr;
    if (hasError()) return S_FALSE;
    return newText(line_->comment, tekst);
  });
}

HRESULT LiniaSW::jestSeparatorLinii(std::int32_t* jest) {
  return guard([&] {
    if (!jest) return E_POINTER;
    if (hasError()) return S_FALSE;
    *jest = line_->hasSemicolon ? 1 : 0;
    return S_OK;
  });
}

HRESULT LiniaSW::dajReprezentacje(plat::BSTR* tekst) {
  return guard([&] {
    if (!tekst) return E_POINTER;
    *tekst = nullptr;
    if (!line_) return E_UNEXPECTED;
    return newText(line_->text, tekst);
  });
}

HRESULT LiniaSW::dajNumerLinii(std::uint32_t* numer) {
  std::uint64_t n = 0;
  const HRESULT hr = dajNumerLinii(numer ? &n : nullptr);
  if (hr == S_OK) *numer = saturate32(n);
  return hr;
}

HRESULT LiniaSW::dajNumerLinii(std::uint64_t* numer) {
  return guard([&] {
    if (!numer) return E_POINTER;
    if (!line_) return E_UNEXPECTED;
    *numer = line_->lineNumber;
    return S_OK;
  });
}

HRESULT LiniaSW::dajPozycjeWPliku(std::uint32_t* pozycja) {
  std::uint64_t p = 0;
  const HRESULT hr = dajPozycjeWPliku(pozycja ? &p : nullptr);
  if (hr == S_OK) *pozycja = saturate32(p);
  return hr;
}

HRESULT LiniaSW::dajPozycjeWPliku(std::uint64_t* pozycja) {
  return guard([&] {
    if (!pozycja) return E_POINTER;
    if (!line_) return E_UNEXPECTED;
    *pozycja = line_->position;
    return S_OK;
  });
}

HRESULT LiniaSW::jestPoprawnaSyntaktycznie(bool* jest) {
  return guard([&] {
    if (!jest) return E_POINTER;
    if (!line_) return E_UNEXPECTED;
    *jest = line_->syntaxOk != 0;
    return S_OK;
  });
}

HRESULT LiniaSW::jestPoprawnaWKontekscie(bool* jest) {
  return guard([&] {
    if (!jest) return E_POINTER;
    if (!line_) return E_UNEXPECTED;
    *jest = line_->contextOk != 0;
    return S_OK;
  });
}

HRESULT LiniaSW::dajOpisBledu(std::uint32_t* kod, std::uint32_t* numerLinii, plat::BSTR* opis) {
  return guard([&] { return describeError(error_, kod, numerLinii, opis); });
}

}  // namespace swde
