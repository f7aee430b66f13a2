#include "viewers/Pager.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "viewers/LineSource.h"

namespace olv {

void Pager::setSource(LineSource* source) {
  source_ = source;
  rows_.clear();
  first_ = 0;
  lastScrollPos_ = 0;
}

void Pager::clearRows() {
  rows_.clear();
  first_ = 0;
  lastScrollPos_ = 0;
}

std::int64_t Pager::showLines(std::int64_t first) {
  if (!source_ || linesPerPage_ < 1) return 0;
  if (first < 0) first = 0;
  int err = 0;
  return showPage(first, source_->getLines(first, linesPerPage_, err, kForward));
}

std::int64_t Pager::showPage(std::int64_t first, std::vector<std::string> lines) {
  if (lines.empty() || linesPerPage_ < 1) return 0;
  if (static_cast<std::int64_t>(lines.size()) > linesPerPage_)
    lines.resize(static_cast<std::size_t>(linesPerPage_));
  rows_ = std::move(lines);
  first_ = first < 0 ? 0 : first;
  return static_cast<std::int64_t>(rows_.size());
}

std::int64_t Pager::moveDown(std::int64_t n) {
  if (!source_ || linesPerPage_ < 1 || rows_.empty()) return 0;
  std::int64_t moved = 0;
  for (std::int64_t i = 0; i < n; ++i) {
    int err = 0;
    std::string line = source_->getLine(lastShown() + 1, err, kForward);
    if (err != 0) break;
    rows_.push_back(std::move(line));
    // A page that was not full (the end of a file seen before it grew into
    // view) fills up first; a full one scrolls.
    if (static_cast<std::int64_t>(rows_.size()) > linesPerPage_) {
      rows_.erase(rows_.begin());
      ++first_;
      ++moved;
    }
  }
  return moved;
}

std::int64_t Pager::moveUp(std::int64_t n) {
  if (!source_ || linesPerPage_ < 1 || rows_.empty()) return 0;
  std::int64_t moved = 0;
  for (std::int64_t i = 0; i < n && first_ > 0; ++i) {
    int err = 0;
    std::string line = source_->getLine(first_ - 1, err, kBackward);
    if (err != 0) break;
    // Only a full page loses its last line; a short one (the end of the
    // file) keeps all it shows.
    if (static_cast<std::int64_t>(rows_.size()) >= linesPerPage_) rows_.pop_back();
    rows_.insert(rows_.begin(), std::move(line));
    --first_;
    ++moved;
  }
  return moved;
}

std::int64_t Pager::movePgUp() {
  if (!source_ || linesPerPage_ < 1 || first_ <= 0) return 0;
  // From near the top the page starts at line 0 and is still filled.
  const std::int64_t start = first_ <= linesPerPage_ ? 0 : first_ - linesPerPage_;
  int err = 0;
  std::vector<std::string> lines = source_->getLines(start, linesPerPage_, err, kBackward);
  if (lines.empty()) return 0;
  const std::int64_t old = first_;
  showPage(start, std::move(lines));
  return old - first_;
}

std::int64_t Pager::movePgDown() {
  if (!source_ || linesPerPage_ < 1 || rows_.empty()) return 0;
  const std::int64_t old = first_;
  if (showLines(first_ + linesPerPage_) == 0) return 0;
  return first_ - old;
}

void Pager::scroll(Scroll action, int barPosition) {
  switch (action) {
    case Scroll::LineUp:
      moveUp(1);
      break;
    case Scroll::LineDown:
      moveDown(1);
      break;
    case Scroll::PageUp:
      movePgUp();
      break;
    case Scroll::PageDown:
      movePgDown();
      break;
    case Scroll::Position:
      if (barPosition != barValue()) showLines(lineOfBar(barPosition));
      break;
    case Scroll::Wheel: {
      const std::int64_t lines = (static_cast<std::int64_t>(barPosition) - barValue()) * barScale();
      if (lines > 0) moveDown(lines);
      if (lines < 0) moveUp(-lines);
      break;
    }
    case Scroll::Track:
    case Scroll::Top:
    case Scroll::Bottom:
      // Dragging shows nothing until the thumb is released; the ends of the
      // bar put it back where it was (the end of the file is not known).
      return;
  }
  // The bar follows the page, never the other way round: the toolkit clamps
  // its value, so the page's own first line is the truth.
  lastScrollPos_ = first_;
}

std::int64_t Pager::maxLine() const {
  const std::uint64_t known = source_ ? source_->getKnownLines() : 0;
  if (known == 0) return 0;
  return static_cast<std::int64_t>(std::min<std::uint64_t>(known - 1, INT64_MAX));
}

std::int64_t Pager::barScale() const {
  const std::int64_t max = maxLine();
  if (max <= INT_MAX) return 1;
  return max / INT_MAX + (max % INT_MAX != 0 ? 1 : 0);
}

int Pager::barMaximum() const {
  return static_cast<int>(maxLine() / barScale());
}

int Pager::barValue() const {
  return barOfLine(lastScrollPos_);
}

int Pager::barOfLine(std::int64_t line) const {
  line = std::clamp<std::int64_t>(line, 0, maxLine());
  return static_cast<int>(line / barScale());
}

std::int64_t Pager::lineOfBar(int position) const {
  if (position < 0) return 0;
  return std::min(static_cast<std::int64_t>(position) * barScale(), maxLine());
}

}  // namespace olv
