// The modules the running program has loaded (the program and its shared
// libraries) with version, size and full path, as the module list window
// shows and saves them; and the whole-file replacement both small windows
// save with. Free of Qt.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace swde {

struct ModuleInfo {
  std::string name;     // the file name without its folder
  std::string version;  // four numbers joined by ".", or ""
  std::uint64_t size = 0;
  std::string path;  // full path
};

// "0.1" -> "0.1.0.0": the leading numbers of text (at most four), padded
// with zeros to four; "" when text does not start with a number.
std::string paddedVersion(std::string_view text);

// The numbers after ".so." in a library's file name, padded to four
// ("libQt6Widgets.so.6.4.2" -> "6.4.2.0"); "" without them.
std::string sharedObjectVersion(std::string_view fileName);

// True for the file names of this project's own programs and libraries.
bool isOwnModule(std::string_view fileName);

// Every loaded module that has a file, in load order, the program first
// (as /proc/self/exe names it). Own modules get projectVersion padded to
// four numbers, the others the numbers of their resolved file name.
std::vector<ModuleInfo> loadedModules(std::string_view projectVersion);

// The saved list: per module its name, version, size and path separated by
// TAB, each line ended by CR LF; nothing for an empty list.
std::string moduleListText(const std::vector<ModuleInfo>& modules);

// Replaces the file at path (a link's target for a link) with bytes: written
// to a temporary file in the same folder, then renamed over it, so that a
// failure leaves the old file as it was. "" or the reason (cp1250).
std::string replaceFileWith(const std::string& path, std::string_view bytes);

}  // namespace swde
