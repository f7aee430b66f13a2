// The printout's layout with a fixed-width measure: how lines are split into
// pieces, where pages break, and the label on every page.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "viewers/LRepBufor.h"
#include "viewers/PrintPagination.h"
#include "viewers/ViewerFiles.h"

using olv::paginateReport;
using olv::PrintGeometry;
using olv::PrintOp;

namespace {

// Every character 10 units wide.
double fixedWidth(std::string_view text) {
  return 10.0 * static_cast<double>(text.size());
}

std::vector<PrintOp> layout(const std::vector<std::string>& lines, const PrintGeometry& g,
                            const olv::PrintTextWidth& width = fixedWidth) {
  std::vector<PrintOp> ops;
  paginateReport(
      [&](std::int64_t i, std::string& text) {
        if (i >= static_cast<std::int64_t>(lines.size())) return false;
        text = lines[static_cast<std::size_t>(i)];
        return true;
      },
      width, g, [&](const PrintOp& op) { ops.push_back(op); });
  return ops;
}

std::vector<std::string> texts(const std::vector<PrintOp>& ops) {
  std::vector<std::string> out;
  for (const PrintOp& op : ops)
    if (op.kind == PrintOp::kText) out.push_back(op.text);
  return out;
}

PrintGeometry page(double width, double height) {
  PrintGeometry g;
  g.pageWidth = width;
  g.pageHeight = height;
  g.lineHeight = 50;
  return g;
}

TEST(PrintPagination, SplitsLinesWiderThanThePage) {
  // Usable width 1000: 100 characters.
  const PrintGeometry g = page(1400, 100000);
  struct Row {
    const char* name;
    std::size_t length;
    std::vector<std::size_t> pieces;
  };
  const std::vector<Row> rows = {
      {"fits", 100, {100}},
      {"empty", 0, {0}},
      {"one over", 101, {100, 1}},
      {"twice the width", 200, {100, 100}},
      {"two and a half", 250, {100, 100, 50}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string line;
    for (std::size_t i = 0; i < r.length; ++i) line += static_cast<char>('a' + i % 26);
    const std::vector<std::string> got = texts(layout({line}, g));
    ASSERT_EQ(got.size(), r.pieces.size());
    std::string joined;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].size(), r.pieces[i]);
      joined += got[i];
    }
    EXPECT_EQ(joined, line);
  }
}

// No usable width, or a measure that says so: every piece still holds a
// character, so the printout ends.
TEST(PrintPagination, EndsWhenNothingFits) {
  for (const double width : {400.0, 300.0}) {
    SCOPED_TRACE(width);
    const std::vector<std::string> got = texts(layout({"abc", ""}, page(width, 100000)));
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "c", ""}));
  }
  // A measure that finds no width per character: one character a piece until
  // the rest fits.
  const std::vector<std::string> got = texts(layout(
      {"abcd"}, page(1400, 100000), [](std::string_view t) { return t.size() > 2 ? 1e9 : 0.0; }));
  EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "cd"}));
}

TEST(PrintPagination, LabelsEveryPage) {
  // Pen from 200; a page is full past 1800 - 200: lines at 200 .. 1600, so
  // 29 pieces a page.
  const PrintGeometry g = page(1400, 1800);
  for (const int count : {0, 1, 29, 30, 100}) {
    SCOPED_TRACE(count);
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back("l" + std::to_string(i));
    const std::vector<PrintOp> ops = layout(lines, g);
    std::map<int, int> labels;
    std::map<int, int> onPage;
    int page = 1;
    int newPages = 0;
    for (const PrintOp& op : ops) {
      switch (op.kind) {
        case PrintOp::kLabel:
          EXPECT_EQ(op.page, page);
          EXPECT_EQ(op.text, "Strona " + std::to_string(page));
          EXPECT_EQ(op.x, 700);
          EXPECT_EQ(op.y, 1700);
          ++labels[op.page];
          break;
        case PrintOp::kNewPage:
          EXPECT_EQ(labels[page], 1) << "page " << page << " ends without its label";
          ++newPages;
          page = op.page;
          break;
        case PrintOp::kText:
          EXPECT_EQ(op.page, page);
          EXPECT_EQ(op.x, 200);
          EXPECT_GE(op.y, 200);
          EXPECT_LE(op.y, 1600);
          ++onPage[op.page];
          break;
      }
    }
    const int pages = count == 0 ? 1 : (count + 28) / 29;
    EXPECT_EQ(page, pages);
    EXPECT_EQ(newPages, pages - 1);
    EXPECT_EQ(static_cast<int>(labels.size()), pages);
    for (const auto& [p, n] : labels) EXPECT_EQ(n, 1) << "page " << p;
    if (count > 0) {
      for (int p = 1; p <= pages; ++p) EXPECT_GT(onPage[p], 0) << "page " << p << " empty";
    }
    EXPECT_EQ(ops.back().kind, PrintOp::kLabel);
  }
}

// Over a buffer: every line of the report, in order.
TEST(PrintPagination, OverTheReportBuffer) {
  testsupport::TempFolder folder;
  const std::string path = folder / "r.rpt";
  viewertest::writeReport(path, {folder / "a.swd"}, viewertest::numberedRecords(300));
  plat::InputFile in(path);
  olv::LRepBufor b(10, 100);
  ASSERT_EQ(b.openReport(in), 0);
  const std::vector<std::string> got = texts(paginateReport(b, fixedWidth, page(1400, 1800)));
  ASSERT_EQ(got.size(), 300u);
  for (int i = 0; i < 300; ++i) EXPECT_EQ(got[i], "rekord " + std::to_string(i));
}

}  // namespace
