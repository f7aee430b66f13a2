// Every message box and file dialog of the wizard's windows goes through
// this interface: the windows never call exec() on a box or a dialog
// themselves, so a test answers with a fake and nothing blocks.
#pragma once

#include <QString>
#include <QStringList>

#include "wizard/wizEditor.h"

class QWidget;

namespace swde {

class wizPrompts {
 public:
  enum class Icon { Information, Warning, Error, Question };

  virtual ~wizPrompts() = default;

  // A message with OK, over parent.
  virtual void tell(QWidget* parent, const QString& title, const QString& text, Icon icon) = 0;
  // A question with Yes and No, or Yes, No and Cancel.
  virtual wizEditor::Answer ask(QWidget* parent, const QString& title, const QString& text,
                                bool withCancel) = 0;
  // An open dialog of existing files; filters are the file types in Qt's
  // form. The chosen files, none when cancelled.
  virtual QStringList openFiles(QWidget* parent, const QString& title, const QStringList& filters,
                                bool multiple) = 0;
  // A save dialog: the file need not exist; defaultSuffix (no dot) is added
  // to a name typed without one; askOverwrite lets the dialog ask before an
  // existing file is chosen. "" when cancelled.
  virtual QString saveFile(QWidget* parent, const QString& title, const QStringList& filters,
                           const QString& defaultSuffix, bool askOverwrite) = 0;

  // A message of the core (cp1250) told with its own title and icon.
  void show(QWidget* parent, const wizMessage& message);
};

// The message boxes and file dialogs of Qt.
class wizQtPrompts : public wizPrompts {
 public:
  void tell(QWidget* parent, const QString& title, const QString& text, Icon icon) override;
  wizEditor::Answer ask(QWidget* parent, const QString& title, const QString& text,
                        bool withCancel) override;
  QStringList openFiles(QWidget* parent, const QString& title, const QStringList& filters,
                        bool multiple) override;
  QString saveFile(QWidget* parent, const QString& title, const QStringList& filters,
                   const QString& defaultSuffix, bool askOverwrite) override;
};

}  // namespace swde
