// A window grabbed offscreen into a PNG file of the build tree, checked to
// show something: several colours and some dark pixels of text.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QSet>
#include <QWidget>

namespace windowtest {

inline void saveScreenshot(QWidget& widget, const char* name) {
  QDir().mkpath(QStringLiteral(OLV_SCREENSHOTS));
  const QImage image = widget.grab().toImage();
  const QString path = QStringLiteral(OLV_SCREENSHOTS "/") + QLatin1String(name);
  EXPECT_TRUE(image.save(path)) << path.toStdString();
  QSet<QRgb> colours;
  int dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      if (qGray(c) < 128) ++dark;
      if (colours.size() < 1000) colours.insert(c);
    }
  EXPECT_GT(colours.size(), 2) << name;
  EXPECT_GT(dark, image.width()) << name << ": no text to see";
}

}  // namespace windowtest
