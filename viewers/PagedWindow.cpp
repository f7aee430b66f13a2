#include "viewers/PagedWindow.h"

#include <algorithm>
#include <utility>

#include "viewers/LineSource.h"
#include "viewers/LoadNotice.h"

namespace olv {

namespace {

// Units read between two progress calls of the notice.
constexpr std::uint64_t kProgressEvery = 4096;

}  // namespace

PagedWindow::PagedWindow(int blockSize, int checkpointStep)
    : blockSize_(std::max(blockSize, 0)), step_(std::max(checkpointStep, 1)) {}

void PagedWindow::open(UnitSource& source, std::uint64_t firstOffset) {
  source_ = &source;
  count_ = 0;
  first_ = 0;
  windowEnd_ = firstOffset;
  windowFromStart_ = true;
  checkpoints_.clear();
  checkpoints_[0] = firstOffset;
  anchors_.clear();
  maxIndexed_ = 0;
  cursor_ = Known{0, firstOffset, true};
  known_ = 0;
  load(0, blockSize_);
}

void PagedWindow::close() {
  source_ = nullptr;
  count_ = 0;
  first_ = 0;
  checkpoints_.clear();
  anchors_.clear();
  maxIndexed_ = 0;
  cursor_ = Known{};
  known_ = 0;
}

const PagedWindow::Line* PagedWindow::windowLine(std::int64_t n) const {
  if (n < first_ || n - first_ >= count_) return nullptr;
  return &lines_[static_cast<std::size_t>(n - first_)];
}

void PagedWindow::checkpoint(std::int64_t n, std::uint64_t offset) {
  if (n % step_ == 0 && n > maxIndexed_) {
    checkpoints_[n] = offset;
    maxIndexed_ = n;
  }
}

bool PagedWindow::seek(std::int64_t n, UnitSource& reader, Known& at, bool notify) {
  // The nearest known start at or below n; on a tie the later candidate wins
  // (an anchor over a checkpoint: a jump's offset is trusted).
  auto cp = std::prev(checkpoints_.upper_bound(n));
  Known best{cp->first, cp->second, true};
  auto above = anchors_.upper_bound(n);
  if (above != anchors_.begin()) {
    auto a = std::prev(above);
    if (a->first >= best.n) best = Known{a->first, a->second, false};
  }
  if (cursor_.n <= n && cursor_.n >= best.n) best = cursor_;
  if (count_ > 0 && first_ <= n) {
    const std::int64_t k = std::min(n, first_ + count_);
    if (k >= best.n) {
      const std::uint64_t offset = k < first_ + count_ ? windowLine(k)->start : windowEnd_;
      best = Known{k, offset, windowFromStart_};
    }
  }
  // An anchor above that is nearer: search its starts backwards.
  if (above != anchors_.end() && above->first - n < n - best.n) {
    std::uint64_t found = 0;
    if (reader.startBefore(above->second, above->first - n, found)) {
      anchors_[n] = found;
      at = Known{n, found, false};
      return true;
    }
  }
  // Forward, in runs that stop at each number a checkpoint may take and
  // after a few thousand lines for the notice.
  std::uint64_t offset = best.offset;
  for (std::int64_t k = best.n; k < n;) {
    std::int64_t run = std::min<std::int64_t>(n - k, kProgressEvery);
    if (best.fromStart) run = std::min(run, (k / step_ + 1) * step_ - k);
    std::uint64_t next = offset;
    const std::int64_t got = reader.skipUnits(offset, run, next);
    linesRead_ += static_cast<std::uint64_t>(got);
    k += got;
    offset = next;
    if (best.fromStart) checkpoint(k, offset);
    if (got < run) {
      at = Known{k, offset, best.fromStart};
      if (&reader == source_) cursor_ = at;
      return false;
    }
    sinceNotice_ += static_cast<std::uint64_t>(got);
    if (notify && notice_ && sinceNotice_ >= kProgressEvery) {
      sinceNotice_ = 0;
      notice_->progress();
    }
  }
  at = Known{n, offset, best.fromStart};
  if (&reader == source_) cursor_ = at;
  return true;
}

std::int64_t PagedWindow::readWindow(const Known& from, std::int64_t count, bool notify) {
  if (spare_.size() < static_cast<std::size_t>(count))
    spare_.resize(static_cast<std::size_t>(count));
  std::uint64_t offset = from.offset;
  std::int64_t k = 0;
  for (; k < count; ++k) {
    Line& line = spare_[static_cast<std::size_t>(k)];
    std::uint64_t next = 0;
    if (!source_->readUnit(offset, &line.text, next)) break;
    line.start = offset;
    ++linesRead_;
    if (from.fromStart) checkpoint(from.n + k + 1, next);
    offset = next;
    if (notify && notice_ && ++sinceNotice_ >= kProgressEvery) {
      sinceNotice_ = 0;
      notice_->progress();
    }
  }
  if (k > 0) {
    cursor_ = Known{from.n + k, offset, from.fromStart};
    std::swap(lines_, spare_);
    first_ = from.n;
    count_ = k;
    windowEnd_ = offset;
    windowFromStart_ = from.fromStart;
    known_ = std::max<std::uint64_t>(known_, static_cast<std::uint64_t>(from.n + k));
  }
  return k;
}

void PagedWindow::load(std::int64_t first, std::int64_t count) {
  struct Notice {
    LoadNotice* notice;
    explicit Notice(LoadNotice* n) : notice(n) {
      if (notice) notice->begin();
    }
    ~Notice() {
      if (notice) notice->end();
    }
  } notice(notice_);
  sinceNotice_ = 0;
  Known at;
  if (seek(first, *source_, at, true)) readWindow(at, count + 1, true);
}

std::string PagedWindow::getLine(std::int64_t n, int& err, int dir) {
  if (!source_) {
    err = -1;
    return {};
  }
  err = 1;
  if (n < 0) return {};
  if (!windowLine(n)) {
    if (dir == kBackward)
      load(std::max<std::int64_t>(0, n - blockSize_ / 2), blockSize_);
    else
      load(n, blockSize_ / 2);
  }
  const Line* line = windowLine(n);
  if (!line) return {};
  err = 0;
  return line->text;
}

std::vector<std::string> PagedWindow::getLines(std::int64_t first, std::int64_t count, int& err,
                                               int dir) {
  std::vector<std::string> out;
  err = source_ ? 0 : -1;
  for (std::int64_t i = 0; i < count; ++i) {
    std::string text = getLine(first + i, err, dir);
    if (err != 0) break;
    out.push_back(std::move(text));
  }
  return out;
}

std::vector<std::string> PagedWindow::getLinesAt(std::uint64_t offset, std::int64_t count, int& err,
                                                 std::int64_t n) {
  std::vector<std::string> out;
  err = source_ && n >= 0 ? 0 : -1;
  if (err != 0) return out;
  for (std::int64_t i = 0; i < count; ++i) {
    // A window line serves only when it starts at the asked offset: the
    // window's numbering may differ from the caller's.
    const Line* line = windowLine(n);
    if (!line || line->start != offset) {
      if (readWindow(Known{n, offset, false}, blockSize_ + 1, false) > 0) anchors_[n] = offset;
      line = windowLine(n);
      if (line && line->start != offset) line = nullptr;
    }
    if (!line) {
      err = -1;
      break;
    }
    out.push_back(line->text);
    const Line* after = windowLine(n + 1);
    offset = after ? after->start : windowEnd_;
    ++n;
  }
  return out;
}

bool PagedWindow::offsetOf(std::int64_t n, UnitSource& reader, std::uint64_t& offset) {
  if (!source_ || n < 0) return false;
  Known at;
  if (!seek(n, reader, at, false)) return false;
  offset = at.offset;
  return true;
}

}  // namespace olv
