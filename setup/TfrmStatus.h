// The status window of the install and of the uninstall: the step going on
// and a bar 0..100 of the steps done. It is not modal and runs no event loop
// of its own: each step paints the window at once, while the work goes on in
// the same thread.
#pragma once

#include <QWidget>

#include "setup/setupUi.h"

class QLabel;
class QProgressBar;

namespace swde {

class TfrmStatus : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmStatus(QWidget* parent = nullptr);

  // A new run: the caption of the mode, no step shown yet, the bar at 0.
  void begin(setupUi::Mode mode, int total);
  // Shows text and moves the bar to (steps shown before it) x 100 / total,
  // at most 100; then counts the step.
  void step(const QString& text);

  int shownSteps() const { return shown_; }
  QLabel* stepLabel() const { return step_; }
  QProgressBar* bar() const { return bar_; }

 protected:
  // The user cannot close it: the work hides it when it ends.
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* step_;
  QProgressBar* bar_;
  int total_ = 0;
  int shown_ = 0;
};

}  // namespace swde
