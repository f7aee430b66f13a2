// The page logic both viewer controls share: which lines of a LineSource a
// page shows, how the page moves, and what the control's vertical scroll bar
// stands for. The controls draw the rows; the pager never touches a widget.
//
// Line numbers are 64-bit. The scroll bar of a toolkit counts in int, so the
// pager maps line numbers to bar positions through a scale that stays 1 until
// the known lines pass 2^31 - 1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Export.h"

namespace olv {

class LineSource;

class OLVPAGING_API Pager {
 public:
  // What the user did with the scroll bar.
  enum class Scroll : int {
    LineUp,    // arrow up: one line up
    LineDown,  // arrow down: one line down
    PageUp,    // click above the thumb
    PageDown,  // click below the thumb
    Position,  // the thumb released at a position: show the page from there
    Track,     // the thumb dragged: nothing until it is released
    Top,       // to the first position: the bar goes back to where it was
    Bottom,    // to the last position: likewise (the end is not known)
    Wheel,     // the bar moved by a wheel or a touch pad: line moves by the distance
  };

  Pager() = default;
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  // The lines to page through; null when nothing is open. Starts afresh:
  // no rows, first shown 0, last scroll position 0.
  void setSource(LineSource* source);
  LineSource* source() const { return source_; }

  // Lines a page holds; below 1, nothing is shown.
  void setLinesPerPage(std::int64_t lines) { linesPerPage_ = lines < 0 ? 0 : lines; }
  std::int64_t linesPerPage() const { return linesPerPage_; }

  // The texts of the page, top first, as the source gave them: at most a
  // page of lines (fewer at the end of the file).
  const std::vector<std::string>& rows() const { return rows_; }
  std::int64_t firstShown() const { return first_; }
  // first shown + rows - 1 (first shown - 1 with no rows).
  std::int64_t lastShown() const { return first_ + static_cast<std::int64_t>(rows_.size()) - 1; }

  // Shows the page from line first. Returns the lines shown; 0 (and the
  // page as it was) when the page holds no line or nothing is there.
  std::int64_t showLines(std::int64_t first);

  // Shows lines got elsewhere (a page read from a byte offset) as the page
  // from line first; at most a page of them is kept. Returns the lines
  // shown; 0 (and the page as it was) for none.
  std::int64_t showPage(std::int64_t first, std::vector<std::string> lines);

  // Moves of the page. Each returns how many lines the first shown line
  // moved (0 at the start or the end of the file).
  std::int64_t moveUp(std::int64_t n);
  std::int64_t moveDown(std::int64_t n);
  std::int64_t movePgUp();
  std::int64_t movePgDown();

  // Empties the page (the source stays).
  void clearRows();

  // One action of the scroll bar. barPosition: where the toolkit put the
  // thumb (used by Position and Wheel). Afterwards the bar shows
  // barValue() within 0 .. barMaximum().
  void scroll(Scroll action, int barPosition);

  // After a move made elsewhere (keys): the bar follows the first shown line.
  void syncScrollPosition() { lastScrollPos_ = first_; }
  // Puts the bar at line (a page selected by line number or offset).
  void setScrollPosition(std::int64_t line) { lastScrollPos_ = line < 0 ? 0 : line; }
  std::int64_t lastScrollPosition() const { return lastScrollPos_; }

  // The bar's range: max(0, known - 1) lines, scaled; and the thumb at the
  // last scroll position, scaled.
  int barMaximum() const;
  int barValue() const;
  // Lines per step of the bar (1 until the known lines pass 2^31 - 1).
  std::int64_t barScale() const;
  // The bar position as a line number and back.
  std::int64_t lineOfBar(int position) const;
  int barOfLine(std::int64_t line) const;

 private:
  std::int64_t maxLine() const;

  LineSource* source_ = nullptr;
  std::vector<std::string> rows_;
  std::int64_t first_ = 0;
  std::int64_t linesPerPage_ = 0;
  std::int64_t lastScrollPos_ = 0;
};

}  // namespace olv
