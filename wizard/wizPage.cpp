#include "wizard/wizPage.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/help/HelpSystem.h"
#include "wizard/TwizSetFileName.h"
#include "wizard/TwizSetFunc.h"
#include "wizard/TwizSetInFiles.h"
#include "wizard/TwizSetOptions.h"
#include "wizard/TwizSetRaport.h"
#include "wizard/wizPageRules.h"
#include "wizard/wizPrompts.h"
#include "wizard/wizTexts.h"

namespace swde {

using wiz::T;

namespace {

constexpr int kMinimumWidth = 560;

}  // namespace

std::unique_ptr<wizPage> wizPage::create(int index, wizCommand& command, wizPrompts& prompts,
                                         QWidget* parent) {
  switch (index) {
    case wizPageRules::Function:
      return std::make_unique<TwizSetFunc>(command, prompts, parent);
    case wizPageRules::InputFiles:
      return std::make_unique<TwizSetInFiles>(command, prompts, parent);
    case wizPageRules::OutputFile:
      return std::make_unique<TwizSetFileName>(command, prompts, parent);
    case wizPageRules::Report:
      return std::make_unique<TwizSetRaport>(command, prompts, parent);
    case wizPageRules::Options:
      return std::make_unique<TwizSetOptions>(command, prompts, parent);
  }
  return nullptr;
}

wizPage::wizPage(wizCommand& command, wizPrompts& prompts, const Look& look, QWidget* parent)
    : QDialog(parent),
      command_(command),
      prompts_(prompts),
      picture_(wizPicture::load(QLatin1String(look.picture))),
      helpContext_(look.helpContext) {
  setWindowTitle(T(look.caption));
  // Modal to the main window only: the help window stays usable while a
  // page is open.
  setWindowModality(Qt::WindowModal);
  HelpSystem::setContext(this, helpContext_);

  auto* columns = new QHBoxLayout;
  columns->addWidget(picture_.makeLabel(this), 0, Qt::AlignTop);
  auto* right = new QVBoxLayout;
  auto* hint = new QLabel(T(look.hint), this);
  hint->setObjectName(QStringLiteral("hint"));
  hint->setWordWrap(true);
  right->addWidget(hint);
  body_ = new QVBoxLayout;
  right->addLayout(body_);
  right->addStretch(1);
  columns->addLayout(right, 1);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  auto* backButton = new QPushButton(T("&Wstecz"), this);
  backButton->setObjectName(QStringLiteral("btnBack"));
  backButton->setAutoDefault(false);
  auto* nextButton = new QPushButton(T("&Dalej"), this);
  nextButton->setObjectName(QStringLiteral("btnNext"));
  nextButton->setDefault(true);
  connect(backButton, &QPushButton::clicked, this, &wizPage::back);
  connect(nextButton, &QPushButton::clicked, this, &wizPage::tryNext);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(backButton);
  buttons->addWidget(nextButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns, 1);
  layout->addWidget(line);
  layout->addLayout(buttons);
  // One width for every page, enough for a path in the edits.
  setMinimumWidth(kMinimumWidth);

  if (!HelpSystem::instance().available())
    prompts_.tell(this, windowTitle(), HelpSystem::instance().missingMessage(),
                  wizPrompts::Icon::Information);
}

void wizPage::reject() {
  result_ = wizPageResult::Closed;
  QDialog::reject();
}

void wizPage::back() {
  result_ = wizPageResult::Back;
  done(QDialog::Rejected);
}

void wizPage::tryNext() {
  if (!next()) return;
  result_ = wizPageResult::Next;
  done(QDialog::Accepted);
}

void wizPage::tell(const wizMessage& message) {
  prompts_.show(this, message);
}

AnsiString wizPage::editedName(const QString& text, const AnsiString& original) {
  const QString trimmed = text.trimmed();
  if (!original.empty() && trimmed == wiz::nameText(original)) return original;
  return wiz::nameBytes(trimmed);
}

QStringList wizPage::dataFilters() {
  return {T("Pliki SWDE (*.swd *.dat *.swde *.SWD *.DAT *.SWDE)"), T("Wszystkie pliki (*)")};
}

}  // namespace swde
