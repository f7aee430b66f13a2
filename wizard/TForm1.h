// The wizard's main window: the list of commands, each shown as a block of
// rows, the name of the command file, and the buttons that add, modify,
// delete, save and open through wizEditor. The window is the editor's
// prompts: its pages run modal, its questions and dialogs go through the
// wizPrompts it is given.
#pragma once

#include <QWidget>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "wizard/wizEditor.h"
#include "wizard/wizListRows.h"
#include "wizard/wizPicture.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace swde {

class wizPage;
class wizPrompts;

class TForm1 : public QWidget, private wizEditor::Prompts {
  Q_OBJECT

 public:
  // The data role of a row that holds its command's index.
  static constexpr int kCommandRole = Qt::UserRole;
  static constexpr int kHelpContext = 1049;

  // Runs a page until it is left; the window's own runs it modal (exec).
  // Tests drive the page in its place.
  using PageRunner = std::function<void(wizPage&)>;

  explicit TForm1(wizPrompts& prompts, QWidget* parent = nullptr);
  ~TForm1() override;

  void setPageRunner(PageRunner runner) { runPage_ = std::move(runner); }

  const wizEditor& editor() const { return editor_; }
  const wizPicture& picture() const { return picture_; }
  QTreeWidget* commandList() const { return list_; }
  // The command of the selected rows; nullopt without a selection.
  std::optional<std::size_t> selectedCommand() const;

  // The buttons' commands.
  void addCommand();
  void modifyCommand();
  void deleteCommand();
  void saveList();
  void openList();

 protected:
  // Asks about an unsaved list; the help windows close with the window.
  void closeEvent(QCloseEvent* event) override;
  // The text column follows the list's width.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  wizPageResult showPage(int index, wizCommand& command) override;
  wizEditor::Answer ask(const wizMessage& question, bool withCancel) override;
  void tell(const wizMessage& message) override;
  std::optional<AnsiString> saveFileName() override;
  std::optional<AnsiString> openFileName() override;

  // Draws the list anew, selecting the block of command when given.
  void redraw(std::optional<std::size_t> command = std::nullopt);
  // Extends the selection to the block of the current row.
  void selectBlock();
  void updateButtons();
  // The text column as wide as its longest row, at least the list's width.
  void fitTextColumn();
  // Hides the window while the pages of one command run.
  bool runHidden(const std::function<bool()>& run);

  wizPrompts& prompts_;
  wizEditor editor_;
  PageRunner runPage_;
  wizPicture picture_;
  std::vector<wizListRow> rows_;
  QTreeWidget* list_ = nullptr;
  QLineEdit* name_ = nullptr;
  QPushButton* modify_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* save_ = nullptr;
  bool selecting_ = false;
};

}  // namespace swde
