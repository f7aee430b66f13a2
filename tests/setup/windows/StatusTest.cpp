// The status window: its caption per mode, the bar over the steps (shown x
// 100 / total, at most 100), each step painted at once without an event
// loop, and no closing by the user.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <vector>

#include "SetupWindowSupport.h"
#include "setup/TfrmStatus.h"

namespace {

using Mode = swde::setupUi::Mode;
using setupwintest::u;
using swde::TfrmStatus;

TEST(SetupStatus, TheBarMovesByTheStepsShownBeforeEachText) {
  const struct {
    Mode mode;
    int total;
    int steps;
    std::vector<int> bar;  // after each step
    const char* caption;
  } cases[] = {
      {Mode::Uninstall, 5, 5, {0, 20, 40, 60, 80}, "Przebieg deinstalacji"},
      // Rounded down; the last of the total shows less than 100.
      {Mode::Install, 3, 3, {0, 33, 66}, "Przebieg instalacji"},
      // More steps than the total: the bar stops at its maximum.
      {Mode::Install, 2, 5, {0, 50, 100, 100, 100}, "Przebieg instalacji"},
      // No total to count against.
      {Mode::Install, 0, 2, {100, 100}, "Przebieg instalacji"},
  };
  TfrmStatus form;
  form.show();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption + std::to_string(c.total));
    // The same window, run after run: each begins afresh.
    form.begin(c.mode, c.total);
    EXPECT_EQ(form.windowTitle(), u(c.caption));
    EXPECT_EQ(form.bar()->value(), 0);
    EXPECT_EQ(form.bar()->minimum(), 0);
    EXPECT_EQ(form.bar()->maximum(), 100);
    EXPECT_TRUE(form.stepLabel()->text().isEmpty());
    std::vector<int> bar;
    for (int i = 0; i < c.steps; ++i) {
      const QString text = u("Kopiowanie pliku libolvenlibProxy.so ") + QString::number(i);
      form.step(text);
      EXPECT_EQ(form.stepLabel()->text(), text);
      bar.push_back(form.bar()->value());
    }
    EXPECT_EQ(bar, c.bar);
    EXPECT_EQ(form.shownSteps(), c.steps);
  }
}

// Counts the paints of a widget.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST(SetupStatus, EachStepIsPaintedAtOnceAndTheUserCannotCloseIt) {
  TfrmStatus form;
  form.begin(Mode::Install, 23);
  form.show();
  QCoreApplication::processEvents();
  PaintCounter label, bar;
  form.stepLabel()->installEventFilter(&label);
  form.bar()->installEventFilter(&bar);
  form.step(u("Modyfikacja rejestru"));
  // No event loop ran: the paint came with the step.
  EXPECT_GE(label.paints, 1);
  EXPECT_GE(bar.paints, 1);

  EXPECT_FALSE(form.close());
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowCloseButtonHint));
}

}  // namespace
