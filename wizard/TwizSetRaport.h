// Page 4: the report file (none: the report is shown on screen) and, for a
// semantic check, the kind of report.
#pragma once

#include "wizard/wizPage.h"

class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace swde {

class TwizSetRaport : public wizPage {
  Q_OBJECT

 public:
  TwizSetRaport(wizCommand& command, wizPrompts& prompts, QWidget* parent = nullptr);

 protected:
  bool next() override;

 private:
  void browse();

  QLineEdit* name_;
  QGroupBox* kind_;
  QRadioButton* condensed_;
};

}  // namespace swde
