#include "wizard/TForm1.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/help/HelpSystem.h"
#include "wizard/wizPage.h"
#include "wizard/wizPrompts.h"
#include "wizard/wizTexts.h"

namespace swde {

using wiz::fromCp;
using wiz::nameBytes;
using wiz::nameText;
using wiz::T;

namespace {

constexpr int kImageColumnWidth = 25;

QPushButton* makeButton(QWidget* parent, const char* name, const char* text) {
  auto* button = new QPushButton(T(text), parent);
  button->setObjectName(QLatin1String(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TForm1::TForm1(wizPrompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window),
      prompts_(prompts),
      editor_(static_cast<wizEditor::Prompts&>(*this)),
      runPage_([](wizPage& page) { page.exec(); }),
      picture_(wizPicture::load(QStringLiteral("TForm1.jpg"))) {
  setObjectName(QStringLiteral("TForm1"));
  setWindowTitle(T("Kreator pliku poleceń"));
  HelpSystem::setContext(this, kHelpContext);

  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("fileName"));
  name_->setReadOnly(true);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("commands"));
  list_->setColumnCount(2);
  list_->setHeaderHidden(true);
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setIconSize(QSize(16, 16));
  list_->header()->setStretchLastSection(false);
  list_->header()->setMinimumSectionSize(16);
  list_->header()->setSectionResizeMode(0, QHeaderView::Fixed);
  list_->header()->resizeSection(0, kImageColumnWidth);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &TForm1::selectBlock);
  list_->viewport()->installEventFilter(this);

  auto* add = makeButton(this, "btnAdd", "Dod&aj");
  modify_ = makeButton(this, "btnModify", "&Modyfikuj");
  delete_ = makeButton(this, "btnDelete", "&Usuń");
  auto* open = makeButton(this, "btnOpen", "&Otwórz");
  save_ = makeButton(this, "btnSave", "Za&pisz");
  auto* finish = makeButton(this, "btnClose", "&Zakończ");
  connect(add, &QPushButton::clicked, this, &TForm1::addCommand);
  connect(modify_, &QPushButton::clicked, this, &TForm1::modifyCommand);
  connect(delete_, &QPushButton::clicked, this, &TForm1::deleteCommand);
  connect(open, &QPushButton::clicked, this, &TForm1::openList);
  connect(save_, &QPushButton::clicked, this, &TForm1::saveList);
  connect(finish, &QPushButton::clicked, this, &QWidget::close);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {add, modify_, delete_}) buttons->addWidget(b);
  buttons->addStretch(1);
  for (QPushButton* b : {open, save_, finish}) buttons->addWidget(b);

  auto* middle = new QVBoxLayout;
  middle->addWidget(name_);
  middle->addWidget(list_, 1);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(picture_.makeLabel(this), 0, Qt::AlignTop);
  layout->addLayout(middle, 1);
  layout->addLayout(buttons);
  resize(760, 440);

  redraw();
  if (!HelpSystem::instance().available())
    prompts_.tell(this, windowTitle(), HelpSystem::instance().missingMessage(),
                  wizPrompts::Icon::Information);
}

TForm1::~TForm1() = default;

std::optional<std::size_t> TForm1::selectedCommand() const {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  return static_cast<std::size_t>(selected.first()->data(0, kCommandRole).toULongLong());
}

bool TForm1::runHidden(const std::function<bool()>& run) {
  hide();
  const bool done = run();
  show();
  raise();
  activateWindow();
  return done;
}

void TForm1::addCommand() {
  runHidden([this] { return editor_.add(); });
  redraw();
}

void TForm1::modifyCommand() {
  const std::optional<std::size_t> command = selectedCommand();
  if (!command) return;
  runHidden([this, command] { return editor_.modify(*command); });
  redraw(command);
}

void TForm1::deleteCommand() {
  const std::optional<std::size_t> command = selectedCommand();
  if (!command) return;
  editor_.remove(*command);
  redraw();
}

void TForm1::saveList() {
  editor_.save();
  redraw(selectedCommand());
}

void TForm1::openList() {
  if (editor_.open())
    redraw();
  else
    redraw(selectedCommand());
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!editor_.close()) {
    event->ignore();
    redraw(selectedCommand());
    return;
  }
  HelpSystem::instance().closeAll();
  event->accept();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && watched == list_->viewport()) fitTextColumn();
  return QWidget::eventFilter(watched, event);
}

wizPageResult TForm1::showPage(int index, wizCommand& command) {
  const std::unique_ptr<wizPage> page = wizPage::create(index, command, prompts_, this);
  if (!page) return wizPageResult::Closed;
  runPage_(*page);
  return page->pageResult();
}

wizEditor::Answer TForm1::ask(const wizMessage& question, bool withCancel) {
  return prompts_.ask(this, fromCp(question.title), fromCp(question.text), withCancel);
}

void TForm1::tell(const wizMessage& message) {
  prompts_.show(this, message);
}

std::optional<AnsiString> TForm1::saveFileName() {
  // The editor asks before a file is replaced: the dialog does not.
  const QString path = prompts_.saveFile(
      this, T("Zapisz plik poleceń"), {T("Plik tekstowy (*.txt *.TXT)"), T("Wszystkie pliki (*)")},
      QStringLiteral("txt"), false);
  if (path.isEmpty()) return std::nullopt;
  return nameBytes(path);
}

std::optional<AnsiString> TForm1::openFileName() {
  const QStringList paths =
      prompts_.openFiles(this, T("Otwórz plik poleceń"), {T("Wszystkie pliki (*)")}, false);
  if (paths.isEmpty()) return std::nullopt;
  return nameBytes(paths.first());
}

void TForm1::redraw(std::optional<std::size_t> command) {
  selecting_ = true;
  list_->clear();
  rows_ = wizListRows::rows(editor_.list());
  QTreeWidgetItem* first = nullptr;
  for (const wizListRow& row : rows_) {
    auto* item = new QTreeWidgetItem(list_);
    item->setIcon(0, wizPicture::rowIcon(row.image));
    item->setText(1, row.isName ? nameText(row.text) : fromCp(row.text));
    item->setData(0, kCommandRole, static_cast<qulonglong>(row.command));
    if (command && row.command == *command && !first) first = item;
  }
  selecting_ = false;
  if (first) list_->setCurrentItem(first);  // selects the block
  name_->setText(nameText(editor_.shownName()));
  fitTextColumn();
  updateButtons();
}

void TForm1::selectBlock() {
  if (selecting_) return;
  QTreeWidgetItem* current = list_->currentItem();
  selecting_ = true;
  if (!current || !current->isSelected()) {
    list_->clearSelection();
  } else {
    const std::size_t row = static_cast<std::size_t>(list_->indexOfTopLevelItem(current));
    for (const std::size_t i : wizListRows::block(rows_, row))
      list_->topLevelItem(static_cast<int>(i))->setSelected(true);
  }
  selecting_ = false;
  updateButtons();
}

void TForm1::updateButtons() {
  const bool selected = selectedCommand().has_value();
  modify_->setEnabled(selected);
  delete_->setEnabled(selected);
  save_->setEnabled(editor_.hasList());
}

void TForm1::fitTextColumn() {
  list_->resizeColumnToContents(1);
  const int wanted = list_->columnWidth(1);
  const int room = list_->viewport()->width() - list_->columnWidth(0);
  list_->header()->resizeSection(1, std::max(wanted, room));
}

}  // namespace swde
