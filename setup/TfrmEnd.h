// The installer's last window: the install went well; "&Wyjdź" closes it.
#pragma once

#include "setup/TfrmPictureForm.h"

namespace swde {

class TfrmEnd : public TfrmPictureForm {
  Q_OBJECT

 public:
  explicit TfrmEnd(QWidget* parent = nullptr);

  QPushButton* exitButton() const { return exit_; }

 private:
  QPushButton* exit_;
};

}  // namespace swde
