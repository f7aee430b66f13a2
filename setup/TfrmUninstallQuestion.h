// The uninstaller's question: remove the suite ("&Tak", accepted) or not
// ("&Nie", rejected).
#pragma once

#include "setup/TfrmPictureForm.h"

namespace swde {

class TfrmUninstallQuestion : public TfrmPictureForm {
  Q_OBJECT

 public:
  explicit TfrmUninstallQuestion(QWidget* parent = nullptr);

  QPushButton* yesButton() const { return yes_; }
  QPushButton* noButton() const { return no_; }

 private:
  QPushButton* yes_;
  QPushButton* no_;
};

}  // namespace swde
