#include "app/TModulesForm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/UiPrompts.h"
#include "app/VersionText.h"
#include "app/help/HelpSystem.h"
#include "platform/CodePage.h"

namespace swde {

namespace {

QString T(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QString fromPath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

// The project's version from the about panel's line ("Wersja 0.1").
std::string projectVersion() {
  const std::string text = plat::cp1250ToUtf8(versionText());
  const std::size_t digit = text.find_first_of("0123456789");
  return digit == std::string::npos ? std::string() : text.substr(digit);
}

}  // namespace

TModulesForm::TModulesForm(UiPrompts& prompts, QWidget* parent)
    : TModulesForm(prompts, loadedModules(projectVersion()), parent) {}

TModulesForm::TModulesForm(UiPrompts& prompts, std::vector<ModuleInfo> modules, QWidget* parent)
    : QWidget(parent, Qt::Window), prompts_(prompts), modules_(std::move(modules)) {
  setObjectName(QStringLiteral("modulesForm"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(T("OLVEN - lista używanych modułów"));
  HelpSystem::setContext(this, kHelpContext);
  build();
  resize(760, 420);
}

void TModulesForm::build() {
  auto* layout = new QVBoxLayout(this);
  lista_ = new QTreeWidget(this);
  lista_->setObjectName(QStringLiteral("lista"));
  lista_->setHeaderLabels({T("Moduł"), T("Wersja"), T("Rozmiar"), T("Ścieżka")});
  lista_->setRootIsDecorated(false);
  lista_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  for (const ModuleInfo& m : modules_) {
    auto* item = new QTreeWidgetItem(lista_);
    item->setText(0, fromPath(m.name));
    item->setText(1, QString::fromStdString(m.version));
    item->setText(2, QString::number(m.size));
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(3, fromPath(m.path));
  }
  lista_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  layout->addWidget(lista_, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* save = new QPushButton(T("Zapisz"), this);
  save->setObjectName(QStringLiteral("saveButton"));
  auto* close = new QPushButton(T("Zamknij"), this);
  close->setObjectName(QStringLiteral("closeButton"));
  buttons->addWidget(save);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(save, &QPushButton::clicked, this, &TModulesForm::saveDialog);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
}

void TModulesForm::saveDialog() {
  int type = 0;
  QString chosen = prompts_.saveFile(
      T("Zapisz listę modułów jako..."), QDir::currentPath(),
      T("Pliki tekstowe (*.txt)") + QStringLiteral(";;") + T("Wszystkie pliki (*)"), &type,
      QStringLiteral("txt"));
  if (chosen.isEmpty()) return;
  if (QFileInfo(chosen).suffix().isEmpty()) chosen += QStringLiteral(".txt");
  saveTo(chosen);
}

bool TModulesForm::saveTo(const QString& path) {
  const std::string target = QFile::encodeName(path).toStdString();
  if (target.empty() || !replaceFileWith(target, moduleListText(modules_)).empty()) {
    prompts_.error(T("Wystąpił błąd zapisu listy modułów"));
    return false;
  }
  return true;
}

}  // namespace swde
