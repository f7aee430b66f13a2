#include "setup/setupInstaller.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

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

// The payload's folder beside the program, and the folder the install goes
// to in the user's data folder by default.
const char* const kPayloadFolder = "runimage";
const char* const kDefaultFolder = "olven";

// Copies go through a buffer of this size.
constexpr std::size_t kCopyBuffer = 64 * 1024;

// The suffix of the temporary files of a copy; the uninstall removes any
// that a killed install left.
const char* const kTempSuffix = ".$$$";

AnsiString shown(std::string_view path) {
  return plat::fileNameToCp1250(path);
}

// Bytes that would need escaping in the Exec line of a menu entry, or that
// a shell would take for itself.
bool unsafeByte(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == '"' || c == '\\' || c == '`' || c == '$' || c == '%';
}

// path with "/" at its end.
std::string slashed(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// The path with every link of its existing part resolved, ending in "/".
std::string resolvedFolder(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
  return slashed(ec ? path : resolved.string());
}

}  // namespace

setupInstaller::setupInstaller(setupPlatform& platform, setupUi& ui)
    : platform_(platform), ui_(ui) {}

std::string setupInstaller::payload() const {
  const std::string program = platform_.programFile();
  return plat::extractFilePath(program) + kPayloadFolder + "/";
}

std::string setupInstaller::initialTarget() const {
  try {
    const std::optional<setupRecord> record = setupRecord::read();
    if (record && !record->installDir.empty()) return record->installDir;
  } catch (const plat::Exception&) {
    // An unreadable registry shows itself when the target is checked.
  }
  const std::optional<std::string> data = platform_.dataHome();
  if (!data) return {};
  return *data + "/" + kDefaultFolder + "/";
}

std::optional<AnsiString> setupInstaller::checkTarget(const std::string& text,
                                                      std::string& target) const {
  const AnsiString refused = plat::cp("Niepoprawny katalog docelowy: ") + shown(text);
  std::u32string codePoints;
  if (text.empty() || text.front() != '/' || !plat::tryUtf8ToCodePoints(text, codePoints))
    return refused;
  for (const char c : text)
    if (unsafeByte(static_cast<unsigned char>(c))) return refused;
  // One "/" between names ("//" at the start would stay as it is).
  std::string single;
  for (const char c : text)
    if (c != '/' || single.empty() || single.back() != '/') single += c;
  std::string normal = std::filesystem::path(single).lexically_normal().string();
  normal = slashed(normal);
  if (normal == "/") return refused;
  const std::string payloadFolder = resolvedFolder(payload());
  const std::string resolved = resolvedFolder(normal);
  if (resolved.compare(0, payloadFolder.size(), payloadFolder) == 0) return refused;
  try {
    const std::optional<setupRecord> record = setupRecord::read();
    if (record && !record->installDir.empty() && record->installDir != normal)
      return plat::cp("OLVEN jest już zainstalowany w katalogu ") + shown(record->installDir) +
             plat::cp("; najpierw go usuń.");
  } catch (const plat::Exception& e) {
    return e.Message();
  }
  target = normal;
  return std::nullopt;
}

