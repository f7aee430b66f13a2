// The uninstall: removes what the install recorded, and nothing else.
//  1. The question ("Tak" goes on); then the record: without it nothing is
//     removed.
//  2. In this order: the document templates (when the install merged them)
//     and "Software\OLVEN" when that leaves it empty; the component's
//     registration (when the install made it) and the type library versions
//     whose file lies in the install folder; the name table's files, the
//     temporary "*.$$$" files of the copies, then the folders when empty;
//     the menu entries and their folder when empty; the record last.
// A failure does not stop the later steps (but a failed unregistration
// keeps every file, so that the component can still be unregistered); all
// failures go into one message, the record stays, and another uninstall
// finishes the work. What is already gone counts as removed.
#pragma once

#include <string>
#include <vector>

#include "platform/AnsiString.h"

namespace swde {

using plat::AnsiString;

class setupPlatform;
class setupRecord;
class setupUi;

class setupUninstaller {
 public:
  setupUninstaller(setupPlatform& platform, setupUi& ui);

  // 0 removed or declined, 2 a failure (shown).
  int run();

 private:
  void removeTemplates(const setupRecord& record);
  bool unregisterComponent(const setupRecord& record);
  void removeTypeLibraries(const std::string& folder);
  void removeFiles(const std::string& folder);
  void removeTemporaries(const std::string& folder);
  void removeMenu(const setupRecord& record);
  void removeFile(const std::string& path);
  void removeFolderIfEmpty(const std::string& path);

  setupPlatform& platform_;
  setupUi& ui_;
  std::vector<AnsiString> failures_;
};

}  // namespace swde
