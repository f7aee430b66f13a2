#include "wizard/TwizSetRaport.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "wizard/wizPageRules.h"
#include "wizard/wizPrompts.h"
#include "wizard/wizTexts.h"

namespace swde {

using wiz::T;

namespace {

constexpr wizPage::Look kLook = {
    "Wybór pliku raportu", "TwizSetRaport.jpg",
    "Podaj plik raportu. Przy pustym polu raport zostanie tylko wypisany na ekran.", 1052};

}  // namespace

TwizSetRaport::TwizSetRaport(wizCommand& command, wizPrompts& prompts, QWidget* parent)
    : wizPage(command, prompts, kLook, parent) {
  setObjectName(QStringLiteral("TwizSetRaport"));
  name_ = new QLineEdit(wiz::nameText(command.report), this);
  name_->setObjectName(QStringLiteral("fileName"));
  auto* browseButton = new QToolButton(this);
  browseButton->setText(QStringLiteral("..."));
  browseButton->setObjectName(QStringLiteral("btnBrowse"));
  connect(browseButton, &QToolButton::clicked, this, &TwizSetRaport::browse);
  auto* row = new QHBoxLayout;
  row->addWidget(name_, 1);
  row->addWidget(browseButton);
  body()->addLayout(row);

  // The kind of report: for a semantic check only, set from its options.
  kind_ = new QGroupBox(T("Rodzaj raportu"), this);
  kind_->setObjectName(QStringLiteral("reportKind"));
  condensed_ = new QRadioButton(T("Raport skondensowany"), kind_);
  condensed_->setObjectName(QStringLiteral("rbCondensed"));
  auto* full = new QRadioButton(T("Raport pełny"), kind_);
  full->setObjectName(QStringLiteral("rbFull"));
  auto* column = new QVBoxLayout(kind_);
  column->addWidget(condensed_);
  column->addWidget(full);
  (wizPageRules::initialCondensed(command) ? condensed_ : full)->setChecked(true);
  kind_->setVisible(wizPageRules::offersCondensed(command));
  body()->addWidget(kind_);
}

void TwizSetRaport::browse() {
  const QString chosen = prompts_.saveFile(
      this, windowTitle(), {T("Pliki raportu (*.rpt *.RPT)"), T("Wszystkie pliki (*)")},
      QStringLiteral("rpt"), true);
  if (!chosen.isEmpty()) name_->setText(chosen);
}

bool TwizSetRaport::next() {
  const AnsiString name = editedName(name_->text(), command_.report);
  if (const auto message = wizPageRules::checkReport(name)) {
    tell(*message);
    return false;
  }
  wizPageRules::applyReport(command_, name, condensed_->isChecked());
  return true;
}

}  // namespace swde
