#include "setup/TfrmFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/CodePage.h"
#include "setup/TfrmPictureForm.h"

namespace swde {

namespace {

QString fromFileName(const std::string& bytes) {
  return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QString fromCp1250(const AnsiString& text) {
  return QString::fromStdU16String(plat::cp1250ToUtf16(text));
}

}  // namespace

TfrmFolders::TfrmFolders(const std::string& initial, setupUi::TargetCheck check, QWidget* parent)
    : QDialog(parent),
      initial_(initial),
      initialShown_(fromFileName(initial)),
      check_(std::move(check)) {
  setWindowTitle(QStringLiteral("OLVEN Program Instalacyjny"));
  setWindowIcon(TfrmPictureForm::programIcon());
  refusalShower_ = [this](const QString& message) {
    QMessageBox::warning(this, windowTitle(), message, QMessageBox::Ok);
  };

  // Folders only, hidden ones too: the usual target lies under ~/.local.
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
  model_->setReadOnly(true);
  const QString home = QDir::homePath();
  model_->setRootPath(home);

  tree_ = new QTreeView(this);
  tree_->setObjectName(QStringLiteral("folders"));
  tree_->setModel(model_);
  tree_->setRootIndex(model_->index(home));
  tree_->setHeaderHidden(true);
  for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  // By name, as a folder list reads.
  tree_->setSortingEnabled(true);
  tree_->sortByColumn(0, Qt::AscendingOrder);

  edit_ = new QLineEdit(initialShown_, this);
  edit_->setObjectName(QStringLiteral("target"));

  auto* chooseLabel = new QLabel(QStringLiteral("Wybierz katalog docelowy:"), this);
  chooseLabel->setBuddy(tree_);
  auto* chosenLabel = new QLabel(QStringLiteral("Wybrany katalog docelowy:"), this);
  chosenLabel->setBuddy(edit_);

  install_ = new QPushButton(QStringLiteral("&Instaluj"), this);
  exit_ = new QPushButton(QStringLiteral("&Wyjdź"), this);
  install_->setDefault(true);
  connect(install_, &QPushButton::clicked, this, &TfrmFolders::install);
  connect(exit_, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(install_);
  buttons->addWidget(exit_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->addWidget(chooseLabel);
  layout->addWidget(tree_, 1);
  layout->addSpacing(6);
  layout->addWidget(chosenLabel);
  layout->addWidget(edit_);
  layout->addSpacing(6);
  layout->addLayout(buttons);
  resize(520, 460);

  // Before the selection is followed: the edit keeps the initial text as
  // given, its trailing "/" included.
  selectInitial();
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TfrmFolders::folderSelected);
}

void TfrmFolders::setRefusalShower(std::function<void(const QString&)> shower) {
  refusalShower_ = std::move(shower);
}

std::string TfrmFolders::editBytes() const {
  const QString text = edit_->text();
  if (text == initialShown_) return initial_;
  return QFile::encodeName(text).toStdString();
}

void TfrmFolders::selectInitial() {
  const QFileInfo info(initialShown_);
  if (initialShown_.isEmpty() || !info.isAbsolute() || !info.isDir()) return;
  const QModelIndex index = model_->index(QDir::cleanPath(info.absoluteFilePath()));
  // Only a folder inside the tree (below the home folder) can be shown.
  QModelIndex parent = index.parent();
  while (parent.isValid() && parent != tree_->rootIndex()) parent = parent.parent();
  if (!index.isValid() || parent != tree_->rootIndex()) return;
  for (QModelIndex up = index.parent(); up.isValid() && up != tree_->rootIndex(); up = up.parent())
    tree_->expand(up);
  tree_->setCurrentIndex(index);
  tree_->scrollTo(index);
}

void TfrmFolders::folderSelected() {
  const QModelIndex index = tree_->currentIndex();
  if (index.isValid()) edit_->setText(model_->filePath(index));
}

void TfrmFolders::install() {
  const std::string text = editBytes();
  if (check_) {
    if (const std::optional<AnsiString> refusal = check_(text)) {
      if (refusalShower_) refusalShower_(fromCp1250(*refusal));
      return;
    }
  }
  target_ = text;
  accept();
}

}  // namespace swde
