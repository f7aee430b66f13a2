// The list of the modules the program has loaded: name, version, size and
// path of each, saved on request as a TAB-separated text file. A window of
// its own, deleted when closed.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "app/ModuleList.h"

class QPushButton;
class QTreeWidget;

namespace swde {

class UiPrompts;

class TModulesForm : public QWidget {
  Q_OBJECT

 public:
  // Lists the modules loaded now.
  explicit TModulesForm(UiPrompts& prompts, QWidget* parent = nullptr);
  // Lists the modules given (tests).
  TModulesForm(UiPrompts& prompts, std::vector<ModuleInfo> modules, QWidget* parent = nullptr);

  static constexpr int kHelpContext = 1048;

  // "Zapisz": the save dialog, then saveTo.
  void saveDialog();
  // Writes the list to path; false with the message shown on failure.
  bool saveTo(const QString& path);

  const std::vector<ModuleInfo>& modules() const { return modules_; }
  QTreeWidget* list() const { return lista_; }

 private:
  void build();

  UiPrompts& prompts_;
  std::vector<ModuleInfo> modules_;
  QTreeWidget* lista_ = nullptr;
};

}  // namespace swde
