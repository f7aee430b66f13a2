// What both viewer controls need from Qt alike: the texts of file lines as
// the screen shows them, the fixed-pitch font of the views and the busy
// cursor.
#pragma once

#include <QFont>
#include <QString>
#include <string_view>

#include "viewers/Pager.h"

namespace olv {

// A line of a checked data file: cp1250 bytes. A carriage return before the
// line's end (a file with CR LF line ends) is not shown.
QString dataLineText(std::string_view bytes);

// A line of a report: its paths may hold the file system's UTF-8 names, the
// rest is cp1250. UTF-8 when the bytes are valid UTF-8 and not plain ASCII,
// else cp1250; a carriage return before the end is not shown.
QString reportLineText(std::string_view bytes);

// A fixed-pitch font at pointSize (the application's size for 0).
QFont fixedPitchFont(int pointSize = 0);

// The pager's step for an action of a vertical scroll bar (a
// QAbstractSlider::SliderAction); false for none. A move with the thumb held
// is a drag, shown when the thumb is released; without it a wheel or a touch
// pad moved the bar.
bool pagerScroll(int action, bool thumbHeld, Pager::Scroll& scroll);

// The hourglass while a page is read; the previous cursor comes back when
// the scope ends, also by an exception.
class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace olv
