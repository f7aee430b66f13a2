// What a user sees at the first help request: the help window at the
// overview, grabbed offscreen into the build tree.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QSet>
#include <QTextBrowser>

#include "app/help/HelpSystem.h"
#include "app/help/HelpWindow.h"

namespace {

using swde::HelpSystem;

TEST(HelpScreenshot, HelpWindowAtTheOverview) {
  HelpSystem& help = HelpSystem::instance();
  const QString saved = help.folder();
  help.closeAll();
  help.setFolder(QStringLiteral(OLV_HELP_SOURCE));
  ASSERT_TRUE(help.showContext(HelpSystem::kOverview));
  swde::HelpWindow* window = help.window();
  ASSERT_NE(window, nullptr);

  const QImage image = window->grab().toImage();
  QDir().mkpath(QStringLiteral(OLV_SCREENSHOTS));
  const QString path = QStringLiteral(OLV_SCREENSHOTS "/help_1000.png");
  EXPECT_TRUE(image.save(path)) << path.toStdString();

  // Not blank: several colours, and dark text across the page.
  QSet<QRgb> colours;
  qint64 dark = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      colours.insert(p);
      if (qGray(p) < 100) ++dark;
    }
  }
  EXPECT_GT(colours.size(), 2);
  EXPECT_GT(dark, image.width()) << "no text to see";
  EXPECT_TRUE(window->browser()->toPlainText().contains(QStringLiteral("Spis treści")));

  help.closeAll();
  help.setFolder(saved);
}

}  // namespace
