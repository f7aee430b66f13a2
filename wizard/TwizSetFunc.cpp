#include "wizard/TwizSetFunc.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>
#include <iterator>

#include "wizard/wizPageRules.h"
#include "wizard/wizTexts.h"

namespace swde {

using wiz::T;

namespace {

struct Function {
  const char* code;
  const char* text;  // UTF-8
};

constexpr Function kFunctions[] = {
    {"SK", "Sprawdzanie syntaktyki"},
    {"SP", "Sprawdzanie semantyki"},
    {"SC", "Scalanie"},
    {"GA", "Autoryzacja"},
    {"WA", "Weryfikacja"},
};

constexpr wizPage::Look kLook = {
    "Wybór funkcji", "TwizSetFunc.jpg",
    "Wybierz funkcję, którą ma wykonać polecenie. Od wyboru zależy, które z następnych stron "
    "się pokażą.",
    1050};

}  // namespace

TwizSetFunc::TwizSetFunc(wizCommand& command, wizPrompts& prompts, QWidget* parent)
    : wizPage(command, prompts, kLook, parent) {
  setObjectName(QStringLiteral("TwizSetFunc"));
  auto* group = new QGroupBox(T("Wybierz funkcję : "), this);
  group->setObjectName(QStringLiteral("functions"));
  auto* column = new QVBoxLayout(group);
  functions_ = new QButtonGroup(this);
  const AnsiString initial = wizPageRules::initialCode(command);
  for (int i = 0; i < static_cast<int>(std::size(kFunctions)); ++i) {
    auto* button = new QRadioButton(T(kFunctions[i].text), group);
    button->setObjectName(QStringLiteral("rb") + QLatin1String(kFunctions[i].code));
    button->setChecked(initial == kFunctions[i].code);
    functions_->addButton(button, i);
    column->addWidget(button);
  }
  body()->addWidget(group);
}

AnsiString TwizSetFunc::checkedCode() const {
  const int id = functions_->checkedId();
  return kFunctions[id < 0 ? 0 : id].code;
}

bool TwizSetFunc::next() {
  wizPageRules::applyFunction(command_, checkedCode());
  return true;
}

}  // namespace swde
