#include "setup/setupRecord.h"

#include "platform/CodePage.h"

namespace swde {

const char* const setupRecord::kKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OLVEN";
const char* const setupRecord::kSuiteKey = "Software\\OLVEN";
const char* const setupRecord::kTemplateNames[4] = {"DA_HEAD", "DA_SECT_HEAD", "DA_SECT_MAIN",
                                                    "DA_FOOT"};

namespace {

const char* const kDisplayName = "DisplayName";
const char* const kUninstallString = "UninstallString";
const char* const kInstallDir = "InstallDir";
const char* const kMenuDir = "MenuDir";
const char* const kTemplates = "Templates";
const char* const kComponent = "Component";

// A flag value: an integer, not 0.
bool flag(plat::TRegistry& reg, const char* name) {
  try {
    return reg.ValueExists(name) && reg.ReadInteger(name) != 0;
  } catch (const plat::ERegistryException&) {
    return false;  // of another type: not ours
  }
}

std::string text(plat::TRegistry& reg, const char* name) {
  try {
    return reg.ValueExists(name) ? reg.ReadString(name) : std::string();
  } catch (const plat::ERegistryException&) {
    return {};
  }
}

bool note(const char* name, const std::string* value) {
  try {
    plat::TRegistryBatch batch(plat::HKEY_LOCAL_MACHINE);
    if (value)
      batch.WriteString(setupRecord::kKey, name, *value);
    else
      batch.WriteInteger(setupRecord::kKey, name, 1);
    batch.Commit();
    return true;
  } catch (const plat::ERegistryException&) {
    return false;
  }
}

}  // namespace

std::optional<setupRecord> setupRecord::read() {
  plat::TRegistry reg;
  reg.RootKey = plat::HKEY_LOCAL_MACHINE;
  if (!reg.OpenKeyReadOnly(kKey)) return std::nullopt;
  setupRecord record;
  record.installDir = text(reg, kInstallDir);
  record.menuDir = text(reg, kMenuDir);
  record.templates = flag(reg, kTemplates);
  record.component = flag(reg, kComponent);
  return record;
}

AnsiString setupRecord::write(const std::string& target, const std::string& setupName) {
  plat::TRegistry reg;
  reg.RootKey = plat::HKEY_LOCAL_MACHINE;
  try {
    if (!reg.OpenKey(kKey, true)) return "Error creating Registry key";
  } catch (const plat::ERegistryException&) {
    return "Error creating Registry key";
  }
  try {
    // One write of the hive for the three values.
    plat::TRegistryBatch batch(plat::HKEY_LOCAL_MACHINE);
    batch.WriteString(kKey, kDisplayName, "OLVEN");
    batch.WriteString(kKey, kUninstallString, "\"" + target + setupName + "\" -u");
    batch.WriteString(kKey, kInstallDir, target);
    batch.Commit();
  } catch (const plat::ERegistryException&) {
    return "Error writing to Registry";
  }
  return {};
}

bool setupRecord::noteMenuDir(const std::string& folder) {
  return note(kMenuDir, &folder);
}

bool setupRecord::noteTemplates() {
  return note(kTemplates, nullptr);
}

bool setupRecord::noteComponent() {
  return note(kComponent, nullptr);
}

void setupRecord::remove() {
  plat::TRegistryBatch batch(plat::HKEY_LOCAL_MACHINE);
  batch.DeleteKey(kKey);
  batch.Commit();
  const std::string key = kKey;
  removeEmptyKeys(plat::HKEY_LOCAL_MACHINE, key.substr(0, key.rfind('\\')));
}

void setupRecord::removeEmptyKeys(plat::HKEY root, const std::string& key) {
  std::string path = key;
  while (!path.empty()) {
    plat::TRegistry reg;
    reg.RootKey = root;
    if (reg.OpenKeyReadOnly("\\" + path)) {
      if (!reg.GetKeyNames().empty() || !reg.GetValueNames().empty()) return;
      reg.CloseKey();
      plat::TRegistryBatch batch(root);
      batch.DeleteKey(path);
      batch.Commit();
    }
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos) break;
    path.resize(slash);
  }
}

}  // namespace swde
