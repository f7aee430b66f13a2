#include "wizard/TwizSetInFiles.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "wizard/wizPageRules.h"
#include "wizard/wizPrompts.h"
#include "wizard/wizTexts.h"

namespace swde {

using wiz::T;

namespace {

constexpr wizPage::Look kLook = {
    "Wybór plików danych", "TwizSetInFiles.jpg",
    "Wybierz pliki danych polecenia: co najmniej jeden, a do scalania dokładnie dwa. Przycisk "
    "Dodaj dopisuje pliki do listy, Usuń usuwa z niej zaznaczony plik.",
    1051};

}  // namespace

TwizSetInFiles::TwizSetInFiles(wizCommand& command, wizPrompts& prompts, QWidget* parent)
    : wizPage(command, prompts, kLook, parent) {
  setObjectName(QStringLiteral("TwizSetInFiles"));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("files"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  for (const AnsiString& input : command.inputs) append(input);

  auto* addButton = new QPushButton(T("Dod&aj"), this);
  addButton->setObjectName(QStringLiteral("btnAdd"));
  auto* removeButton = new QPushButton(T("&Usuń"), this);
  removeButton->setObjectName(QStringLiteral("btnDelete"));
  connect(addButton, &QPushButton::clicked, this, &TwizSetInFiles::addFiles);
  connect(removeButton, &QPushButton::clicked, this, &TwizSetInFiles::removeFile);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(addButton);
  buttons->addWidget(removeButton);
  buttons->addStretch(1);
  auto* row = new QHBoxLayout;
  row->addWidget(list_, 1);
  row->addLayout(buttons);
  body()->addLayout(row);
}

std::vector<AnsiString> TwizSetInFiles::files() const {
  std::vector<AnsiString> out;
  for (int i = 0; i < list_->count(); ++i)
    out.push_back(list_->item(i)->data(Qt::UserRole).toByteArray().toStdString());
  return out;
}

void TwizSetInFiles::append(const AnsiString& name) {
  auto* item = new QListWidgetItem(wiz::nameText(name), list_);
  item->setData(Qt::UserRole, QByteArray::fromStdString(name));
}

void TwizSetInFiles::addFiles() {
  const QStringList chosen = prompts_.openFiles(this, windowTitle(), dataFilters(), true);
  for (const QString& file : chosen) append(wiz::nameBytes(file));
}

void TwizSetInFiles::removeFile() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return;
  delete selected.first();
}

bool TwizSetInFiles::next() {
  const std::vector<AnsiString> chosen = files();
  if (const auto message = wizPageRules::checkInputs(command_.code, chosen)) {
    tell(*message);
    return false;
  }
  wizPageRules::applyInputs(command_, chosen);
  return true;
}

}  // namespace swde
