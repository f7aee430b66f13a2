#include "setup/TfrmMain.h"

#include <QLabel>
#include <QMetaObject>
#include <QVBoxLayout>

#include "setup/TfrmPictureForm.h"

namespace swde {

TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("OLVEN"));
  setWindowIcon(TfrmPictureForm::programIcon());
  title_ = new QLabel(QStringLiteral("Instalator oprogramowania"), this);
  product_ = new QLabel(QStringLiteral("OLVEN"), this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title_);
  layout->addWidget(product_);
}

void TfrmMain::start(std::function<int()> work) {
  work_ = std::move(work);
  done_ = false;
  QMetaObject::invokeMethod(this, &TfrmMain::runWork, Qt::QueuedConnection);
}

void TfrmMain::runWork() {
  if (!work_) return;
  // Taken out first: the work runs once even if the loop is entered again
  // from its dialogs.
  const std::function<int()> work = std::move(work_);
  work_ = nullptr;
  status_ = work();
  done_ = true;
  emit workDone(status_);
}

}  // namespace swde
