#include "app/help/HelpSystem.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVariant>
#include <QWidget>
#include <string>

#include "app/help/HelpContexts.h"
#include "app/help/HelpKeyFilter.h"
#include "app/help/HelpWindow.h"

namespace swde {

namespace {

constexpr char kContextProperty[] = "olvHelpContext";
const QString kIndexPage = QStringLiteral("index.html");
const QString kContextsFile = QStringLiteral("konteksty.txt");

// "pomoc/" in the folder of the running program.
QString defaultFolder() {
  const QFileInfo self(QStringLiteral("/proc/self/exe"));
  const QString program = self.symLinkTarget();
  const QString dir = program.isEmpty() ? QDir::currentPath() : QFileInfo(program).absolutePath();
  return QDir(dir).filePath(QStringLiteral("pomoc"));
}

}  // namespace

HelpSystem& HelpSystem::instance() {
  static HelpSystem help;
  return help;
}

HelpSystem::HelpSystem() : folder_(defaultFolder()) {}

// The window and the filter belong to the application's lifetime: the main
// window closes the help (closeAll) before the application ends, and
// nothing Qt owns is touched once it has gone.
HelpSystem::~HelpSystem() = default;

void HelpSystem::setFolder(const QString& folder) {
  const QString absolute = QDir(folder).absolutePath();
  if (absolute == folder_) return;
  closeAll();  // the open window shows pages of the old folder
  folder_ = absolute;
}

QString HelpSystem::folder() const {
  return folder_;
}

bool HelpSystem::available() const {
  return QFileInfo(QDir(folder_).filePath(kIndexPage)).isFile();
}

QString HelpSystem::missingMessage() const {
  return QStringLiteral("Nie znaleziono pliku pomocy:\n") +
         QDir::cleanPath(QDir(folder_).absoluteFilePath(kIndexPage));
}

bool HelpSystem::showContext(int context, QString* message) {
  auto fail = [message](const QString& text) {
    if (message) *message = text;
    return false;
  };
  if (!available()) return fail(missingMessage());

  // Read at every request: small, and an edited map takes effect at once.
  const QString mapPath = QDir::cleanPath(QDir(folder_).absoluteFilePath(kContextsFile));
  HelpContexts contexts;
  std::string error;
  if (!contexts.load(QFile::encodeName(mapPath).toStdString(), &error)) {
    return fail(QString::fromStdString(error));
  }
  QString page = kIndexPage;
  QString anchor;
  if (const HelpTarget* target = contexts.find(context)) {
    page = QFile::decodeName(QByteArray::fromStdString(target->page));
    anchor = QString::fromStdString(target->anchor);
  }
  const QString pagePath = QDir::cleanPath(QDir(folder_).absoluteFilePath(page));
  if (!QFileInfo(pagePath).isFile()) {
    return fail(QStringLiteral("Nie znaleziono pliku pomocy:\n") + pagePath);
  }

  if (!window_) window_ = new HelpWindow(folder_);
  window_->showPage(page, anchor);
  if (window_->isMinimized()) window_->showNormal();
  window_->show();
  window_->raise();
  window_->activateWindow();
  return true;
}

void HelpSystem::closeAll() {
  if (!window_) return;
  window_->close();
  delete window_.data();
}

HelpWindow* HelpSystem::window() const {
  return window_.data();
}

void HelpSystem::setContext(QWidget* w, int context) {
  if (w) w->setProperty(kContextProperty, context);
}

int HelpSystem::contextFor(const QWidget* w) {
  for (; w; w = w->parentWidget()) {
    bool ok = false;
    const int context = w->property(kContextProperty).toInt(&ok);
    if (ok && context > 0) return context;
  }
  return kOverview;
}

void HelpSystem::installF1(QApplication& app, std::function<void(const QString&)> onError) {
  if (f1Filter_) {
    app.removeEventFilter(f1Filter_);
    delete f1Filter_.data();
  }
  auto* filter = new HelpKeyFilter(
      [this](int context, QString* message) { return showContext(context, message); },
      std::move(onError), &app);
  app.installEventFilter(filter);
  f1Filter_ = filter;
}

}  // namespace swde
