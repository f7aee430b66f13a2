#include "wizard/wizPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include "wizard/wizTexts.h"

namespace swde {

namespace {

QMessageBox::Icon boxIcon(wizPrompts::Icon icon) {
  switch (icon) {
    case wizPrompts::Icon::Information:
      return QMessageBox::Information;
    case wizPrompts::Icon::Warning:
      return QMessageBox::Warning;
    case wizPrompts::Icon::Error:
      return QMessageBox::Critical;
    case wizPrompts::Icon::Question:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void wizPrompts::show(QWidget* parent, const wizMessage& message) {
  Icon icon = Icon::Warning;
  if (message.icon == wizMessage::Icon::Error) icon = Icon::Error;
  if (message.icon == wizMessage::Icon::Question) icon = Icon::Question;
  tell(parent, wiz::fromCp(message.title), wiz::fromCp(message.text), icon);
}

void wizQtPrompts::tell(QWidget* parent, const QString& title, const QString& text, Icon icon) {
  QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, parent);
  box.exec();
}

wizEditor::Answer wizQtPrompts::ask(QWidget* parent, const QString& title, const QString& text,
                                    bool withCancel) {
  QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
  if (withCancel) buttons |= QMessageBox::Cancel;
  QMessageBox box(QMessageBox::Question, title, text, buttons, parent);
  box.setDefaultButton(QMessageBox::Yes);
  // Escape and the title bar's close are No, or Cancel where there is one.
  box.setEscapeButton(withCancel ? QMessageBox::Cancel : QMessageBox::No);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return wizEditor::Answer::Yes;
    case QMessageBox::No:
      return wizEditor::Answer::No;
    default:
      return withCancel ? wizEditor::Answer::Cancel : wizEditor::Answer::No;
  }
}

QStringList wizQtPrompts::openFiles(QWidget* parent, const QString& title,
                                    const QStringList& filters, bool multiple) {
  QFileDialog dialog(parent, title);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  dialog.setNameFilters(filters);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

QString wizQtPrompts::saveFile(QWidget* parent, const QString& title, const QStringList& filters,
                               const QString& defaultSuffix, bool askOverwrite) {
  QFileDialog dialog(parent, title);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(filters);
  if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !askOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

}  // namespace swde
