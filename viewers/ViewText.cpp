#include "viewers/ViewText.h"

#include <QAbstractSlider>
#include <QCursor>
#include <QFontDatabase>
#include <QGuiApplication>
#include <string>

#include "platform/CodePage.h"

namespace olv {

namespace {

std::string_view withoutTrailingCr(std::string_view bytes) {
  if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
  return bytes;
}

QString fromCp1250(std::string_view bytes) {
  const std::u16string text = plat::cp1250ToUtf16(bytes);
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

bool isAscii(std::string_view bytes) {
  for (const char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

QString dataLineText(std::string_view bytes) {
  return fromCp1250(withoutTrailingCr(bytes));
}

QString reportLineText(std::string_view bytes) {
  bytes = withoutTrailingCr(bytes);
  if (isAscii(bytes))
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  std::u32string points;
  if (plat::tryUtf8ToCodePoints(bytes, points))
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return fromCp1250(bytes);
}

QFont fixedPitchFont(int pointSize) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  if (pointSize > 0) font.setPointSize(pointSize);
  return font;
}

BusyCursor::BusyCursor() {
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyCursor::~BusyCursor() {
  QGuiApplication::restoreOverrideCursor();
}

bool pagerScroll(int action, bool thumbHeld, Pager::Scroll& scroll) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      scroll = Pager::Scroll::LineUp;
      return true;
    case QAbstractSlider::SliderSingleStepAdd:
      scroll = Pager::Scroll::LineDown;
      return true;
    case QAbstractSlider::SliderPageStepSub:
      scroll = Pager::Scroll::PageUp;
      return true;
    case QAbstractSlider::SliderPageStepAdd:
      scroll = Pager::Scroll::PageDown;
      return true;
    case QAbstractSlider::SliderToMinimum:
      scroll = Pager::Scroll::Top;
      return true;
    case QAbstractSlider::SliderToMaximum:
      scroll = Pager::Scroll::Bottom;
      return true;
    case QAbstractSlider::SliderMove:
      if (thumbHeld) return false;
      scroll = Pager::Scroll::Wheel;
      return true;
    default:
      return false;
  }
}

}  // namespace olv
