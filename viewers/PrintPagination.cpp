#include "viewers/PrintPagination.h"

#include <algorithm>
#include <cmath>

#include "platform/CodePage.h"
#include "viewers/LineSource.h"

namespace olv {

int paginateReport(const PrintLineFetch& fetch, const PrintTextWidth& width, const PrintGeometry& g,
                   const PrintSink& sink) {
  const double usable = g.pageWidth - g.sideMargins;
  const double bottom = g.pageHeight - g.margin;
  int page = 1;
  double y = g.margin;
  PrintOp op;
  auto label = [&] {
    op.kind = PrintOp::kLabel;
    op.page = page;
    op.x = g.pageWidth / 2;
    op.y = g.pageHeight - g.labelMargin;
    op.text = plat::cp("Strona ") + std::to_string(page);
    sink(op);
  };
  // A new page only when there is a piece to put on it, so the last page is
  // never empty.
  auto piece = [&](std::string_view text) {
    if (y > bottom) {
      label();
      ++page;
      op.kind = PrintOp::kNewPage;
      op.page = page;
      op.x = op.y = 0;
      op.text.clear();
      sink(op);
      y = g.margin;
    }
    op.kind = PrintOp::kText;
    op.page = page;
    op.x = g.margin;
    op.y = y;
    op.text.assign(text);
    sink(op);
    y += g.lineHeight;
  };
  std::string line;
  for (std::int64_t i = 0; fetch(i, line); ++i) {
    std::string_view rest(line);
    for (;;) {
      const double w = width(rest);
      if (!(w > usable) || rest.size() <= 1) break;
      const double perChar = w / static_cast<double>(rest.size());
      const double fit = perChar > 0 ? std::floor(usable / perChar) : 1;
      const std::size_t n =
          fit >= static_cast<double>(rest.size())
              ? rest.size() - 1
              : std::max<std::size_t>(1, fit > 0 ? static_cast<std::size_t>(fit) : 1);
      piece(rest.substr(0, n));
      rest.remove_prefix(n);
    }
    piece(rest);
  }
  label();
  return page;
}

std::vector<PrintOp> paginateReport(LineSource& lines, const PrintTextWidth& width,
                                    const PrintGeometry& geometry) {
  std::vector<PrintOp> ops;
  paginateReport(
      [&](std::int64_t i, std::string& text) {
        int err = 0;
        text = lines.getLine(i, err, kForward);
        return err == 0;
      },
      width, geometry, [&](const PrintOp& op) { ops.push_back(op); });
  return ops;
}

}  // namespace olv
