// Registering the component after the copy: libraries that fail in each
// way, and the real component server, registered from the install folder,
// created by its ProgID, and unregistered by the uninstall.
#include <gtest/gtest.h>

#include "SetupSupport.h"
#include "platform/Activation.h"
#include "platform/Com.h"
#include "reader/olvenlib_i.h"

namespace setuptest {
namespace {

using Role = setupFiles::Role;

class SetupRegistrationTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    makePayload();
    platform_.realLoader = true;
    // A folder of its own per library: a loaded library stays loaded.
    target_ = fs::canonical(world_.path()).string() + "/suite " +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    component_ = target_ + setupFiles::nameOf(Role::Component);
  }
  void useComponent(const std::string& library) {
    fs::copy_file(library, payload() + setupFiles::nameOf(Role::Component),
                  fs::copy_options::overwrite_existing);
  }
  static std::string hkcr(const std::string& key) {
    plat::TRegistry reg;
    reg.RootKey = plat::HKEY_CLASSES_ROOT;
    if (!reg.OpenKeyReadOnly("\\" + key) || !reg.ValueExists("")) return "<none>";
    return reg.ReadString("");
  }

  std::string target_, component_;
};

TEST_F(SetupRegistrationTest, FailingLibrariesEndTheInstallAndLeaveItRemovable) {
  struct Case {
    const char* what;
    const char* library;  // nullptr: the payload's text file
    std::string text;     // the message starts so, before the library's path
    std::string after;    // and goes on so
  } cases[] = {
      {"not a library", nullptr, "Nie znaleziono pliku biblioteki ", "\n"},
      {"no entry point", OLV_FAKE_NoEntry, "Nie znaleziono metody RegisterServer ", ""},
      {"a failing result", OLV_FAKE_FailingRegister, "Błąd rejestracji ", " (0x80004005)"},
  };
  const std::string before = registryDump();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A folder per library, since a loaded library stays loaded by its path.
    const std::string target = target_ + c.what + "/";
    const std::string component = target + setupFiles::nameOf(Role::Component);
    makePayload();
    if (c.library) useComponent(c.library);
    ScriptUi ui;
    ui.typed = {target};
    EXPECT_EQ(install(ui), 2);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Błąd instalacji");
    const std::string text = ui.boxes[0].text;
    const std::string expected = c.text + component + c.after;
    EXPECT_EQ(text.substr(0, expected.size()), expected);
    if (c.library)
      EXPECT_EQ(text, expected);
    else
      EXPECT_GT(text.size(), expected.size()) << "the loader's reason is missing";
    ASSERT_TRUE(record());
    EXPECT_FALSE(record()->component);
    EXPECT_TRUE(record()->templates);

    ScriptUi un;
    EXPECT_EQ(uninstall(un), 0) << un.boxText();
    EXPECT_FALSE(exists(target));
    EXPECT_EQ(registryDump(), before);
  }
}

TEST_F(SetupRegistrationTest, TheRealComponentIsRegisteredFromTheInstallFolder) {
  useComponent(OLV_OLVENLIB);
  const std::string before = registryDump();
  installInto(target_);

  plat::CLSID clsid{};
  ASSERT_EQ(plat::CLSIDFromProgID(swde::PROGID_CoPlikSW, &clsid), plat::S_OK);
  EXPECT_EQ(hkcr("CLSID\\" + plat::guidToString(clsid) + "\\InprocServer32"), component_);
  plat::IUnknown* object = nullptr;
  ASSERT_EQ(plat::CoCreateInstance(clsid, nullptr, plat::CLSCTX_INPROC_SERVER, plat::IID_IUnknown,
                                   reinterpret_cast<void**>(&object)),
            plat::S_OK);
  ASSERT_NE(object, nullptr);
  object->Release();
  // The proxy is only copied: no interface is registered for it.
  plat::TRegistry reg;
  reg.RootKey = plat::HKEY_CLASSES_ROOT;
  EXPECT_FALSE(reg.KeyExists("\\Interface"));
  EXPECT_TRUE(reg.KeyExists("\\TypeLib"));
  ASSERT_TRUE(record());
  EXPECT_TRUE(record()->component);

  // The uninstall takes the class keys and the type library with it.
  ScriptUi ui;
  ASSERT_EQ(uninstall(ui), 0) << ui.boxText();
  EXPECT_EQ(plat::CLSIDFromProgID(swde::PROGID_CoPlikSW, &clsid), plat::CO_E_CLASSSTRING);
  EXPECT_EQ(registryDump(), before);
  EXPECT_FALSE(exists(target_));
}

TEST_F(SetupRegistrationTest, TypeLibrariesOfOtherFoldersStay) {
  // Another copy registered its type library from elsewhere.
  plat::TRegistry reg;
  reg.RootKey = plat::HKEY_CLASSES_ROOT;
  const std::string other = "\\TypeLib\\{00000000-0000-0000-0000-00000000ABCD}\\1.0";
  ASSERT_TRUE(reg.OpenKey(other + "\\0\\linux", true));
  reg.WriteString("", "/opt/elsewhere/" + setupFiles::nameOf(Role::Component));
  const std::string before = registryDump();
  useComponent(OLV_OLVENLIB);
  installInto(target_);
  ScriptUi ui;
  ASSERT_EQ(uninstall(ui), 0) << ui.boxText();
  EXPECT_EQ(registryDump(), before);
}

}  // namespace
}  // namespace setuptest
