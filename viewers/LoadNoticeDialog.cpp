#include "viewers/LoadNoticeDialog.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <chrono>

namespace olv {

namespace {

std::int64_t steadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void paint() {
  // The read holds the event loop: let the notice paint, but take no input
  // that could re-enter the viewer in the middle of its read.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

LoadNoticeDialog::LoadNoticeDialog(QWidget* owner, Clock clock)
    : owner_(owner), clock_(clock ? std::move(clock) : Clock(steadyMs)) {}

LoadNoticeDialog::~LoadNoticeDialog() {
  delete dialog_;
}

void LoadNoticeDialog::begin() {
  start_ = clock_();
  running_ = true;
}

void LoadNoticeDialog::progress() {
  if (!running_) return;
  if (!dialog_ && clock_() - start_ >= kShowAfterMs) show();
  if (dialog_) paint();
}

void LoadNoticeDialog::end() {
  running_ = false;
  delete dialog_;
  dialog_ = nullptr;
}

QDialog* LoadNoticeDialog::window() const {
  return dialog_;
}

void LoadNoticeDialog::show() {
  QWidget* parent = owner_ ? owner_->window() : nullptr;
  // A title and nothing else: no close, minimise or maximise button.
  dialog_ = new QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  dialog_->setModal(false);
  dialog_->setWindowTitle(QStringLiteral("OLVEN"));
  dialog_->setFixedSize(279, 56);
  auto* layout = new QVBoxLayout(dialog_);
  auto* label = new QLabel(QStringLiteral("Trwa doczytywanie linii z pliku..."), dialog_);
  label->setAlignment(Qt::AlignCenter);
  layout->addWidget(label);
  if (parent) {
    const QRect frame = parent->frameGeometry();
    dialog_->move(frame.center() - QPoint(279 / 2, 56 / 2));
  }
  dialog_->show();
  paint();
}

}  // namespace olv
