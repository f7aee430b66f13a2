#include "platform/Activation.h"

#include <dlfcn.h>

#include <mutex>
#include <new>
#include <set>
#include <string>

#include "platform/ComPtr.h"
#include "platform/Registry.h"

namespace plat {

namespace {

// Steps of a CurVer chain that a lookup follows; a registration has one.
constexpr int kMaxCurVerSteps = 16;

// The default value of an HKCR key; false when the key or the value is
// missing. Raises ERegistryException when the value is not text.
bool readDefault(const TRegistrySnapshot& hkcr, const std::string& key, std::string& value) {
  return hkcr.ReadString(key, "", value);
}

// A name that stays one key: no separator, no control character.
bool plainKeyName(std::string_view name) {
  if (name.empty()) return false;
  for (unsigned char c : name)
    if (c == '\\' || c < 0x20 || c == 0x7F) return false;
  return true;
}

std::string asciiLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Loads a library once: later loads of the same file give the same handle
// without adding to its reference count. Libraries are never unloaded.
void* loadLibrary(const std::string& path) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  static std::mutex mutex;
  static std::set<void*>* loaded = new std::set<void*>;  // never destroyed: used up to exit
  std::lock_guard<std::mutex> lock(mutex);
  if (!loaded->insert(handle).second) ::dlclose(handle);
  return handle;
}

}  // namespace

HRESULT CLSIDFromProgID(std::string_view progId, CLSID* clsid) noexcept {
  if (!clsid) return E_POINTER;
  if (!plainKeyName(progId)) return CO_E_CLASSSTRING;
  try {
    // One reading of the hive for the whole chain: a registration changed
    // meanwhile is seen before or after, never half.
    const TRegistrySnapshot hkcr(HKEY_CLASSES_ROOT);
    std::string current(progId);
    std::string text;
    if (!readDefault(hkcr, current + "\\CLSID", text)) text.clear();
    std::set<std::string> seen = {asciiLower(current)};
    for (int steps = 0;; ++steps) {
      std::string next, nextText;
      if (!readDefault(hkcr, current + "\\CurVer", next) || !plainKeyName(next)) break;
      if (!seen.insert(asciiLower(next)).second) break;  // a loop of CurVer keys
      if (!readDefault(hkcr, next + "\\CLSID", nextText)) break;
      if (steps == kMaxCurVerSteps) return CO_E_CLASSSTRING;
      current = next;
      text = nextText;
    }
    GUID g;
    if (text.empty() || !guidFromString(text, g)) return CO_E_CLASSSTRING;
    *clsid = g;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return REGDB_E_READREGDB;
  }
}

HRESULT CoGetClassObject(REFCLSID clsid, std::uint32_t clsctx, REFIID iid, void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if ((clsctx & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  void* library = nullptr;
  try {
    std::string path;
    if (!readDefault(TRegistrySnapshot(HKEY_CLASSES_ROOT),
                     "CLSID\\" + guidToString(clsid) + "\\InprocServer32", path))
      return REGDB_E_CLASSNOTREG;
    // Only an absolute path: the library search path decides nothing here.
    if (path.empty() || path[0] != '/') return REGDB_E_CLASSNOTREG;
    library = loadLibrary(path);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return REGDB_E_READREGDB;
  }
  if (!library) return CO_E_DLLNOTFOUND;
  const auto getClassObject =
      reinterpret_cast<DllGetClassObjectFunc>(::dlsym(library, "DllGetClassObject"));
  if (!getClassObject) return CO_E_ERRORINDLL;
  HRESULT hr;
  try {
    hr = getClassObject(clsid, iid, out);
  } catch (...) {
    hr = E_UNEXPECTED;  // a server that breaks the rules of its entry points
  }
  if (FAILED(hr)) *out = nullptr;
  return hr;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, std::uint32_t clsctx, REFIID iid,
                         void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<IClassFactory> factory;
  HRESULT hr = CoGetClassObject(clsid, clsctx, IID_IClassFactory, factory.outVoid());
  if (FAILED(hr)) return hr;
  if (!factory) return E_UNEXPECTED;
  try {
    hr = factory->CreateInstance(outer, iid, out);
  } catch (...) {
    hr = E_UNEXPECTED;
  }
  if (FAILED(hr)) *out = nullptr;
  return hr;
}

}  // namespace plat
