// A component library for the installer's tests: its registration entry
// points give the result the build chose, or it has none at all.
#include <cstdint>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

#ifndef OLV_FAKE_NO_ENTRY
FAKE_EXPORT std::int32_t DllRegisterServer() {
  return OLV_FAKE_REGISTER;
}
FAKE_EXPORT std::int32_t DllUnregisterServer() {
  return OLV_FAKE_UNREGISTER;
}
#else
FAKE_EXPORT int fakeComponentWithoutEntryPoints() {
  return 0;
}
#endif
