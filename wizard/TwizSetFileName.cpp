#include "wizard/TwizSetFileName.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "wizard/wizPageRules.h"
#include "wizard/wizPrompts.h"
#include "wizard/wizTexts.h"

namespace swde {

using wiz::T;

namespace {

constexpr wizPage::Look kLook = {"Wybór pliku wyjściowego", "TwizSetFileName.jpg",
                                 "Podaj plik wynikowy, do którego zostaną zapisane scalone dane.",
                                 1052};

}  // namespace

TwizSetFileName::TwizSetFileName(wizCommand& command, wizPrompts& prompts, QWidget* parent)
    : wizPage(command, prompts, kLook, parent) {
  setObjectName(QStringLiteral("TwizSetFileName"));
  name_ = new QLineEdit(wiz::nameText(command.output), this);
  name_->setObjectName(QStringLiteral("fileName"));
  auto* browseButton = new QToolButton(this);
  browseButton->setText(QStringLiteral("..."));
  browseButton->setObjectName(QStringLiteral("btnBrowse"));
  connect(browseButton, &QToolButton::clicked, this, &TwizSetFileName::browse);
  auto* row = new QHBoxLayout;
  row->addWidget(name_, 1);
  row->addWidget(browseButton);
  body()->addLayout(row);
}

void TwizSetFileName::browse() {
  const QString chosen = prompts_.saveFile(this, windowTitle(), dataFilters(), QString(), true);
  if (!chosen.isEmpty()) name_->setText(chosen);
}

bool TwizSetFileName::next() {
  const AnsiString name = editedName(name_->text(), command_.output);
  if (const auto message = wizPageRules::checkOutput(name)) {
    tell(*message);
    return false;
  }
  wizPageRules::applyOutput(command_, name);
  return true;
}

}  // namespace swde
