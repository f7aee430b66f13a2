#include "setup/TfrmEndDeinst.h"

#include <QPushButton>

namespace swde {

TfrmEndDeinst::TfrmEndDeinst(QWidget* parent)
    : TfrmPictureForm(QStringLiteral("OLVEN Usuwanie oprogramowania"), parent) {
  addText(QStringLiteral("Program OLVEN został usunięty."));
  centerTexts();
  exit_ = addButton(QStringLiteral("&Wyjdź"), true);
  exit_->setDefault(true);
}

}  // namespace swde
