// The map of help contexts, read from pomoc/konteksty.txt: one line
// "<number> <page>[#anchor]" per context; blank lines and lines starting with
// "#" are ignored. Free of Qt, so that it is checked without a display.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace swde {

struct HelpTarget {
  std::string page;    // file name inside the help folder, e.g. "okno.html"
  std::string anchor;  // without the "#", empty for the top of the page
};

class HelpContexts {
 public:
  // Reads the file at path. False when it cannot be read or a line is
  // malformed; *error then names the file (and the line).
  bool load(const std::string& path, std::string* error);
  // Parses text as if read from fileName (named in the error).
  bool parse(std::string_view text, const std::string& fileName, std::string* error);

  // The page of a context, or null when the map has no line for it.
  const HelpTarget* find(int context) const;
  const std::map<int, HelpTarget>& entries() const { return entries_; }

 private:
  std::map<int, HelpTarget> entries_;
};

}  // namespace swde
