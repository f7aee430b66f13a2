// The installer's choice of the target folder: a tree of the folders under
// the home folder and an edit holding the target. Selecting a folder in the
// tree puts its path into the edit; "&Instaluj" hands the edit's text to the
// check and closes the window only when the check takes it, a refusal being
// shown and the window kept; "&Wyjdź" closes it without a target.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "setup/setupUi.h"

class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace swde {

class TfrmFolders : public QDialog {
  Q_OBJECT

 public:
  // initial: the target shown at first (file-system bytes), selected in the
  // tree when it is an existing folder there. A null check takes any text.
  TfrmFolders(const std::string& initial, setupUi::TargetCheck check, QWidget* parent = nullptr);

  // How a refusal is shown; a warning box titled as the window by default.
  void setRefusalShower(std::function<void(const QString& message)> shower);

  // The target the check took (file-system bytes), once accepted.
  const std::optional<std::string>& target() const { return target_; }
  // The edit's text as file-system bytes: the initial bytes themselves while
  // the shown initial text is unchanged.
  std::string editBytes() const;

  QTreeView* tree() const { return tree_; }
  QFileSystemModel* model() const { return model_; }
  QLineEdit* edit() const { return edit_; }
  QPushButton* installButton() const { return install_; }
  QPushButton* exitButton() const { return exit_; }

 private:
  void install();
  void folderSelected();
  void selectInitial();

  std::string initial_;
  QString initialShown_;
  setupUi::TargetCheck check_;
  std::function<void(const QString&)> refusalShower_;
  std::optional<std::string> target_;
  QFileSystemModel* model_;
  QTreeView* tree_;
  QLineEdit* edit_;
  QPushButton* install_;
  QPushButton* exit_;
};

}  // namespace swde
