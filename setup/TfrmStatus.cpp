#include "setup/TfrmStatus.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>

#include "setup/TfrmPictureForm.h"

namespace swde {

TfrmStatus::TfrmStatus(QWidget* parent) : QWidget(parent) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowIcon(TfrmPictureForm::programIcon());

  step_ = new QLabel(this);
  step_->setObjectName(QStringLiteral("step"));
  // A long file name breaks instead of widening the window.
  step_->setWordWrap(true);
  step_->setMinimumHeight(step_->fontMetrics().lineSpacing() * 2);
  step_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 100);
  bar_->setValue(0);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 16);
  layout->setSpacing(12);
  layout->addWidget(step_);
  layout->addWidget(bar_);
  setFixedWidth(440);
  begin(setupUi::Mode::Install, 0);
}

void TfrmStatus::begin(setupUi::Mode mode, int total) {
  setWindowTitle(mode == setupUi::Mode::Install ? QStringLiteral("Przebieg instalacji")
                                                : QStringLiteral("Przebieg deinstalacji"));
  total_ = total;
  shown_ = 0;
  step_->clear();
  bar_->setValue(0);
}

void TfrmStatus::step(const QString& text) {
  // With no total there is nothing to count against: the bar stays full.
  const std::int64_t value =
      total_ > 0 ? std::min<std::int64_t>(100, std::int64_t{shown_} * 100 / total_) : 100;
  step_->setText(text);
  bar_->setValue(static_cast<int>(value));
  ++shown_;
  // The work holds the thread: the window is painted now, not by the loop.
  if (isVisible()) repaint();
}

void TfrmStatus::closeEvent(QCloseEvent* event) {
  event->ignore();
}

}  // namespace swde
