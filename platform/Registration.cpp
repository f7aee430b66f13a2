#include "platform/Registration.h"

#include <dlfcn.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/CodePage.h"
#include "platform/ComGuard.h"
#include "platform/Registry.h"

namespace plat {

bool AddTypeLibraryKeys(TRegistryBatch& batch, const TypeLibDesc& lib, const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  char version[16];
  std::snprintf(version, sizeof version, "%x.%x", static_cast<unsigned>(lib.major),
                static_cast<unsigned>(lib.minor));
  const std::string key = "TypeLib\\" + guidToString(*lib.libid) + '\\' + version;
  const std::string folder = path.substr(0, path.find_last_of('/') + 1);
  batch.WriteString(key, "", *lib.helpString ? lib.helpString : lib.name);
  batch.WriteString(key + "\\0\\linux", "", path);
  batch.WriteString(key + "\\FLAGS", "", "0");
  batch.WriteString(key + "\\HELPDIR", "", folder);
  return true;
}

bool ModuleFileOf(const void* address, std::string& path) noexcept {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || !info.dli_fname || !*info.dli_fname) return false;
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(info.dli_fname, nullptr), &std::free);
  if (!real) return false;
  try {
    path = real.get();
  } catch (...) {
    return false;
  }
  return true;
}

HRESULT RegisterTypeLibrary(const TypeLibDesc& lib, const std::string& path,
                            std::string_view source) noexcept {
  ClearErrorInfo();
  try {
    TRegistryBatch batch(HKEY_CLASSES_ROOT);
    if (!AddTypeLibraryKeys(batch, lib, path)) {
      SetErrorInfo(cp("Ścieżka biblioteki typów nie jest bezwzględna: ") + path, IID_NULL, source);
      return E_INVALIDARG;
    }
    batch.Commit();
    return S_OK;
  } catch (...) {
    return HResultFromCurrentException(IID_NULL, source, TYPE_E_REGISTRYACCESS);
  }
}

HRESULT RegisterProxyInterfaces(const ProxyInterface* interfaces, std::size_t count, REFCLSID proxy,
                                std::string_view source) noexcept {
  ClearErrorInfo();
  try {
    const std::string proxyText = guidToString(proxy);
    TRegistryBatch batch(HKEY_CLASSES_ROOT);
    for (std::size_t k = 0; k < count; ++k) {
      const ProxyInterface& i = interfaces[k];
      const std::string key = "Interface\\" + guidToString(*i.iid);
      batch.WriteString(key, "", i.name);
      batch.WriteString(key + "\\ProxyStubClsid32", "", proxyText);
      batch.WriteString(key + "\\NumMethods", "", std::to_string(i.numMethods));
    }
    batch.Commit();
    return S_OK;
  } catch (...) {
    return HResultFromCurrentException(IID_NULL, source, REGDB_E_WRITEREGDB);
  }
}

HRESULT UnregisterProxyInterfaces(const ProxyInterface* interfaces, std::size_t count,
                                  std::string_view source) noexcept {
  ClearErrorInfo();
  try {
    TRegistryBatch batch(HKEY_CLASSES_ROOT);
    for (std::size_t k = 0; k < count; ++k)
      batch.DeleteKey("Interface\\" + guidToString(*interfaces[k].iid));
    batch.Commit();
    return S_OK;
  } catch (...) {
    return HResultFromCurrentException(IID_NULL, source, REGDB_E_WRITEREGDB);
  }
}

}  // namespace plat
