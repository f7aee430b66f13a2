#include "reader/server/CoObjects.h"

#include <atomic>
#include <cstdint>
#include <new>
#include <utility>

#include "platform/ComGuard.h"
#include "platform/ComPtr.h"
#include "platform/Dispatch.h"
#include "reader/PlikSW.h"
#include "reader/ReaderIds.h"

namespace swde::server {

using plat::BSTR;
using plat::E_POINTER;
using plat::HRESULT;
using plat::REFIID;
using plat::S_OK;

static_assert(sizeof(int) == sizeof(std::int32_t), "int parameters are 32-bit on the interfaces");

namespace {

std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};

// IUnknown, IDispatch (from the generated table) and IErrorSW of a shell
// around the plain object Plain behind the dual interface Itf. The shell
// holds one reference to the plain object.
template <class Itf, class Plain>
class CoObject : public Itf, public IErrorSW {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == plat::IID_IUnknown || iid == plat::IID_IDispatch || iid == iid_) {
      *out = static_cast<Itf*>(this);
    } else if (iid == IID_IErrorSW) {
      *out = static_cast<IErrorSW*>(this);
    } else {
      return plat::E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  std::uint32_t AddRef() override { return ++refs_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT GetTypeInfoCount(std::uint32_t* count) override {
    if (!count) return E_POINTER;
    *count = 0;  // no type information objects here
    return S_OK;
  }
  HRESULT GetTypeInfo(std::uint32_t, plat::LCID, plat::ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    return plat::DISP_E_BADINDEX;
  }
  HRESULT GetIDsOfNames(REFIID riid, const char16_t* const* names, std::uint32_t count, plat::LCID,
                        plat::DISPID* ids) override {
    return plat::DispGetIDsOfNames(table_, riid, names, count, ids);
  }
  HRESULT Invoke(plat::DISPID id, REFIID riid, plat::LCID, std::uint16_t flags,
                 plat::DISPPARAMS* params, plat::VARIANT* result, plat::EXCEPINFO* excepInfo,
                 std::uint32_t* argErr) override {
    return plat::DispInvoke(table_, static_cast<Itf*>(this), id, riid, flags, params, result,
                            excepInfo, argErr);
  }

  HRESULT dajZrodlo(BSTR* zrodlo) override {
    return guard([&] { return plain_->dajZrodlo(zrodlo); });
  }
  HRESULT obslugujeInterfejs(REFIID iid) override {
    return guard([&] { return plain_->obslugujeInterfejs(iid); });
  }

 protected:
  CoObject(plat::ComPtr<Plain> plain, const plat::DispInterface& table, REFIID iid) noexcept
      : plain_(std::move(plain)), table_(table), iid_(iid) {
    objectCreated();
  }
  ~CoObject() override {
    plain_.reset();  // before the server counts the object gone
    objectDestroyed();
  }

  template <class Body>
  HRESULT guard(Body&& body) noexcept {
    return plat::ComGuard(iid_, kReaderProgId, body);
  }

  plat::ComPtr<Plain> plain_;

 private:
  std::atomic<std::uint32_t> refs_{1};
  const plat::DispInterface& table_;
  const plat::IID iid_;
};

// A shell for a plain object handed out by a plain method, or null for null;
// the caller gets the shell's reference. The plain reference passes to the
// shell; it is released if the shell cannot be made.
template <class Co, class Plain>
Co* shell(plat::ComPtr<Plain> plain) {
  if (!plain) return nullptr;
  return new Co(std::move(plain));
}

class CoLiniaSW final : public CoObject<ILiniaSW, LiniaSW> {
 public:
  explicit CoLiniaSW(plat::ComPtr<LiniaSW> plain) noexcept
      : CoObject(std::move(plain), DISPATCH_ILiniaSW, IID_ILiniaSW) {}

  HRESULT dajTypLinii(std::int32_t* typ) override {
    return guard([&] { return plain_->dajTypLinii(typ); });
  }
  HRESULT dajIloscPol(std::uint32_t* ilosc) override {
    return guard([&] { return plain_->dajIloscPol(ilosc); });
  }
  HRESULT dajPole(std::uint32_t indeks, plat::VARIANT* wartosc, BSTR* tekst) override {
    return guard([&] { return plain_->dajPole(indeks, wartosc, tekst); });
  }
  HRESULT pomijajZnakiNieznaczace(std::int32_t stan, std::int32_t* poprzedni) override {
    return guard([&] { return plain_->pomijajZnakiNieznaczace(stan, poprzedni); });
  }
  HRESULT dajKomentarz(BSTR* tekst) override {
    return guard([&] { return plain_->dajKomentarz(tekst); });
  }
  HRESULT jestSeparatorLinii(std::int32_t* jest) override {
    return guard([&] { return plain_->jestSeparatorLinii(jest); });
  }
  HRESULT dajReprezentacje(BSTR* tekst) override {
    return guard([&] { return plain_->dajReprezentacje(tekst); });
  }
  HRESULT dajNumerLinii(std::uint32_t* numer) override {
    return guard([&] { return plain_->dajNumerLinii(numer); });
  }
  HRESULT dajPozycjeWPliku(std::uint32_t* pozycja) override {
    return guard([&] { return plain_->dajPozycjeWPliku(pozycja); });
  }
  HRESULT jestPoprawnaSyntaktycznie(plat::VARIANT_BOOL* jest) override {
    return guard([&] {
      bool value = false;
      const HRESULT hr = plain_->jestPoprawnaSyntaktycznie(jest ? &value : nullptr);
      if (jest && hr == S_OK) *jest = value ? plat::VARIANT_TRUE : plat::VARIANT_FALSE;
      return hr;
    });
  }
  HRESULT jestPoprawnaWKontekscie(plat::VARIANT_BOOL* jest) override {
    return guard([&] {
      bool value = false;
      const HRESULT hr = plain_->jestPoprawnaWKontekscie(jest ? &value : nullptr);
      if (jest && hr == S_OK) *jest = value ? plat::VARIANT_TRUE : plat::VARIANT_FALSE;
      return hr;
    });
  }
  HRESULT dajOpisBledu(std::uint32_t* kod, std::uint32_t* numerLinii, BSTR* opis) override {
    return guard([&] { return plain_->dajOpisBledu(kod, numerLinii, opis); });
  }
};

class CoRekordSW final : public CoObject<IRekordSW, RekordSW> {
 public:
  explicit CoRekordSW(plat::ComPtr<RekordSW> plain) noexcept
      : CoObject(std::move(plain), DISPATCH_IRekordSW, IID_IRekordSW) {}

  HRESULT dajIloscLinii(std::uint32_t* ilosc) override {
    return guard([&] { return plain_->dajIloscLinii(ilosc); });
  }
  HRESULT dajLinie(std::uint32_t indeks, ILiniaSW** linia) override {
    return guard([&] {
      if (linia) *linia = nullptr;
      plat::ComPtr<LiniaSW> line;
      const HRESULT hr = plain_->dajLinie(indeks, linia ? line.out() : nullptr);
      if (linia) *linia = shell<CoLiniaSW>(std::move(line));
      return hr;
    });
  }
  HRESULT pomijajKomentarze(std::int32_t stan, std::int32_t* poprzedni) override {
    return guard([&] { return plain_->pomijajKomentarze(stan, poprzedni); });
  }
  HRESULT dajOpisBledu(std::uint32_t* kod, std::uint32_t* numerLinii, BSTR* opis) override {
    return guard([&] { return plain_->dajOpisBledu(kod, numerLinii, opis); });
  }
  HRESULT dajPozycjeWPliku(std::uint32_t* pozycja) override {
    return guard([&] { return plain_->dajPozycjeWPliku(pozycja); });
  }
};

class CoPlikSW final : public CoObject<IPlikSW, PlikSW> {
 public:
  explicit CoPlikSW(plat::ComPtr<PlikSW> plain) noexcept
      : CoObject(std::move(plain), DISPATCH_IPlikSW, IID_IPlikSW) {}

  HRESULT otworz(BSTR nazwa, std::int32_t konwertuj) override {
    return guard([&] { return plain_->otworz(nazwa, konwertuj); });
  }
  HRESULT dajKolejnyRekord(IRekordSW** rekord) override {
    return guard([&] {
      if (rekord) *rekord = nullptr;
      plat::ComPtr<RekordSW> record;
      const HRESULT hr = plain_->dajKolejnyRekord(rekord ? record.out() : nullptr);
      if (rekord) *rekord = shell<CoRekordSW>(std::move(record));
      return hr;
    });
  }
  HRESULT resetuj() override {
    return guard([&] { return plain_->resetuj(); });
  }
  HRESULT dajTypSekcji(std::int32_t* typ) override {
    return guard([&] { return plain_->dajTypSekcji(typ); });
  }
  HRESULT dajTypPliku(std::int32_t* typ) override {
    return guard([&] { return plain_->dajTypPliku(typ); });
  }
  HRESULT dajRozmiarPliku(std::uint32_t* rozmiar) override {
    return guard([&] { return plain_->dajRozmiarPliku(rozmiar); });
  }
  HRESULT dajPozycjeWPliku(std::uint32_t* pozycja) override {
    return guard([&] { return plain_->dajPozycjeWPliku(pozycja); });
  }
  HRESULT dajLinie(ILiniaSW** linia) override {
    return guard([&] {
      if (linia) *linia = nullptr;
      plat::ComPtr<LiniaSW> line;
      const HRESULT hr = plain_->dajLinie(linia ? line.out() : nullptr);
      if (linia) *linia = shell<CoLiniaSW>(std::move(line));
      return hr;
    });
  }
  HRESULT ustawNaKolejnaSekcje(std::int32_t* sekcja) override {
    return guard([&] { return plain_->ustawNaKolejnaSekcje(sekcja); });
  }
  HRESULT konwertujISOWin(BSTR tekst, BSTR* wynik) override {
    return guard([&] { return PlikSW::konwertujISOWin(tekst, wynik); });
  }
  HRESULT konwertujWinISO(BSTR tekst, BSTR* wynik) override {
    return guard([&] { return PlikSW::konwertujWinISO(tekst, wynik); });
  }
  HRESULT policzCRC(BSTR tekst, std::uint32_t poprzSuma, std::uint32_t* nowaSuma) override {
    return guard([&] { return PlikSW::policzCRC(tekst, poprzSuma, nowaSuma); });
  }
  HRESULT dajWersjePliku(double* wersja) override {
    return guard([&] { return plain_->dajWersjePliku(wersja); });
  }
  HRESULT dajOpisBledu(std::uint32_t* kod, std::uint32_t* numerLinii, BSTR* opis) override {
    return guard([&] { return plain_->dajOpisBledu(kod, numerLinii, opis); });
  }
};

}  // namespace

void objectCreated() noexcept {
  ++gObjects;
}

void objectDestroyed() noexcept {
  --gObjects;
}

bool lockServer(bool lock) noexcept {
  if (lock) {
    ++gLocks;
    return true;
  }
  long n = gLocks.load();
  while (n > 0)
    if (gLocks.compare_exchange_weak(n, n - 1)) return true;
  return false;
}

bool canUnloadNow() noexcept {
  return gObjects.load() == 0 && gLocks.load() == 0;
}

HRESULT createFileObject(REFIID iid, void** out) noexcept {
  return plat::ComGuard(IID_IPlikSW, kReaderProgId, [&] {
    if (!out) return E_POINTER;
    *out = nullptr;
    plat::ComPtr<PlikSW> plain(new PlikSW());
    const plat::ComPtr<CoPlikSW> co(new CoPlikSW(std::move(plain)));
    return co->QueryInterface(iid, out);
  });
}

}  // namespace swde::server
