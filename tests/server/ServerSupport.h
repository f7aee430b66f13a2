// What the component server's tests share: a registry of its own per
// test, the built libraries and their entry points, and a holder of
// interface pointers.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Com.h"
#include "platform/ComPtr.h"
#include "platform/Registry.h"

namespace servertest {

using plat::ComPtr;

// A loaded library; never unloaded, as objects of it may outlive the test.
inline void* loadLibrary(const char* path) {
  void* handle = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
  EXPECT_NE(handle, nullptr) << ::dlerror();
  return handle;
}

template <class F>
F entry(void* library, const char* name) {
  F f = library ? reinterpret_cast<F>(::dlsym(library, name)) : nullptr;
  EXPECT_NE(f, nullptr) << name;
  return f;
}

// Every test gets an empty registry folder of its own, named in
// OLVEN_REGISTRY, and removed afterwards.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/olvregXXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    if (const char* old = std::getenv("OLVEN_REGISTRY")) saved_ = old, hadSaved_ = true;
    ::setenv("OLVEN_REGISTRY", folder_.c_str(), 1);
    plat::ClearErrorInfo();
  }
  void TearDown() override {
    if (hadSaved_) {
      ::setenv("OLVEN_REGISTRY", saved_.c_str(), 1);
    } else {
      ::unsetenv("OLVEN_REGISTRY");
    }
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  // The value of an HKCR key (its default value when name is empty), or
  // "<none>".
  static std::string hkcr(const std::string& key, const std::string& name = "") {
    plat::TRegistry reg;
    reg.RootKey = plat::HKEY_CLASSES_ROOT;
    if (!reg.OpenKeyReadOnly('\\' + key) || !reg.ValueExists(name)) return "<none>";
    return reg.ReadString(name);
  }
  static bool hkcrExists(const std::string& key) {
    plat::TRegistry reg;
    reg.RootKey = plat::HKEY_CLASSES_ROOT;
    return reg.KeyExists('\\' + key);
  }
  static void setHkcr(const std::string& key, const std::string& value,
                      const std::string& name = "") {
    plat::TRegistry reg;
    reg.RootKey = plat::HKEY_CLASSES_ROOT;
    ASSERT_TRUE(reg.OpenKey('\\' + key, true));
    reg.WriteString(name, value);
  }

  std::string folder_;

 private:
  std::string saved_;
  bool hadSaved_ = false;
};

// The description of the error information left by the last failing call,
// "<none>" when there is none.
inline std::string takeErrorDescription() {
  plat::ErrorInfo info;
  return plat::GetErrorInfo(info) ? info.description : std::string("<none>");
}

inline std::string take(plat::BSTR b) {
  std::string s = plat::cp1250FromBstr(b);
  plat::SysFreeString(b);
  return s;
}

}  // namespace servertest
