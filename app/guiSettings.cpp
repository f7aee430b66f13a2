#include "app/guiSettings.h"

#include <algorithm>
#include <string>

#include "app/guiActions.h"
#include "platform/Registry.h"

namespace swde {

namespace {

std::int32_t clampLimit(std::int32_t n) {
  return std::clamp<std::int32_t>(n, 0, guiSettings::kMaxErrorsLimit);
}

}  // namespace

AnsiString guiSettings::read() {
  plat::TRegistry reg;
  reg.RootKey = plat::HKEY_LOCAL_MACHINE;
  try {
    if (!reg.OpenKeyReadOnly(kKey)) return AnsiString();
  } catch (const plat::ERegistryException& e) {
    hiveFailed_ = true;
    return e.Message();
  }
  // Each value on its own: a missing value or one of another type keeps the
  // field's default.
  auto readBool = [&](const char* name, bool& field) {
    try {
      if (reg.ValueExists(name)) field = reg.ReadBool(name);
    } catch (const plat::ERegistryException&) {
    }
  };
  auto readString = [&](const char* name, AnsiString& field) {
    try {
      if (reg.ValueExists(name)) field = reg.ReadString(name);
    } catch (const plat::ERegistryException&) {
    }
  };
  readBool("exclComments", exclComments);
  readBool("exclWhiteChars", exclWhiteChars);
  readBool("saveFileList", saveFileList);
  readBool("reportCondensed", reportCondensed);
  readString("reportDir", reportDir);
  readBool("saveReports", saveReports);
  readBool("saveReportsDefault", saveReportsDefault);
  readBool("saveDataDefault", saveDataDefault);
  try {
    if (reg.ValueExists("maxErrors")) maxErrors = clampLimit(reg.ReadInteger("maxErrors"));
  } catch (const plat::ERegistryException&) {
  }
  readString("otputDir", outputDir);
  return AnsiString();
}

AnsiString guiSettings::write() {
  if (hiveFailed_) return AnsiString();
  reportDir = guiActions::normalizeFolder(reportDir);
  maxErrors = clampLimit(maxErrors);
  try {
    // All values in one change of the hive.
    plat::TRegistryBatch batch(plat::HKEY_LOCAL_MACHINE);
    batch.WriteInteger(kKey, "exclComments", exclComments);
    batch.WriteInteger(kKey, "exclWhiteChars", exclWhiteChars);
    batch.WriteInteger(kKey, "saveFileList", saveFileList);
    batch.WriteString(kKey, "reportDir", reportDir);
    batch.WriteInteger(kKey, "saveReports", saveReports);
    batch.WriteInteger(kKey, "saveReportsDefault", saveReportsDefault);
    batch.WriteInteger(kKey, "saveDataDefault", saveDataDefault);
    batch.WriteInteger(kKey, "reportCondensed", reportCondensed);
    batch.WriteInteger(kKey, "maxErrors", maxErrors);
    batch.WriteString(kKey, "otputDir", outputDir);
    batch.Commit();
  } catch (const plat::ERegistryException& e) {
    return e.Message();
  }
  return AnsiString();
}

}  // namespace swde
