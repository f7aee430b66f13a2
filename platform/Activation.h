// Activation of in-process component servers by CLSID and ProgID through the
// HKEY_CLASSES_ROOT keys of our registry (platform/Registry.h):
//   <ProgID>\CLSID            default value: the CLSID as "{...}"
//   <ProgID>\CurVer           default value: the current versioned ProgID
//   CLSID\{...}\InprocServer32 default value: the absolute path of the library
// The library is loaded with dlopen and stays loaded; its exported
// DllGetClassObject gives the class factory.
//
// The functions never throw; failures are HRESULTs.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Com.h"
#include "platform/Export.h"

namespace plat {

inline constexpr IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class PLAT_API IClassFactory : public IUnknown {
 public:
  // A new object of the class, its interface iid in *out. An outer object
  // (aggregation) is refused with CLASS_E_NOAGGREGATION.
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) = 0;
  // Keeps the server loaded while locked (counted).
  virtual HRESULT LockServer(bool lock) = 0;

 protected:
  ~IClassFactory() override;
};

// Contexts of activation; only in-process servers exist here.
constexpr std::uint32_t CLSCTX_INPROC_SERVER = 0x1;
constexpr std::uint32_t CLSCTX_INPROC_HANDLER = 0x2;
constexpr std::uint32_t CLSCTX_LOCAL_SERVER = 0x4;
constexpr std::uint32_t CLSCTX_REMOTE_SERVER = 0x10;
constexpr std::uint32_t CLSCTX_ALL = 0x17;

// The entry points of a component library, exported extern "C".
using DllGetClassObjectFunc = HRESULT (*)(REFCLSID clsid, REFIID iid, void** out);
using DllCanUnloadNowFunc = HRESULT (*)();
using DllRegisterServerFunc = HRESULT (*)();
using DllUnregisterServerFunc = HRESULT (*)();

// The CLSID of a ProgID, following its CurVer to the current version while
// the key named there exists (a loop of CurVer keys ends where it closes),
// for at most 16 steps. The hive is read once for the whole lookup.
// CO_E_CLASSSTRING when the ProgID is empty, holds '\' or a control
// character, is not registered, its CLSID value is missing or malformed, or
// its CurVer chain goes on past 16 steps; REGDB_E_READREGDB when the
// registry cannot be read; E_POINTER for a null clsid.
PLAT_API HRESULT CLSIDFromProgID(std::string_view progId, CLSID* clsid) noexcept;

// The class factory (or another interface of it) of a registered class; the
// hive is read once.
//  - REGDB_E_CLASSNOTREG: clsctx without CLSCTX_INPROC_SERVER, no
//    InprocServer32 key or value, or a path that is not absolute;
//  - CO_E_DLLNOTFOUND: the library cannot be loaded;
//  - CO_E_ERRORINDLL: it exports no DllGetClassObject;
//  - REGDB_E_READREGDB: the registry cannot be read;
//  - else what DllGetClassObject returns.
PLAT_API HRESULT CoGetClassObject(REFCLSID clsid, std::uint32_t clsctx, REFIID iid,
                                  void** out) noexcept;

// A new object of a registered class through its class factory: failures as
// for CoGetClassObject, then as the factory's CreateInstance gives them.
// *out is null on any failure; E_POINTER for a null out.
PLAT_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, std::uint32_t clsctx, REFIID iid,
                                  void** out) noexcept;

}  // namespace plat
