// Page 3: the output file of a merge, typed or chosen through a save
// dialog.
#pragma once

#include "wizard/wizPage.h"

class QLineEdit;

namespace swde {

class TwizSetFileName : public wizPage {
  Q_OBJECT

 public:
  TwizSetFileName(wizCommand& command, wizPrompts& prompts, QWidget* parent = nullptr);

 protected:
  bool next() override;

 private:
  void browse();

  QLineEdit* name_;
};

}  // namespace swde