AnsiString setupInstaller::copyFile(const std::string& source, const std::string& destination) {
  struct ::stat st;
  const int in = platform_.openForReading(source, st);
  if (in < 0) return plat::cp("Nie można otworzyc pliku ") + shown(source);
  std::string temp;
  const int out =
      platform_.createTemporary(plat::extractFilePath(destination),
                                "." + plat::extractFileName(destination) + ".", kTempSuffix, temp);
  if (out < 0) {
    platform_.closeFile(in);
    return plat::cp("Nie można otworzyc pliku ") + shown(destination);
  }
  AnsiString error;
  std::vector<char> buffer(kCopyBuffer);
  long long copied = 0;
  while (error.empty()) {
    const long long got = platform_.readSome(in, buffer.data(), buffer.size());
    if (got < 0) {
      error = plat::cp("Błąd kopiowania pliku ") + shown(source);
      break;
    }
    if (got == 0) break;
    for (long long done = 0; done < got;) {
      const long long put =
          platform_.writeSome(out, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (put <= 0) {
        error = plat::cp("Błąd kopiowania pliku ") + shown(destination);
        break;
      }
      done += put;
    }
    copied += got;
  }
  platform_.closeFile(in);
  // A source that changed its size while being read gives a short copy.
  if (error.empty() && copied != static_cast<long long>(st.st_size))
    error = plat::cp("Błąd kopiowania pliku ") + shown(source);
  if (error.empty() && platform_.setMode(out, st.st_mode & 07777) != 0)
    error = plat::cp("Błąd kopiowania pliku ") + shown(destination);
  if (platform_.closeFile(out) != 0 && error.empty())
    error = plat::cp("Błąd kopiowania pliku ") + shown(destination);
  // The old file is replaced at once, never truncated: a running program or
  // a mapped library keeps its own.
  if (error.empty() && platform_.renameFile(temp, destination) != 0)
    error = plat::cp("Nie można usunąc pliku ") + shown(destination);
  if (!error.empty()) platform_.removeFile(temp);
  return error;
}

void setupInstaller::copyAll(const std::string& target) {
  const std::string from = payload();
  std::vector<std::string> folders = {target};
  for (const std::string& folder : setupFiles::folders()) folders.push_back(target + folder);
  for (const std::string& folder : folders)
    if (!platform_.makeFolders(folder))
      throw Failure{plat::cp("Nie można utworzyc katalogu ") + shown(folder)};
  for (const setupFiles::Entry& file : setupFiles::all()) {
    ui_.statusStep(plat::cp("Kopiowanie pliku ") + shown(file.name));
    const AnsiString error = copyFile(from + file.name, target + file.name);
    if (!error.empty()) throw Failure{error};
  }
}

void setupInstaller::mergeTemplates(const std::string& target) {
  ui_.statusStep(plat::cp("Modyfikacja rejestru"));
  // A user's own templates stay: the script is merged only when every
  // template is missing or empty.
  bool own = false;
  {
    const plat::TRegistrySnapshot hive(plat::HKEY_LOCAL_MACHINE);
    for (const char* name : setupRecord::kTemplateNames) {
      std::string value;
      try {
        own = own || (hive.ReadString(setupRecord::kSuiteKey, name, value) && !value.empty());
      } catch (const plat::ERegistryException&) {
        own = true;  // a value of another type is the user's too
      }
    }
  }
  if (own) return;
  std::string error;
  if (!platform_.importRegistryScript(target + setupFiles::nameOf(Role::Templates), error))
    throw Failure{plat::cp("Błąd modyfikacji rejestru") + "\n" + error};
  if (!setupRecord::noteTemplates()) throw Failure{"Error writing to Registry"};
}

void setupInstaller::registerComponent(const std::string& target) {
  ui_.statusStep(plat::cp("Rejestrowanie komponentów"));
  const std::string path = target + setupFiles::nameOf(Role::Component);
  std::string error;
  void* library = platform_.loadLibrary(path, error);
  if (!library)
    throw Failure{plat::cp("Nie znaleziono pliku biblioteki ") + shown(path) + "\n" + shown(error)};
  const auto entry =
      reinterpret_cast<plat::HRESULT (*)()>(platform_.findFunction(library, "DllRegisterServer"));
  if (!entry) throw Failure{plat::cp("Nie znaleziono metody RegisterServer ") + shown(path)};
  const plat::HRESULT result = entry();
  if (result < 0) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result));
    throw Failure{plat::cp("Błąd rejestracji ") + shown(path) + " (" + code + ")"};
  }
  if (!setupRecord::noteComponent()) throw Failure{"Error writing to Registry"};
}

void setupInstaller::createEntries(const std::string& target) {
  ui_.statusStep(plat::cp("Tworzenie ikon"));
  // Without a home there is no menu to put entries into; a menu that
  // cannot be written leaves the install without entries, as it is not
  // needed to run the suite.
  const std::optional<std::string> folder = setupMenu::folder(platform_);
  if (!folder || !platform_.makeFolders(*folder)) return;
  if (!setupRecord::noteMenuDir(*folder)) throw Failure{"Error writing to Registry"};
  for (const setupMenu::Entry& entry : setupMenu::entries(target))
    setupMenu::writeEntry(platform_, *folder, entry);
}

int setupInstaller::run() {
  const std::string from = payload();
  if (!platform_.isFolder(from)) {
    ui_.message(plat::cp("Błąd instalacji"), plat::cp("Nie można otworzyc katalogu ") + shown(from),
                setupUi::Icon::Error);
    return 2;
  }
  if (!ui_.askFirstQuestion()) return 0;
  const std::optional<std::string> chosen =
      ui_.askTarget(initialTarget(), [this](const std::string& text) {
        std::string target;
        return checkTarget(text, target);
      });
  if (!chosen) return 0;
  std::string target;
  if (const std::optional<AnsiString> refused = checkTarget(*chosen, target)) {
    ui_.message(plat::cp("Błąd instalacji"), *refused, setupUi::Icon::Error);
    return 2;
  }

  // The record, then each file, the templates, the component and the entries.
  ui_.statusShow(setupUi::Mode::Install, static_cast<int>(setupFiles::all().size()) + 4);
  ui_.statusStep(plat::cp("Tworzenie informacji deinstalatora"));
  const AnsiString recordError = setupRecord::write(target, setupFiles::nameOf(Role::Setup));
  if (!recordError.empty()) {
    ui_.statusHide();
    ui_.message("Error!", recordError, setupUi::Icon::Error);
    return 2;
  }
  try {
    copyAll(target);
    mergeTemplates(target);
    registerComponent(target);
    createEntries(target);
  } catch (const Failure& failure) {
    ui_.statusHide();
    ui_.message(plat::cp("Błąd instalacji"), failure.text, setupUi::Icon::Error);
    return 2;
  } catch (const plat::Exception& e) {
    ui_.statusHide();
    ui_.message(plat::cp("Błąd instalacji"), e.Message(), setupUi::Icon::Error);
    return 2;
  }
  ui_.statusHide();
  ui_.showInstallEnd();
  return 0;
}

}  // namespace swde
