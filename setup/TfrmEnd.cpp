#include "setup/TfrmEnd.h"

#include <QPushButton>

namespace swde {

TfrmEnd::TfrmEnd(QWidget* parent)
    : TfrmPictureForm(QStringLiteral("OLVEN Program instalacyjny"), parent) {
  addText(QStringLiteral("Instalacja przebiegła pomyślnie"));
  centerTexts();
  exit_ = addButton(QStringLiteral("&Wyjdź"), true);
  exit_->setDefault(true);
}

}  // namespace swde
