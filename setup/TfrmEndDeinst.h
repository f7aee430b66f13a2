// The uninstaller's last window: the suite was removed; "&Wyjdź" closes it.
#pragma once

#include "setup/TfrmPictureForm.h"

namespace swde {

class TfrmEndDeinst : public TfrmPictureForm {
  Q_OBJECT

 public:
  explicit TfrmEndDeinst(QWidget* parent = nullptr);

  QPushButton* exitButton() const { return exit_; }

 private:
  QPushButton* exit_;
};

}  // namespace swde
