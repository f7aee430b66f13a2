#include "setup/setupQtUi.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWindow>

#include "platform/CodePage.h"
#include "setup/TfrmEnd.h"
#include "setup/TfrmEndDeinst.h"
#include "setup/TfrmFirstQuestion.h"
#include "setup/TfrmFolders.h"
#include "setup/TfrmStatus.h"
#include "setup/TfrmUninstallQuestion.h"

namespace swde {

namespace {

QString fromCp1250(const AnsiString& text) {
  return QString::fromStdU16String(plat::cp1250ToUtf16(text));
}

QMessageBox::Icon boxIcon(setupUi::Icon icon) {
  switch (icon) {
    case setupUi::Icon::Error:
      return QMessageBox::Critical;
    case setupUi::Icon::Warning:
      return QMessageBox::Warning;
    case setupUi::Icon::Information:
      break;
  }
  return QMessageBox::Information;
}

}  // namespace

setupQtUi::setupQtUi() = default;
setupQtUi::~setupQtUi() = default;

int setupQtUi::run(QDialog& dialog) {
  return dialog.exec();
}

bool setupQtUi::askFirstQuestion() {
  TfrmFirstQuestion form;
  return run(form) == QDialog::Accepted;
}

std::optional<std::string> setupQtUi::askTarget(const std::string& initial,
                                                const TargetCheck& check) {
  TfrmFolders form(initial, check);
  form.setRefusalShower([this, &form](const QString& text) {
    QMessageBox box(QMessageBox::Warning, form.windowTitle(), text, QMessageBox::Ok, &form);
    box.setWindowIcon(TfrmPictureForm::programIcon());
    run(box);
  });
  if (run(form) != QDialog::Accepted) return std::nullopt;
  return form.target();
}

bool setupQtUi::askUninstallQuestion() {
  TfrmUninstallQuestion form;
  return run(form) == QDialog::Accepted;
}

void setupQtUi::statusShow(Mode mode, int total) {
  if (!status_) status_ = std::make_unique<TfrmStatus>();
  status_->begin(mode, total);
  // In the middle of the screen, where the dialogs before it were.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    status_->adjustSize();
    QRect frame = status_->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    status_->move(frame.topLeft());
  }
  status_->show();
  status_->raise();
  // The window system maps a new window in its own time: the events that
  // tell it are taken here (no input), for at most a second, so that the
  // steps painted from here on reach the screen while the work holds the
  // thread.
  const QDeadlineTimer deadline(1000);
  do QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
  while (!(status_->windowHandle() && status_->windowHandle()->isExposed()) &&
         !deadline.hasExpired());
}

void setupQtUi::statusStep(const AnsiString& text) {
  if (status_) status_->step(fromCp1250(text));
}

void setupQtUi::statusHide() {
  if (status_) status_->hide();
}

void setupQtUi::showInstallEnd() {
  TfrmEnd form;
  run(form);
}

void setupQtUi::showUninstallEnd() {
  TfrmEndDeinst form;
  run(form);
}

void setupQtUi::message(const AnsiString& title, const AnsiString& text, Icon icon) {
  QMessageBox box(boxIcon(icon), fromCp1250(title), fromCp1250(text), QMessageBox::Ok);
  box.setWindowIcon(TfrmPictureForm::programIcon());
  run(box);
}

}  // namespace swde
