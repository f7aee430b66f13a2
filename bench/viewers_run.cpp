// Driver of bench/viewers: the paged text buffer's steps over a large file,
// a seek by number, and the report exports, each timed, with the peak memory
// of the process.
//
//   olvbench_viewers jump <file> <lines>    open, jump to the last line's
//                                           offset, its page, one line up,
//                                           one page up (in the window the
//                                           page left), then one line up and
//                                           one page up above that window
//   olvbench_viewers seek <file> <lines>    the last line by number, no anchor
//   olvbench_viewers report <rpt> <records> writes a report of that many
//                                           findings with the report store
//   olvbench_viewers export <rpt> <txt> <cdt>
//
// <lines>: the count of line feeds in the file (wc -l). Times in ms on
// standard output as "name ms lines-read" lines, then "rss KiB".
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "processing/bzFileList.h"
#include "processing/bzReport.h"
#include "viewers/LBufor.h"
#include "viewers/LRepBufor.h"
#include "viewers/ReportExport.h"

namespace {

constexpr int kPage = 40;

double msSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void printRss() {
  struct rusage ru {};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("rss %ld\n", ru.ru_maxrss);
}

// Offset of the last line and its number, from the file's tail.
bool lastLine(plat::InputFile& in, std::int64_t lineFeeds, std::uint64_t& offset, std::int64_t& n) {
  const std::uint64_t size = in.size();
  if (size == 0) return false;
  std::vector<char> tail(static_cast<std::size_t>(std::min<std::uint64_t>(size, 1 << 20)));
  const std::uint64_t start = size - tail.size();
  in.seek(start);
  if (in.read(tail.data(), tail.size()) != tail.size()) return false;
  const bool endsWithLf = tail.back() == '\n';
  std::size_t i = tail.size() - (endsWithLf ? 1 : 0);
  while (i > 0 && tail[i - 1] != '\n') --i;
  if (i == 0 && start > 0) return false;
  offset = start + i;
  n = endsWithLf ? lineFeeds - 1 : lineFeeds;
  in.seek(0);
  return true;
}

int jump(const char* path, std::int64_t lineFeeds) {
  plat::InputFile in(path);
  std::uint64_t offset = 0;
  std::int64_t n = 0;
  if (!lastLine(in, lineFeeds, offset, n)) return 2;
  olv::LBufor b;
  int err = 0;
  auto step = [&](const char* name, auto&& body) {
    const std::uint64_t before = b.linesRead();
    const auto t0 = std::chrono::steady_clock::now();
    const std::size_t got = body();
    std::printf("%s %.3f %llu %zu\n", name, msSince(t0),
                static_cast<unsigned long long>(b.linesRead() - before), got);
  };
  step("open", [&] {
    b.openText(in);
    return std::size_t{1};
  });
  step("jump", [&] { return b.getLinesAt(offset, kPage, err, olv::kForward, n).size(); });
  step("page", [&] { return b.getLines(n - kPage + 1, kPage, err, olv::kBackward).size(); });
  step("lineup", [&] {
    return static_cast<std::size_t>(b.getLine(n - kPage, err, olv::kBackward).size() > 0 ||
                                    err == 0);
  });
  step("pageup", [&] { return b.getLines(n - 2 * kPage, kPage, err, olv::kBackward).size(); });
  // The same two steps from above the window the steps before left.
  step("lineup2", [&] {
    return static_cast<std::size_t>(b.getLine(n - 5 * kPage, err, olv::kBackward).size() > 0 ||
                                    err == 0);
  });
  step("pageup2", [&] { return b.getLines(n - 10 * kPage, kPage, err, olv::kBackward).size(); });
  printRss();
  return 0;
}

int seek(const char* path, std::int64_t lineFeeds) {
  plat::InputFile in(path);
  std::uint64_t offset = 0;
  std::int64_t n = 0;
  if (!lastLine(in, lineFeeds, offset, n)) return 2;
  olv::LBufor b;
  b.openText(in);
  int err = 0;
  const std::uint64_t before = b.linesRead();
  const auto t0 = std::chrono::steady_clock::now();
  b.getLine(n, err, olv::kForward);
  std::printf("seek %.3f %llu %d\n", msSince(t0),
              static_cast<unsigned long long>(b.linesRead() - before), err);
  printRss();
  return err == 0 ? 0 : 2;
}

int report(const char* path, long records) {
  swde::bzFileList files;
  files.addFile("dane.swd", "/dane/dane.swd");
  swde::bzReport r(false);
  if (!r.Create(&files)) return 2;
  r.AddLine(-1, -1, -1, "Raport kontroli");
  std::string text;
  for (long i = 0; i < records; ++i) {
    text = swde::formatFindingLine(i + 1, static_cast<int>(i % 3), 100 + static_cast<int>(i % 57),
                                   46 + static_cast<int>(i % 6),
                                   "Niepoprawna wartosc pola w rekordzie " + std::to_string(i));
    r.AddLine(i + 1, 0, i * 80, text);
  }
  return r.SaveToFile(path) ? 0 : 2;
}

int exportBoth(const char* rpt, const char* txt, const char* cdt) {
  plat::InputFile in(rpt);
  olv::LRepBufor b;
  if (b.openReport(in) != 0) return 2;
  auto t0 = std::chrono::steady_clock::now();
  int rc = olv::saveAsTextFile(b, txt);
  std::printf("txt %.3f %d\n", msSince(t0), rc);
  t0 = std::chrono::steady_clock::now();
  const int rc2 = olv::saveAsCommaDelimited(b, cdt);
  std::printf("cdt %.3f %d\n", msSince(t0), rc2);
  printRss();
  return rc == 0 && rc2 == 0 ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  try {
    if (what == "jump" && argc == 4) return jump(argv[2], std::atoll(argv[3]));
    if (what == "seek" && argc == 4) return seek(argv[2], std::atoll(argv[3]));
    if (what == "report" && argc == 4) return report(argv[2], std::atol(argv[3]));
    if (what == "export" && argc == 5) return exportBoth(argv[2], argv[3], argv[4]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
  std::fprintf(stderr,
               "usage: olvbench_viewers jump|seek <file> <lines> | report <rpt> <records> | "
               "export <rpt> <txt> <cdt>\n");
  return 1;
}
