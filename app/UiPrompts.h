// Every dialog and question of the main window goes through this interface:
// the window never calls exec() itself, so a test answers with a fake and
// nothing blocks.
#pragma once

#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace swde {

class UiPrompts {
 public:
  virtual ~UiPrompts() = default;

  // A warning box with OK.
  virtual void warning(const QString& text) = 0;
  // An error box with OK.
  virtual void error(const QString& text) = 0;
  // A box that does not wait for an answer (shown from a queued call).
  virtual void notice(const QString& caption, const QString& text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool ask(const QString& text) = 0;

  // An open dialog; the chosen files, none when cancelled.
  virtual QStringList openFiles(const QString& title, const QString& folder, const QString& filter,
                                bool multiple) = 0;
  // A save dialog that asks before overwriting. filter holds the types
  // separated by ";;"; *selected comes in as the type shown first and goes
  // out as the one chosen; defaultSuffix (no dot) is added to a name typed
  // without one before the overwrite question. "" when cancelled.
  virtual QString saveFile(const QString& title, const QString& folder, const QString& filter,
                           int* selected, const QString& defaultSuffix = QString()) = 0;
  // A folder dialog; "" when cancelled.
  virtual QString folder(const QString& title, const QString& start) = 0;
  // The print dialog over printer; true when accepted.
  virtual bool print(QPrinter& printer) = 0;
};

// The dialogs of Qt, owned by parent's window.
class QtUiPrompts : public UiPrompts {
 public:
  explicit QtUiPrompts(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  void warning(const QString& text) override;
  void error(const QString& text) override;
  void notice(const QString& caption, const QString& text) override;
  bool ask(const QString& text) override;
  QStringList openFiles(const QString& title, const QString& folder, const QString& filter,
                        bool multiple) override;
  QString saveFile(const QString& title, const QString& folder, const QString& filter,
                   int* selected, const QString& defaultSuffix = QString()) override;
  QString folder(const QString& title, const QString& start) override;
  bool print(QPrinter& printer) override;

 private:
  QWidget* parent_;
};

}  // namespace swde
