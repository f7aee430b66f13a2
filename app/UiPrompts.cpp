#include "app/UiPrompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace swde {

namespace {
const QString kTitle = QStringLiteral("OLVEN");
}

void QtUiPrompts::warning(const QString& text) {
  QMessageBox::warning(parent_, kTitle, text, QMessageBox::Ok);
}

void QtUiPrompts::error(const QString& text) {
  QMessageBox::critical(parent_, kTitle, text, QMessageBox::Ok);
}

void QtUiPrompts::notice(const QString& caption, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent_);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

bool QtUiPrompts::ask(const QString& text) {
  return QMessageBox::warning(parent_, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes;
}

QStringList QtUiPrompts::openFiles(const QString& title, const QString& folder,
                                   const QString& filter, bool multiple) {
  if (multiple) return QFileDialog::getOpenFileNames(parent_, title, folder, filter);
  const QString one = QFileDialog::getOpenFileName(parent_, title, folder, filter);
  return one.isEmpty() ? QStringList() : QStringList{one};
}

QString QtUiPrompts::saveFile(const QString& title, const QString& folder, const QString& filter,
                              int* selected, const QString& defaultSuffix) {
  QFileDialog dialog(parent_, title, folder, filter);
  if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QStringList types = filter.split(QStringLiteral(";;"));
  if (selected && *selected >= 0 && *selected < types.size())
    dialog.selectNameFilter(types[*selected]);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  if (selected) *selected = static_cast<int>(types.indexOf(dialog.selectedNameFilter()));
  return dialog.selectedFiles().first();
}

QString QtUiPrompts::folder(const QString& title, const QString& start) {
  return QFileDialog::getExistingDirectory(parent_, title, start);
}

bool QtUiPrompts::print(QPrinter& printer) {
  QPrintDialog dialog(&printer, parent_);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace swde
