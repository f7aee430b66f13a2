// The report's printout laid out without a device: each line split into
// pieces that fit the usable width, pieces placed line under line, a page
// number label at the foot of every page. The printing control draws the
// operations in order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Export.h"

namespace olv {

class LineSource;

// Sizes in device units. Text starts at (margin, margin); the usable width
// is pageWidth - sideMargins; a page is full once the pen passes
// pageHeight - margin; the label stands at (pageWidth / 2, pageHeight -
// labelMargin).
struct PrintGeometry {
  double pageWidth = 0;
  double pageHeight = 0;
  double lineHeight = 0;
  double margin = 200;
  double sideMargins = 400;
  double labelMargin = 100;
};

struct PrintOp {
  enum Kind : int {
    kText,     // text at (x, y) on page
    kLabel,    // the page's label "Strona n" at (x, y) on page
    kNewPage,  // the page ends; page is the number of the next one
  };
  Kind kind = kText;
  int page = 1;
  double x = 0;
  double y = 0;
  std::string text;
};

// Line i of the report into text; false when there is none (the end).
using PrintLineFetch = std::function<bool(std::int64_t i, std::string& text)>;
// Width of a text in device units.
using PrintTextWidth = std::function<double(std::string_view text)>;
using PrintSink = std::function<void(const PrintOp& op)>;

// Lays out every line fetch gives, passing each operation to sink as it is
// made. A piece holds at least one character, so every line ends even when
// nothing fits. Returns the number of pages.
OLVPAGING_API int paginateReport(const PrintLineFetch& fetch, const PrintTextWidth& width,
                                 const PrintGeometry& geometry, const PrintSink& sink);

// The same over the lines of a source, gathered into a list.
OLVPAGING_API std::vector<PrintOp> paginateReport(LineSource& lines, const PrintTextWidth& width,
                                                  const PrintGeometry& geometry);

}  // namespace olv
