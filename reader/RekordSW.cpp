#include "reader/RekordSW.h"

#include <new>

namespace swde {

using plat::E_INVALIDARG;
using plat::E_OUTOFMEMORY;
using plat::E_POINTER;
using plat::HRESULT;
using plat::S_OK;

RekordSW::RekordSW(std::uint8_t recordType, std::vector<LineInfo> lines,
                   counted_ptr<sxError> lastError, bool complete, bool errorSeen, bool contextFlag)
    : ReaderObject(IID_IRekordSW),
      type_(recordType),
      lines_(std::move(lines)),
      lastError_(std::move(lastError)),
      complete_(complete),
      errorSeen_(errorSeen),
      contextFlag_(contextFlag) {
  auto significant = [&](std::size_t i) {
    const std::uint8_t code = lines_[i].line ? lines_[i].line->code : lcNone;
    return code != lcC && code != lcEmpty;
  };
  std::size_t first = 0;
  while (first < lines_.size() && significant(first)) ++first;
  if (first == lines_.size()) return;
  allSignificant_ = false;
  significant_.reserve(lines_.size());
  for (std::uint32_t i = 0; i < first; ++i) significant_.push_back(i);
  for (std::uint32_t i = static_cast<std::uint32_t>(first) + 1; i < lines_.size(); ++i)
    if (significant(i)) significant_.push_back(i);
}

HRESULT RekordSW::dajIloscLinii(std::uint32_t* ilosc) {
  return guard([&] {
    if (!ilosc) return E_POINTER;
    *ilosc = static_cast<std::uint32_t>(visibleCount());
    return S_OK;
  });
}

HRESULT RekordSW::dajLinie(std::uint32_t indeks, LiniaSW** linia) {
  return guard([&] {
    if (!linia) return E_POINTER;
    *linia = nullptr;
    const std::size_t at = lineAt(indeks);
    if (at >= lines_.size()) return E_INVALIDARG;
    const LineInfo& info = lines_[at];
    *linia = new (std::nothrow) LiniaSW(info.line, info.error);
    return *linia ? S_OK : E_OUTOFMEMORY;
  });
}

HRESULT RekordSW::pomijajKomentarze(std::int32_t stan, std::int32_t* poprzedni) {
  return guard([&] {
    if (poprzedni) *poprzedni = skip_ ? 1 : 0;
    if (skip_ != (stan != 0)) skip_ = stan != 0;
    return S_OK;
  });
}

HRESULT RekordSW::dajOpisBledu(std::uint32_t* kod, std::uint32_t* numerLinii, plat::BSTR* opis) {
  return guard([&] { return describeError(lastError_, kod, numerLinii, opis); });
}

HRESULT RekordSW::dajPozycjeWPliku(std::uint64_t* pozycja) {
  return guard([&] {
    if (!pozycja) return E_POINTER;
    *pozycja = !lines_.empty() && lines_[0].line ? lines_[0].line->position : 0;
    return S_OK;
  });
}

HRESULT RekordSW::dajPozycjeWPliku(std::uint32_t* pozycja) {
  std::uint64_t p = 0;
  const HRESULT hr = dajPozycjeWPliku(pozycja ? &p : nullptr);
  if (hr == S_OK) *pozycja = saturate32(p);
  return hr;
}

}  // namespace swde
