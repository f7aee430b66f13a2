// The document window: an authorization or verification document (an RTF
// file) shown read-only under the header "  Plik autoryzacji", with a tool
// bar and a pop-up menu to copy the selection, save the document and print
// it. A window of its own, deleted when closed; each opened document gets
// another one.
#pragma once

#include <QString>
#include <QWidget>
#include <string>

class QMenu;
class QTextEdit;
class QToolBar;

namespace swde {

class UiPrompts;

class TForm3 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm3(UiPrompts& prompts, QWidget* parent = nullptr);

  static constexpr int kHelpContext = 1012;

  // Shows the document at path, its caption "OLVEN   " + path. A file that
  // cannot be read: its message shown, the window stays empty; false.
  bool loadFile(const QString& path);

  // Copies the selected text to the clipboard.
  void copySelection();
  // The save dialog, then saveTo.
  void saveDialog();
  // Writes the document's bytes, as they were read, to path; onto the shown
  // file itself nothing is written. False with the message shown on failure.
  bool saveTo(const QString& path);
  // The print dialog, then the document printed without a job title.
  void print();
  void showHelp();

  QTextEdit* editor() const { return editor_; }
  const QString& path() const { return path_; }
  const std::string& originalBytes() const { return bytes_; }

 private:
  UiPrompts& prompts_;
  QTextEdit* editor_ = nullptr;
  QMenu* popup_ = nullptr;
  QString path_;
  std::string bytes_;  // the file as read: what a save writes
};

}  // namespace swde
