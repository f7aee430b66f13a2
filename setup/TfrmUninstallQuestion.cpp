#include "setup/TfrmUninstallQuestion.h"

#include <QPushButton>

namespace swde {

TfrmUninstallQuestion::TfrmUninstallQuestion(QWidget* parent)
    : TfrmPictureForm(QStringLiteral("OLVEN Usuwanie oprogramowania"), parent) {
  addText(QStringLiteral("Zostanie usunięte"));
  addText(QStringLiteral("następujące oprogramowanie:"));
  addGap();
  addHeading(QStringLiteral("OLVEN"));
  addGap();
  addText(QStringLiteral("Czy chcesz kontynuować?"));
  yes_ = addButton(QStringLiteral("&Tak"), true);
  no_ = addButton(QStringLiteral("&Nie"), false);
  // Removing is the step a stray Enter should not take.
  no_->setDefault(true);
}

}  // namespace swde
