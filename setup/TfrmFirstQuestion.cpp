#include "setup/TfrmFirstQuestion.h"

#include <QPushButton>

namespace swde {

TfrmFirstQuestion::TfrmFirstQuestion(QWidget* parent)
    : TfrmPictureForm(QStringLiteral("OLVEN Program instalacyjny"), parent) {
  addHeading(QStringLiteral("OLVEN"));
  addGap();
  addText(QStringLiteral("Przed instalacją zamknij uruchomione programy OLVEN. Czy kontynuować?"));
  yes_ = addButton(QStringLiteral("&Tak"), true);
  no_ = addButton(QStringLiteral("&Nie"), false);
  yes_->setDefault(true);
}

}  // namespace swde
