// Page 1: the function of the command, one of five radio buttons.
#pragma once

#include "wizard/wizPage.h"

class QButtonGroup;

namespace swde {

class TwizSetFunc : public wizPage {
  Q_OBJECT

 public:
  TwizSetFunc(wizCommand& command, wizPrompts& prompts, QWidget* parent = nullptr);

  // The code of the checked button.
  AnsiString checkedCode() const;

 protected:
  bool next() override;

 private:
  QButtonGroup* functions_;
};

}  // namespace swde
