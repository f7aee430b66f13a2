#include "wizard/TwizSetOptions.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "wizard/wizPageRules.h"
#include "wizard/wizTexts.h"

namespace swde {

using wiz::T;

namespace {

constexpr wizPage::Look kLook = {
    "Dodakowe parametry", "TwizSetOptions.jpg",
    "Określ, czy przy tworzeniu dokumentu autoryzacji pomijać białe znaki i komentarze.", 1054};

}  // namespace

TwizSetOptions::TwizSetOptions(wizCommand& command, wizPrompts& prompts, QWidget* parent)
    : wizPage(command, prompts, kLook, parent) {
  setObjectName(QStringLiteral("TwizSetOptions"));
  auto* group = new QGroupBox(T("Określ dodatkowe parametry"), this);
  group->setObjectName(QStringLiteral("options"));
  skipWhiteChars_ = new QCheckBox(T("Pomijaj białe znaki"), group);
  skipWhiteChars_->setObjectName(QStringLiteral("cbSkipWhiteChars"));
  skipWhiteChars_->setChecked(wizPageRules::initialSkipWhiteChars(command));
  skipComments_ = new QCheckBox(T("Pomijaj komentarze"), group);
  skipComments_->setObjectName(QStringLiteral("cbSkipComments"));
  skipComments_->setChecked(wizPageRules::initialSkipComments(command));
  auto* column = new QVBoxLayout(group);
  column->addWidget(skipWhiteChars_);
  column->addWidget(skipComments_);
  body()->addWidget(group);
}

bool TwizSetOptions::next() {
  wizPageRules::applyOptions(command_, skipComments_->isChecked(), skipWhiteChars_->isChecked());
  return true;
}

}  // namespace swde
