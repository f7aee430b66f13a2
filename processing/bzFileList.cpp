#include "processing/bzFileList.h"

#include "platform/FileSystem.h"

namespace swde {

bzFileList::~bzFileList() = default;

void bzFileList::addFile(const AnsiString& name, const AnsiString& path) {
  if (name.empty() || path.empty()) return;
  names_.push_back(name);
  folders_.push_back(plat::extractFilePath(path));
}

unsigned bzFileList::getFileCount() const {
  return static_cast<unsigned>(names_.size());
}

AnsiString bzFileList::getFileName(unsigned i) const {
  return i < names_.size() ? names_[i] : AnsiString();
}

AnsiString bzFileList::getFilePath(unsigned i) const {
  return i < folders_.size() ? folders_[i] : AnsiString();
}

void bzFileList::clear() {
  names_.clear();
  folders_.clear();
}

}  // namespace swde
