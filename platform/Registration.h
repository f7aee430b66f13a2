// Self-registration of component libraries in HKEY_CLASSES_ROOT of our
// registry (platform/Registry.h): the type library, the proxy/stub entries of
// interfaces, and small helpers for the class keys that a server writes.
//
// The HRESULT functions never throw: a registry that cannot be read or
// written gives a failing HRESULT, with error information (the interface
// IID_NULL, the given source) whose description names the cause. Each
// writes the hive once, so that a failure, or a process killed on the way,
// leaves all of its keys or none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Com.h"
#include "platform/Export.h"

namespace plat {

class TRegistryBatch;

// What the registration of a type library needs to know of it; the interface
// generator writes one per library.
struct PLAT_API TypeLibDesc {
  const char* name;
  const char* helpString;  // may be empty
  const GUID* libid;
  std::uint16_t major, minor;
};

// Writes HKCR "TypeLib\{LIBID}\MAJOR.MINOR" (the version in hex, as on
// Windows): default value the help string (the name when it is empty), the
// subkeys "0\linux" (default value: path), "FLAGS" ("0") and "HELPDIR" (the
// folder of path). path must be absolute: else E_INVALIDARG. A registry
// failure gives TYPE_E_REGISTRYACCESS.
PLAT_API HRESULT RegisterTypeLibrary(const TypeLibDesc& lib, const std::string& path,
                                     std::string_view source) noexcept;
// The keys of RegisterTypeLibrary added to an HKCR batch, for a server that
// writes them together with its own. False, and nothing added, when path is
// not absolute; raises ERegistryException as the batch does.
PLAT_API bool AddTypeLibraryKeys(TRegistryBatch& batch, const TypeLibDesc& lib,
                                 const std::string& path);

// One interface of a proxy/stub library.
struct PLAT_API ProxyInterface {
  const char* name;
  const IID* iid;
  std::uint32_t numMethods;  // vtable slots, the inherited ones included
};

// Writes HKCR "Interface\{IID}" for each interface: default value its name,
// "ProxyStubClsid32" (default value: proxy) and "NumMethods" (default value:
// the decimal count). A registry failure gives REGDB_E_WRITEREGDB.
PLAT_API HRESULT RegisterProxyInterfaces(const ProxyInterface* interfaces, std::size_t count,
                                         REFCLSID proxy, std::string_view source) noexcept;
// Deletes HKCR "Interface\{IID}" with its subkeys for each interface; keys
// that are not there are no failure. A registry failure gives
// REGDB_E_WRITEREGDB.
PLAT_API HRESULT UnregisterProxyInterfaces(const ProxyInterface* interfaces, std::size_t count,
                                           std::string_view source) noexcept;

// The absolute path, symbolic links resolved, of the loaded file (program or
// shared library) that holds address; false when it cannot be found.
PLAT_API bool ModuleFileOf(const void* address, std::string& path) noexcept;

}  // namespace plat
