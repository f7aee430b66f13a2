// The notice of a long read: it appears only once a read has gone on for
// 300 ms (time moved by hand, never waited for), with its fixed size, caption
// and text, and goes with the end of the read.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <string>

#include "support/Files.h"
#include "viewers/LoadNoticeDialog.h"
#include "viewers/PageViewer.h"

using olv::LoadNoticeDialog;
using olv::PageViewer;

namespace {

TEST(LoadNotice, ShownOnlyOnceAReadHasRun300Ms) {
  QWidget owner;
  owner.resize(800, 600);
  std::int64_t now = 5000;
  LoadNoticeDialog notice(&owner, [&now] { return now; });

  notice.progress();  // no read running
  EXPECT_EQ(notice.window(), nullptr);

  notice.begin();
  for (const std::int64_t t : {5000, 5100, 5299}) {
    now = t;
    notice.progress();
    EXPECT_EQ(notice.window(), nullptr) << t;
  }
  now = 5300;
  notice.progress();
  QDialog* shown = notice.window();
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(shown->isVisible());
  EXPECT_FALSE(shown->isModal());
  EXPECT_EQ(shown->size(), QSize(279, 56));
  EXPECT_EQ(shown->windowTitle(), QStringLiteral("OLVEN"));
  const QLabel* label = shown->findChild<QLabel*>();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), QStringLiteral("Trwa doczytywanie linii z pliku..."));
  const Qt::WindowFlags flags = shown->windowFlags();
  EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinMaxButtonsHint);
  EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);

  now = 9000;
  notice.progress();
  EXPECT_EQ(notice.window(), shown) << "one notice per read";
  notice.end();
  EXPECT_EQ(notice.window(), nullptr);

  // A short read after it shows nothing.
  notice.begin();
  now = 9100;
  notice.progress();
  notice.end();
  EXPECT_EQ(notice.window(), nullptr);
}

// Counts the notices shown anywhere in the application.
struct ShowWatch : QObject {
  ShowWatch() { qApp->installEventFilter(this); }
  ~ShowWatch() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show && o->isWidgetType() &&
        static_cast<QWidget*>(o)->windowTitle() == QStringLiteral("OLVEN"))
      ++shown;
    return false;
  }
  int shown = 0;
};

// A jump far into a file reads many lines: the viewer's notice appears
// during that read once the clock says 300 ms have gone, and is gone after
// it; a clock that stands still never shows it.
TEST(LoadNotice, ViewerShowsItDuringALongReadOnly) {
  testsupport::TempFolder dir("olvnotice");
  const std::string path = dir / "duzy.swd";
  std::string bytes;
  for (int i = 0; i < 40000; ++i) bytes += std::to_string(i) + "\n";
  testsupport::writeFile(path, bytes);

  auto noticeShown = [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->windowTitle() == QStringLiteral("OLVEN")) return true;
    return false;
  };
  struct Case {
    const char* name;
    std::int64_t step;  // ms the clock moves at each look
    bool shown;
  };
  for (const Case c : {Case{"the clock moves on", 200, true}, Case{"it stands still", 0, false}}) {
    SCOPED_TRACE(c.name);
    std::int64_t now = 0;
    ShowWatch watch;
    PageViewer viewer(nullptr, [&] { return now += c.step; });
    viewer.resize(300, 200);
    viewer.show();
    viewer.loadFile(path);
    viewer.select(39000);
    EXPECT_EQ(viewer.firstShown(), 39000);
    EXPECT_EQ(watch.shown > 0, c.shown);
    EXPECT_FALSE(noticeShown());
  }
}

}  // namespace
