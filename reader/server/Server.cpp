// Entry points of olvenlib: the class factory of CoPlikSW and the
// self-registration. No exception leaves them.

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/Activation.h"
#include "platform/CodePage.h"
#include "platform/ComGuard.h"
#include "platform/ComPtr.h"
#include "platform/Export.h"
#include "platform/Registration.h"
#include "platform/Registry.h"
#include "reader/ReaderIds.h"
#include "reader/server/CoObjects.h"

#define OLV_EXPORT extern "C" OLVENLIB_API

namespace swde::server {

using plat::HRESULT;
using plat::REFIID;

namespace {

class ClassFactory final : public plat::IClassFactory {
 public:
  ClassFactory() noexcept { objectCreated(); }

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return plat::E_POINTER;
    *out = nullptr;
    if (iid != plat::IID_IUnknown && iid != plat::IID_IClassFactory) return plat::E_NOINTERFACE;
    *out = static_cast<plat::IClassFactory*>(this);
    AddRef();
    return plat::S_OK;
  }
  std::uint32_t AddRef() override { return ++refs_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT CreateInstance(plat::IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return plat::E_POINTER;
    *out = nullptr;
    if (outer) return plat::CLASS_E_NOAGGREGATION;
    return createFileObject(iid, out);
  }
  HRESULT LockServer(bool lock) override {
    return lockServer(lock) ? plat::S_OK : plat::E_UNEXPECTED;
  }

 private:
  ~ClassFactory() override { objectDestroyed(); }

  std::atomic<std::uint32_t> refs_{1};
};

// The HKCR keys of the creatable class, added to batch; raise
// ERegistryException.
void addClassKeys(plat::TRegistryBatch& batch, const std::string& path) {
  const std::string clsid = plat::guidToString(CLSID_CoPlikSW);
  const std::string appId = plat::guidToString(APPID_OLVENLib);
  const std::string clsidKey = "CLSID\\" + clsid;
  batch.WriteString(clsidKey, "", HELPSTRING_CoPlikSW);
  batch.WriteString(clsidKey, "AppID", appId);
  batch.WriteString(clsidKey + "\\InprocServer32", "", path);
  batch.WriteString(clsidKey + "\\ProgID", "", PROGID_CoPlikSW_VERSIONED);
  batch.WriteString(clsidKey + "\\VersionIndependentProgID", "", PROGID_CoPlikSW);

  batch.WriteString(PROGID_CoPlikSW_VERSIONED, "", HELPSTRING_CoPlikSW);
  batch.WriteString(std::string(PROGID_CoPlikSW_VERSIONED) + "\\CLSID", "", clsid);

  batch.WriteString(PROGID_CoPlikSW, "", HELPSTRING_CoPlikSW);
  batch.WriteString(std::string(PROGID_CoPlikSW) + "\\CLSID", "", clsid);
  batch.WriteString(std::string(PROGID_CoPlikSW) + "\\CurVer", "", PROGID_CoPlikSW_VERSIONED);

  batch.WriteString("AppID\\" + appId, "", TYPELIB_OLVENLib.name);
}

void removeClassKeys(plat::TRegistryBatch& batch) {
  batch.DeleteKey("CLSID\\" + plat::guidToString(CLSID_CoPlikSW));
  batch.DeleteKey(PROGID_CoPlikSW);
  batch.DeleteKey(PROGID_CoPlikSW_VERSIONED);
  batch.DeleteKey("AppID\\" + plat::guidToString(APPID_OLVENLib));
}

// Something of this library, for finding its file.
const char kMarker = 0;

}  // namespace

}  // namespace swde::server

using namespace swde;
using namespace swde::server;

OLV_EXPORT HRESULT DllGetClassObject(plat::REFCLSID clsid, REFIID iid, void** out) noexcept {
  return plat::ComGuard(plat::IID_IClassFactory, kReaderProgId, [&] {
    if (!out) return plat::E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_CoPlikSW) return plat::CLASS_E_CLASSNOTAVAILABLE;
    const plat::ComPtr<ClassFactory> factory(new ClassFactory());
    return factory->QueryInterface(iid, out);
  });
}

OLV_EXPORT HRESULT DllCanUnloadNow() noexcept {
  return canUnloadNow() ? plat::S_OK : plat::S_FALSE;
}

// Registers the type library and the class keys in one write of the hive:
// a failure, or a process killed on the way, leaves all of them or none. A
// hive that cannot be read or written gives TYPE_E_REGISTRYACCESS, as the
// type library's registration does; a failure to compose the class keys
// gives SELFREG_E_CLASS. Both come with error information.
OLV_EXPORT HRESULT DllRegisterServer() noexcept {
  return plat::ComGuard(plat::IID_NULL, kReaderProgId, [] {
    std::string path;
    if (!plat::ModuleFileOf(&kMarker, path)) {
      plat::SetErrorInfo(plat::cp("Nie można ustalić pliku biblioteki olvenlib"), plat::IID_NULL,
                         kReaderProgId);
      return plat::TYPE_E_CANTLOADLIBRARY;
    }
    plat::TRegistryBatch batch(plat::HKEY_CLASSES_ROOT);
    try {
      if (!plat::AddTypeLibraryKeys(batch, TYPELIB_OLVENLib, path)) {
        plat::SetErrorInfo(plat::cp("Ścieżka biblioteki typów nie jest bezwzględna: ") + path,
                           plat::IID_NULL, kReaderProgId);
        return plat::E_INVALIDARG;
      }
      addClassKeys(batch, path);
    } catch (...) {
      return plat::HResultFromCurrentException(plat::IID_NULL, kReaderProgId,
                                               plat::SELFREG_E_CLASS);
    }
    try {
      batch.Commit();
    } catch (...) {
      return plat::HResultFromCurrentException(plat::IID_NULL, kReaderProgId,
                                               plat::TYPE_E_REGISTRYACCESS);
    }
    return plat::S_OK;
  });
}

// Deletes the class keys with their subkeys in one write of the hive (keys
// that are not there are no failure); the type library stays registered.
OLV_EXPORT HRESULT DllUnregisterServer() noexcept {
  return plat::ComGuard(plat::IID_NULL, kReaderProgId, [] {
    try {
      plat::TRegistryBatch batch(plat::HKEY_CLASSES_ROOT);
      removeClassKeys(batch);
      batch.Commit();
    } catch (...) {
      return plat::HResultFromCurrentException(plat::IID_NULL, kReaderProgId,
                                               plat::SELFREG_E_CLASS);
    }
    return plat::S_OK;
  });
}
