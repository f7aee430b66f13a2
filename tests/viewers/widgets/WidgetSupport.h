// What the tests of the viewer controls share: reports written by the
// processing layer, a syntax check run in process, and a look at pixels.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QSet>
#include <cstdint>
#include <string>
#include <vector>

#include "processing/bzFileList.h"
#include "processing/bzReport.h"
#include "processing/bzSyntaxProcess.h"
#include "support/RunObjects.h"

namespace widgettest {

struct Record {
  std::int64_t line;
  std::int32_t file;
  std::int64_t pos;
  std::string text;  // cp1250
};

// A report over the checked files paths, saved at target by bzReport.
inline void writeReport(const std::string& target, const std::vector<std::string>& paths,
                        const std::vector<Record>& records) {
  swde::bzFileList files;
  for (const std::string& p : paths) {
    const auto slash = p.rfind('/');
    files.addFile(p.substr(slash + 1), p);
  }
  swde::bzReport report(false);
  ASSERT_TRUE(report.Create(&files));
  for (const Record& r : records) report.AddLine(r.line, r.file, r.pos, r.text);
  plat::AnsiString error;
  ASSERT_TRUE(report.SaveToFile(target, &error)) << error;
}

// The report of a syntax check of inputs, saved at target.
inline void runSyntaxCheck(const std::vector<std::string>& inputs, const std::string& target) {
  testsupport::RunObjects r;
  for (const std::string& p : inputs) r.files.addFile(p.substr(p.rfind('/') + 1), p);
  ASSERT_TRUE(r.report.Create(&r.files));
  {
    swde::bzRun<swde::bzSyntaxProcess> p(&r.files, &r.report, &r.settings, &r.state);
    p.start();
    p.waitFor();
  }
  plat::AnsiString error;
  ASSERT_TRUE(r.report.SaveToFile(target, &error)) << error;
}

// How many pixels of image are darker than mid grey, and how many colours
// it holds: a blank or one-colour grab has few of either.
struct Ink {
  int dark = 0;
  int colours = 0;
};
inline Ink inkOf(const QImage& image) {
  Ink ink;
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      if (qGray(c) < 128) ++ink.dark;
      if (colours.size() < 1000) colours.insert(c);
    }
  ink.colours = static_cast<int>(colours.size());
  return ink;
}

}  // namespace widgettest
