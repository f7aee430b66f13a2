#include "setup/setupUninstaller.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "platform/CodePage.h"
#include "platform/Com.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "setup/setupFiles.h"
#include "setup/setupMenu.h"
#include "setup/setupPlatform.h"
#include "setup/setupRecord.h"
#include "setup/setupUi.h"

namespace swde {

namespace {

using Role = setupFiles::Role;

const char* const kTempSuffix = ".$$$";
const char* const kTypeLibKey = "TypeLib";
// The keys that unregistering a component may leave empty.
const char* const kClassKeys[] = {"CLSID", "AppID"};

AnsiString shown(std::string_view path) {
  return plat::fileNameToCp1250(path);
}

bool endsWith(const std::string& s, std::string_view end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Gone already: the path or a folder above it is missing, or is no folder.
bool gone(int err) {
  return err == ENOENT || err == ENOTDIR;
}

}  // namespace

setupUninstaller::setupUninstaller(setupPlatform& platform, setupUi& ui)
    : platform_(platform), ui_(ui) {}

void setupUninstaller::removeFile(const std::string& path) {
  if (platform_.removeFile(path) != 0 && !gone(errno))
    failures_.push_back("Error deleting file " + shown(path));
}

void setupUninstaller::removeFolderIfEmpty(const std::string& path) {
  // A folder that still holds files of others stays, and that is no error.
  if (platform_.removeFolder(path) != 0 && !gone(errno) && errno != ENOTEMPTY && errno != EEXIST)
    failures_.push_back("Error deleting folder");
}

void setupUninstaller::removeTemplates(const setupRecord& record) {
  if (!record.templates) return;
  try {
    plat::TRegistryBatch batch(plat::HKEY_LOCAL_MACHINE);
    for (const char* name : setupRecord::kTemplateNames)
      batch.DeleteValue(setupRecord::kSuiteKey, name);
    batch.Commit();
    // The main window's "Settings" keep the key.
    setupRecord::removeEmptyKeys(plat::HKEY_LOCAL_MACHINE, setupRecord::kSuiteKey);
  } catch (const plat::Exception& e) {
    failures_.push_back(e.Message());
  }
}

bool setupUninstaller::unregisterComponent(const setupRecord& record) {
  if (!record.component) return true;
  const std::string path = record.installDir + setupFiles::nameOf(Role::Component);
  if (platform_.isRegularFile(path)) {
    std::string error;
    void* library = platform_.loadLibrary(path, error);
    if (!library) {
      failures_.push_back(plat::cp("Nie znaleziono pliku biblioteki ") + shown(path) + "\n" +
                          shown(error));
      return false;
    }
    const auto entry = reinterpret_cast<plat::HRESULT (*)()>(
        platform_.findFunction(library, "DllUnregisterServer"));
    if (!entry) {
      failures_.push_back(plat::cp("Nie znaleziono metody RegisterServer ") + shown(path));
      return false;
    }
    const plat::HRESULT result = entry();
    if (result < 0) {
      char code[16];
      std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result));
      failures_.push_back(plat::cp("Błąd rejestracji ") + shown(path) + " (" + code + ")");
      return false;
    }
  }
  try {
    removeTypeLibraries(record.installDir);
    for (const char* key : kClassKeys) setupRecord::removeEmptyKeys(plat::HKEY_CLASSES_ROOT, key);
  } catch (const plat::Exception& e) {
    failures_.push_back(e.Message());
  }
  return true;
}

