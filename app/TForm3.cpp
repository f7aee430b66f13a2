#include "app/TForm3.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QStyle>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/ModuleList.h"
#include "app/RtfDocumentBuilder.h"
#include "app/UiPrompts.h"
#include "app/help/HelpSystem.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace swde {

namespace {

QString T(const char* utf8) {
  return QString::fromUtf8(utf8);
}

}  // namespace

TForm3::TForm3(UiPrompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), prompts_(prompts) {
  setObjectName(QStringLiteral("documentForm"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("OLVEN   "));
  HelpSystem::setContext(this, kHelpContext);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* header = new QLabel(T("  Plik autoryzacji"), this);
  header->setObjectName(QStringLiteral("header"));
  QFont f = header->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.3);
  header->setFont(f);
  header->setMinimumHeight(28);
  layout->addWidget(header);

  QStyle* st = style();
  auto makeAction = [this](const char* name, const QString& text, const QIcon& icon = QIcon()) {
    auto* a = new QAction(icon, text, this);
    a->setObjectName(QLatin1String(name));
    return a;
  };
  QAction* tbCopy = makeAction("tbCopy", T("Skopiuj do schowka"),
                               st->standardIcon(QStyle::SP_FileDialogContentsView));
  QAction* tbSave = makeAction("tbSave", T("Zapisz dokument autoryzacji jako ..."),
                               st->standardIcon(QStyle::SP_DialogSaveButton));
  QAction* tbPrint = makeAction("tbPrint", T("Drukuj dokument autoryzacji"),
                                st->standardIcon(QStyle::SP_FileIcon));
  QAction* tbHelp = makeAction("tbHelp", T("Pomoc"), st->standardIcon(QStyle::SP_DialogHelpButton));
  QAction* pmCopy = makeAction("pmCopy", T("Kopiuj Ctrl+C"));
  QAction* pmSave = makeAction("pmSave", T("Zapisz jako ..."));
  QAction* pmPrint = makeAction("pmPrint", T("Drukuj"));
  QAction* pmHelp = makeAction("pmHelp", T("Pomo&c"));
  for (QAction* a : {tbCopy, pmCopy}) connect(a, &QAction::triggered, this, &TForm3::copySelection);
  for (QAction* a : {tbSave, pmSave}) connect(a, &QAction::triggered, this, &TForm3::saveDialog);
  for (QAction* a : {tbPrint, pmPrint}) connect(a, &QAction::triggered, this, &TForm3::print);
  for (QAction* a : {tbHelp, pmHelp}) connect(a, &QAction::triggered, this, &TForm3::showHelp);

  auto* bar = new QToolBar(this);
  bar->setObjectName(QStringLiteral("toolBar"));
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  for (QAction* a : {tbCopy, tbSave, tbPrint}) bar->addAction(a);
  bar->addSeparator();
  bar->addAction(tbHelp);
  layout->addWidget(bar);

  editor_ = new QTextEdit(this);
  editor_->setObjectName(QStringLiteral("document"));
  // Read-only, its text still selectable and copied by Ctrl+C.
  editor_->setReadOnly(true);
  editor_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  editor_->setLineWrapMode(QTextEdit::NoWrap);
  editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor_->setContextMenuPolicy(Qt::CustomContextMenu);
  popup_ = new QMenu(this);
  popup_->addAction(pmCopy);
  popup_->addAction(pmSave);
  popup_->addAction(pmPrint);
  popup_->addSeparator();
  popup_->addAction(pmHelp);
  connect(editor_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { popup_->popup(editor_->viewport()->mapToGlobal(at)); });
  layout->addWidget(editor_, 1);
  resize(720, 560);
}

bool TForm3::loadFile(const QString& path) {
  path_ = path;
  setWindowTitle(QStringLiteral("OLVEN   ") + QFile::decodeName(QFile::encodeName(path)));
  QString message;
  if (!openRtfDocument(path, *editor_->document(), bytes_, message)) {
    editor_->clear();
    bytes_.clear();
    prompts_.error(message);
    return false;
  }
  editor_->moveCursor(QTextCursor::Start);
  return true;
}

void TForm3::copySelection() {
  editor_->copy();
}

void TForm3::saveDialog() {
  int type = 0;
  const QString folder = path_.isEmpty() ? QDir::currentPath() : QFileInfo(path_).absolutePath();
  QString chosen = prompts_.saveFile(T("Zapisz jako..."), folder, T("Dokument autoryzacji (*.rtf)"),
                                     &type, QStringLiteral("rtf"));
  if (chosen.isEmpty()) return;
  if (QFileInfo(chosen).suffix().isEmpty()) chosen += QStringLiteral(".rtf");
  saveTo(chosen);
}

bool TForm3::saveTo(const QString& path) {
  const std::string target = QFile::encodeName(path).toStdString();
  const std::string shown = QFile::encodeName(path_).toStdString();
  // A window whose file could not be read has nothing to save.
  if (path_.isEmpty() || (bytes_.empty() && editor_->document()->isEmpty())) return false;
  if (plat::sameFile(shown, target)) return true;
  const std::string reason = replaceFileWith(target, bytes_);
  if (!reason.empty()) {
    prompts_.error(T("Nie można zapisać dokumentu w pliku ") + path + QStringLiteral(" (") +
                   QString::fromStdU16String(plat::cp1250ToUtf16(reason)) + QStringLiteral(")"));
    return false;
  }
  return true;
}

void TForm3::print() {
  QPrinter printer;
  if (!prompts_.print(printer)) return;
  printer.setDocName(QString());
  editor_->document()->print(&printer);
}

void TForm3::showHelp() {
  QString message;
  if (!HelpSystem::instance().showContext(kHelpContext, &message) && !message.isEmpty())
    prompts_.error(message);
}

}  // namespace swde
