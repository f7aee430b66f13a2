// The menu entries of an install: four desktop entries in the user's
// applications folder, $XDG_DATA_HOME/applications/olven/ (the data folder
// as setupPlatform::dataHome finds it): the program, its help, the
// command-file wizard and the uninstall. Written whole (temporary file, then
// renamed), UTF-8, mode 0644.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace swde {

class setupPlatform;

class setupMenu {
 public:
  struct Entry {
    std::string fileName;  // "olven.desktop"
    std::string content;   // the whole desktop entry, UTF-8
  };

  // The folder of the entries, ending in "/"; nullopt when the user has no
  // home (nor an absolute $XDG_DATA_HOME).
  static std::optional<std::string> folder(setupPlatform& platform);

  // The entries of an install into target (absolute, ending in "/"): only
  // those whose file this build installs.
  static std::vector<Entry> entries(const std::string& target);

  // The file names of all entries the install may make.
  static std::vector<std::string> fileNames();

  // Writes one entry into folder (which exists): false with errno set when
  // it cannot be written; no file of it is left then.
  static bool writeEntry(setupPlatform& platform, const std::string& folder, const Entry& entry);
};

}  // namespace swde
