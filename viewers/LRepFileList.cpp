#include "viewers/LRepFileList.h"

#include "platform/FileSystem.h"

namespace olv {

void LRepFileList::addFile(const std::string& name, const std::string& path) {
  if (name.empty() || path.empty()) return;
  names_.push_back(name);
  folders_.push_back(plat::extractFilePath(path));
}

int LRepFileList::getFileCount() const {
  return static_cast<int>(names_.size());
}

std::string LRepFileList::getFileName(int i) const {
  return i >= 0 && static_cast<std::size_t>(i) < names_.size() ? names_[i] : std::string();
}

std::string LRepFileList::getFilePath(int i) const {
  return i >= 0 && static_cast<std::size_t>(i) < folders_.size() ? folders_[i] : std::string();
}

void LRepFileList::clear() {
  names_.clear();
  folders_.clear();
}

}  // namespace olv
