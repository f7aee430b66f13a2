// The checked files a report's header names: their names and their folders.
#pragma once

#include <string>
#include <vector>

#include "platform/Export.h"

namespace olv {

class OLVPAGING_API LRepFileList {
 public:
  // Appends name and the folder part of path, only when both are non-empty.
  void addFile(const std::string& name, const std::string& path);
  int getFileCount() const;
  // Entry i; "" when i is not an entry.
  std::string getFileName(int i) const;
  std::string getFilePath(int i) const;
  void clear();

 private:
  std::vector<std::string> names_;
  std::vector<std::string> folders_;
};

}  // namespace olv
