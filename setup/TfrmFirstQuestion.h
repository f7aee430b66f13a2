// The installer's first question: close the suite's running programs, then
// go on ("&Tak", accepted) or stop ("&Nie", rejected).
#pragma once

#include "setup/TfrmPictureForm.h"

namespace swde {

class TfrmFirstQuestion : public TfrmPictureForm {
  Q_OBJECT

 public:
  explicit TfrmFirstQuestion(QWidget* parent = nullptr);

  QPushButton* yesButton() const { return yes_; }
  QPushButton* noButton() const { return no_; }

 private:
  QPushButton* yes_;
  QPushButton* no_;
};

}  // namespace swde
