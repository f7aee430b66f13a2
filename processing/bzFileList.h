// The input files of one run: file names and their folders, index i of both
// lists describing file i in the order of addFile.
#pragma once

#include <vector>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVCORE_API bzFileList {
 public:
  bzFileList() = default;
  virtual ~bzFileList();

  // Appends name and the folder part of path (up to and including the last
  // "/"); does nothing when either is empty.
  void addFile(const AnsiString& name, const AnsiString& path);
  unsigned getFileCount() const;
  // "" when i is at or past the end of its list.
  AnsiString getFileName(unsigned i) const;
  AnsiString getFilePath(unsigned i) const;
  void clear();

 private:
  std::vector<AnsiString> names_;
  std::vector<AnsiString> folders_;
};

}  // namespace swde
