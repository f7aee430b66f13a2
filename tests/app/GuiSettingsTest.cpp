// The main window's settings in the registry: names, types, defaults, and
// values that are not what they should be.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/guiSettings.h"
#include "platform/Registry.h"
#include "support/Files.h"
#include "support/TempRegistry.h"

namespace {

using swde::guiSettings;

constexpr const char* kKey = "\\Software\\OLVEN\\Settings";

plat::TRegistry machine() {
  plat::TRegistry reg;
  reg.RootKey = plat::HKEY_LOCAL_MACHINE;
  return reg;
}

void expectDefaults(const guiSettings& s) {
  EXPECT_TRUE(s.exclComments);
  EXPECT_TRUE(s.exclWhiteChars);
  EXPECT_TRUE(s.saveFileList);
  EXPECT_EQ(s.reportDir, "");
  EXPECT_FALSE(s.saveReports);
  EXPECT_TRUE(s.saveReportsDefault);
  EXPECT_TRUE(s.saveDataDefault);
  EXPECT_TRUE(s.reportCondensed);
  EXPECT_EQ(s.maxErrors, 100);
  EXPECT_EQ(s.outputDir, "");
}

TEST(GuiSettings, EmptyRegistryGivesTheDefaults) {
  testsupport::TempRegistry registry;
  guiSettings s;
  EXPECT_EQ(s.read(), "");
  expectDefaults(s);
  // Reading made nothing.
  EXPECT_FALSE(machine().KeyExists(kKey));
}

TEST(GuiSettings, RoundTripUnderTheirOwnNames) {
  testsupport::TempRegistry registry;
  guiSettings s;
  s.exclComments = false;
  s.exclWhiteChars = false;
  s.saveFileList = false;
  s.reportDir = "/raporty  ";  // stored with its blanks gone and a "/"
  s.saveReports = true;
  s.saveReportsDefault = false;
  s.saveDataDefault = false;
  s.reportCondensed = false;
  s.maxErrors = 4321;
  s.outputDir = "/dane/\xB9/";  // file-system bytes as they are
  ASSERT_EQ(s.write(), "");

  plat::TRegistry reg = machine();
  ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
  EXPECT_EQ(reg.GetValueNames(),
            (std::vector<std::string>{"exclComments", "exclWhiteChars", "maxErrors", "otputDir",
                                      "reportCondensed", "reportDir", "saveDataDefault",
                                      "saveFileList", "saveReports", "saveReportsDefault"}));
  EXPECT_EQ(reg.ReadInteger("exclComments"), 0);
  EXPECT_EQ(reg.ReadInteger("saveReports"), 1);
  EXPECT_EQ(reg.ReadInteger("maxErrors"), 4321);
  EXPECT_EQ(reg.ReadString("reportDir"), "/raporty/");
  EXPECT_EQ(reg.ReadString("otputDir"), "/dane/\xB9/");

  guiSettings back;
  EXPECT_EQ(back.read(), "");
  EXPECT_FALSE(back.exclComments);
  EXPECT_FALSE(back.exclWhiteChars);
  EXPECT_FALSE(back.saveFileList);
  EXPECT_EQ(back.reportDir, "/raporty/");
  EXPECT_TRUE(back.saveReports);
  EXPECT_FALSE(back.saveReportsDefault);
  EXPECT_FALSE(back.saveDataDefault);
  EXPECT_FALSE(back.reportCondensed);
  EXPECT_EQ(back.maxErrors, 4321);
  EXPECT_EQ(back.outputDir, "/dane/\xB9/");
}

TEST(GuiSettings, ValuesOfAnotherTypeKeepTheirDefaults) {
  testsupport::TempRegistry registry;
  plat::TRegistry reg = machine();
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  reg.WriteString("maxErrors", "250");    // a string for a number
  reg.WriteString("exclComments", "0");   // a string for a flag
  reg.WriteInteger("reportDir", 5);       // a number for a folder
  reg.WriteInteger("exclWhiteChars", 0);  // read on: the others still count
  reg.WriteString("otputDir", "/wyniki/");
  reg.CloseKey();
  guiSettings s;
  EXPECT_EQ(s.read(), "");
  EXPECT_EQ(s.maxErrors, 100);
  EXPECT_TRUE(s.exclComments);
  EXPECT_EQ(s.reportDir, "");
  EXPECT_FALSE(s.exclWhiteChars);
  EXPECT_EQ(s.outputDir, "/wyniki/");
}

TEST(GuiSettings, ErrorLimitIsKeptInRange) {
  const struct {
    int stored;
    int read;
  } cases[] = {{99999, 5000}, {5000, 5000}, {0, 0}, {-5, 0}, {1, 1}};
  for (const auto& c : cases) {
    testsupport::TempRegistry registry;
    plat::TRegistry reg = machine();
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    reg.WriteInteger("maxErrors", c.stored);
    reg.CloseKey();
    guiSettings s;
    s.read();
    EXPECT_EQ(s.maxErrors, c.read) << c.stored;
    // And on writing.
    s.maxErrors = c.stored;
    EXPECT_EQ(s.write(), "");
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
    EXPECT_EQ(reg.ReadInteger("maxErrors"), c.read) << c.stored;
  }
}

TEST(GuiSettings, UnreadableHiveIsReportedOnceAndNeverWritten) {
  testsupport::TempRegistry registry;
  const std::string hive = registry.folder() + "/HKEY_LOCAL_MACHINE.reg";
  const std::string broken =
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\OLVEN\\Settings]\nbroken\n";
  testsupport::writeFile(hive, broken);
  guiSettings s;
  const std::string message = s.read();
  EXPECT_NE(message.find("HKEY_LOCAL_MACHINE.reg"), std::string::npos) << message;
  expectDefaults(s);
  s.maxErrors = 7;
  EXPECT_EQ(s.write(), "");
  EXPECT_EQ(testsupport::readFile(hive), broken);
}

}  // namespace
