#include "setup/setupMenu.h"

#include <cerrno>

#include "setup/setupFiles.h"
#include "setup/setupPlatform.h"

namespace swde {

namespace {

using Role = setupFiles::Role;

// The subfolder of the applications folder that holds our entries, and the
// name of the uninstall entry.
const char* const kMenuFolder = "olven";
const char* const kUninstallEntry = "usun";
const char* const kSuffix = ".desktop";

// What one entry starts and opens.
struct Kind {
  Role role;         // the file that names the entry (and the one it runs)
  const char* name;  // Name=
  const char* comment;
};

// In the order the menu lists them.
const Kind kKinds[] = {
    {Role::Program, "OLVEN", "Uruchamia program OLVEN"},
    {Role::HelpIndex, "OLVEN Pomoc", "Pomoc do programu OLVEN"},
    {Role::Wizard, "OLVEN Kreator pliku poleceń", "Kreator pliku poleceń"},
    {Role::Setup, "OLVEN Usuwanie oprogramowania", "Usuwa program OLVEN"},
};

// The entry's file name: the program's own name, the help's folder, or the
// uninstall's.
std::string fileNameOf(Role role) {
  const std::string name = setupFiles::nameOf(role);
  if (name.empty()) return {};
  if (role == Role::Setup) return std::string(kUninstallEntry) + kSuffix;
  const std::size_t slash = name.find('/');
  return (slash == std::string::npos ? name : name.substr(0, slash)) + kSuffix;
}

// The command line of an entry. The target holds none of the characters
// that a quoted argument of Exec would have to escape (the install refuses
// such folders), so quoting is enough for blanks.
std::string execOf(Role role, const std::string& target) {
  const std::string path = "\"" + target + setupFiles::nameOf(role) + "\"";
  switch (role) {
    case Role::HelpIndex:
      return "xdg-open " + path;
    case Role::Setup:
      return path + " -u";
    default:
      return path;
  }
}

}  // namespace

std::optional<std::string> setupMenu::folder(setupPlatform& platform) {
  const std::optional<std::string> data = platform.dataHome();
  if (!data) return std::nullopt;
  return *data + "/applications/" + kMenuFolder + "/";
}

std::vector<setupMenu::Entry> setupMenu::entries(const std::string& target) {
  std::vector<Entry> result;
  const std::string icon = setupFiles::nameOf(Role::Icon);
  for (const Kind& kind : kKinds) {
    const std::string fileName = fileNameOf(kind.role);
    if (fileName.empty()) continue;
    std::string content = "[Desktop Entry]\n";
    content += "Type=Application\n";
    content += std::string("Name=") + kind.name + "\n";
    content += std::string("Comment=") + kind.comment + "\n";
    content += "Exec=" + execOf(kind.role, target) + "\n";
    if (!icon.empty()) content += "Icon=" + target + icon + "\n";
    content += "Terminal=false\n";
    content += "Categories=Utility;\n";
    result.push_back({fileName, std::move(content)});
  }
  return result;
}

std::vector<std::string> setupMenu::fileNames() {
  std::vector<std::string> result;
  for (const Kind& kind : kKinds) {
    std::string name = fileNameOf(kind.role);
    if (!name.empty()) result.push_back(std::move(name));
  }
  return result;
}

bool setupMenu::writeEntry(setupPlatform& platform, const std::string& folder, const Entry& entry) {
  std::string temp;
  const int fd = platform.createTemporary(folder, "." + entry.fileName + ".", "", temp);
  if (fd < 0) return false;
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < entry.content.size()) {
    const long long n =
        platform.writeSome(fd, entry.content.data() + done, entry.content.size() - done);
    if (n <= 0) {
      if (n == 0) errno = EIO;
      ok = false;
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  ok = ok && platform.setMode(fd, 0644) == 0;
  const int saved = errno;
  if (platform.closeFile(fd) != 0 && ok) {
    ok = false;
  } else {
    errno = saved;
  }
  ok = ok && platform.renameFile(temp, folder + entry.fileName) == 0;
  if (!ok) {
    const int err = errno;
    platform.removeFile(temp);
    errno = err;
  }
  return ok;
}

}  // namespace swde
