// Page 5: the additional parameters of an authorization document.
#pragma once

#include "wizard/wizPage.h"

class QCheckBox;

namespace swde {

class TwizSetOptions : public wizPage {
  Q_OBJECT

 public:
  TwizSetOptions(wizCommand& command, wizPrompts& prompts, QWidget* parent = nullptr);

 protected:
  bool next() override;

 private:
  QCheckBox* skipWhiteChars_;
  QCheckBox* skipComments_;
};

}  // namespace swde