// The component's type library stays registered when the component is
// unregistered; the versions whose file lies in the install folder go here.
void setupUninstaller::removeTypeLibraries(const std::string& folder) {
  const std::optional<std::string> ourFolder = platform_.resolvedPath(folder);
  if (!ourFolder) return;  // gone: nothing of it can be registered
  plat::TRegistry reg;
  reg.RootKey = plat::HKEY_CLASSES_ROOT;
  if (!reg.OpenKeyReadOnly(std::string("\\") + kTypeLibKey)) return;
  for (const std::string& library : reg.GetKeyNames()) {
    const std::string libraryKey = std::string(kTypeLibKey) + "\\" + library;
    plat::TRegistry versions;
    versions.RootKey = plat::HKEY_CLASSES_ROOT;
    if (!versions.OpenKeyReadOnly("\\" + libraryKey)) continue;
    bool removed = false;
    for (const std::string& version : versions.GetKeyNames()) {
      const std::string versionKey = libraryKey + "\\" + version;
      plat::TRegistry file;
      file.RootKey = plat::HKEY_CLASSES_ROOT;
      std::string path;
      try {
        if (!file.OpenKeyReadOnly("\\" + versionKey + "\\0\\linux") || !file.ValueExists(""))
          continue;
        path = file.ReadString("");
      } catch (const plat::ERegistryException&) {
        continue;
      }
      const std::optional<std::string> pathFolder =
          platform_.resolvedPath(plat::extractFilePath(path));
      if (!pathFolder || *pathFolder != *ourFolder) continue;
      plat::TRegistryBatch batch(plat::HKEY_CLASSES_ROOT);
      batch.DeleteKey(versionKey);
      batch.Commit();
      removed = true;
    }
    if (removed) setupRecord::removeEmptyKeys(plat::HKEY_CLASSES_ROOT, libraryKey);
  }
}

void setupUninstaller::removeFiles(const std::string& folder) {
  for (const setupFiles::Entry& file : setupFiles::all()) removeFile(folder + file.name);
}

void setupUninstaller::removeTemporaries(const std::string& folder) {
  std::vector<std::string> folders;
  for (const std::string& sub : setupFiles::folders()) folders.push_back(folder + sub + "/");
  folders.push_back(folder);
  for (const std::string& each : folders) {
    std::vector<std::string> names;
    if (!platform_.listFolder(each, names)) continue;
    for (const std::string& name : names)
      if (endsWith(name, kTempSuffix) && platform_.isRegularFile(each + name))
        removeFile(each + name);
  }
  // Deepest first; the install folder last.
  for (const std::string& each : folders) removeFolderIfEmpty(each);
}

void setupUninstaller::removeMenu(const setupRecord& record) {
  if (record.menuDir.empty() || record.menuDir.front() != '/') return;
  std::string folder = record.menuDir;
  if (folder.back() != '/') folder += '/';
  for (const std::string& name : setupMenu::fileNames()) removeFile(folder + name);
  removeFolderIfEmpty(folder);
}

int setupUninstaller::run() {
  if (!ui_.askUninstallQuestion()) return 0;
  const AnsiString title = plat::cp("Błąd deinstalacji");
  std::optional<setupRecord> record;
  try {
    record = setupRecord::read();
  } catch (const plat::Exception& e) {
    ui_.message(title, e.Message(), setupUi::Icon::Error);
    return 2;
  }
  if (!record) {
    ui_.message(title, "Error opening Registry key", setupUi::Icon::Error);
    return 2;
  }
  const std::string folder = std::filesystem::path(record->installDir).lexically_normal().string();
  if (folder.empty() || folder.front() != '/' || folder == "/") {
    ui_.message(title, "Error reading from Registry", setupUi::Icon::Error);
    return 2;
  }
  record->installDir = folder.back() == '/' ? folder : folder + "/";

  failures_.clear();
  ui_.statusShow(setupUi::Mode::Uninstall, 5);
  ui_.statusStep(plat::cp("Usuwanie wpisów w rejestrach"));
  removeTemplates(*record);
  ui_.statusStep(plat::cp("Deinstalacja komponentów"));
  // A component that could not be unregistered keeps its files, so that
  // another uninstall can still unregister it.
  const bool unregistered = unregisterComponent(*record);
  ui_.statusStep(plat::cp("Usuwanie plików"));
  if (unregistered) removeFiles(record->installDir);
  ui_.statusStep(plat::cp("Usuwanie plików"));
  if (unregistered) removeTemporaries(record->installDir);
  ui_.statusStep(plat::cp("Usuwanie wpisów w menu"));
  removeMenu(*record);
  if (failures_.empty()) {
    try {
      setupRecord::remove();
    } catch (const plat::Exception& e) {
      failures_.push_back(e.Message());
    }
  }
  ui_.statusHide();
  if (!failures_.empty()) {
    AnsiString text;
    for (const AnsiString& failure : failures_) text += (text.empty() ? "" : "\n") + failure;
    ui_.message(title, text, setupUi::Icon::Error);
    return 2;
  }
  ui_.showUninstallEnd();
  return 0;
}

}  // namespace swde
