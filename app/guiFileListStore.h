// The saved file list of the main window, "Olven.cfg" in the user's
// configuration folder ($XDG_CONFIG_HOME/olven/, else ~/.config/olven/).
//
// Format (little-endian): int32 count, then per entry int32 length and that
// many bytes of the file's full path (file-system bytes, no terminator).
#pragma once

#include <string>
#include <vector>

namespace swde {

class guiFileListStore {
 public:
  static constexpr const char* kFileName = "Olven.cfg";

  // The file in the user's configuration folder.
  static std::string defaultPath();

  explicit guiFileListStore(std::string path = defaultPath()) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // The paths of the entries whose files still exist, in their order. A
  // missing or unreadable file gives none; an entry that does not fit in
  // what is left of the file, or a longer path than the system allows, ends
  // the reading with the entries before it kept.
  std::vector<std::string> load() const;

  // Writes the paths to a new file beside the old one, which it then
  // replaces: a failed write leaves the old file as it was. Makes the
  // folder when missing. False on failure.
  bool save(const std::vector<std::string>& paths) const;

 private:
  std::string path_;
};

}  // namespace swde
