// The paging both buffers share: a window of consecutive units (lines or
// report records) read from a UnitSource, a sparse index from unit number to
// byte offset and the count of units found so far.
//
// Index: checkpoints every checkpointStep units, entered only by reads whose
// numbering comes from the start of the file, and anchors: offsets a caller
// numbered itself (a jump to a file position). A seek starts from the nearest
// known start at or below the asked unit (checkpoint, anchor, the window or
// where the last read stopped); when an anchor above is nearer, the starts
// above it are searched backwards instead, so paging up after a jump never
// reads from the start of the file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "viewers/UnitSource.h"

namespace olv {

class LoadNotice;

class PagedWindow {
 public:
  PagedWindow(int blockSize, int checkpointStep);

  // Starts over source (the first unit at firstOffset) and loads the first
  // window; close() forgets the source.
  void open(UnitSource& source, std::uint64_t firstOffset);
  void close();
  bool isOpen() const { return source_ != nullptr; }

  std::string getLine(std::int64_t n, int& err, int dir);
  std::vector<std::string> getLines(std::int64_t first, std::int64_t count, int& err, int dir);
  std::vector<std::string> getLinesAt(std::uint64_t offset, std::int64_t count, int& err,
                                      std::int64_t n);
  std::uint64_t knownLines() const { return known_; }
  std::uint64_t linesRead() const { return linesRead_; }
  void setNotice(LoadNotice* notice) { notice_ = notice; }

  // The offset where unit n starts, read through reader (which may be
  // another reader over the same file: the window and where the last read
  // stopped stay as they were). False when the file holds fewer units.
  bool offsetOf(std::int64_t n, UnitSource& reader, std::uint64_t& offset);

 private:
  struct Line {
    std::string text;
    std::uint64_t start = 0;
  };
  struct Known {
    std::int64_t n = 0;
    std::uint64_t offset = 0;
    bool fromStart = true;  // numbered from the start of the file
  };

  const Line* windowLine(std::int64_t n) const;
  bool seek(std::int64_t n, UnitSource& reader, Known& at, bool notify);
  void load(std::int64_t first, std::int64_t count);
  std::int64_t readWindow(const Known& from, std::int64_t count, bool notify);
  void checkpoint(std::int64_t n, std::uint64_t offset);

  const std::int64_t blockSize_;
  const std::int64_t step_;
  UnitSource* source_ = nullptr;
  LoadNotice* notice_ = nullptr;
  std::vector<Line> lines_;  // the window: lines_[0 .. count_)
  std::vector<Line> spare_;  // read into, then swapped with lines_
  std::int64_t count_ = 0;
  std::int64_t first_ = 0;
  std::uint64_t windowEnd_ = 0;  // offset behind the window's last unit
  bool windowFromStart_ = true;
  std::map<std::int64_t, std::uint64_t> checkpoints_;
  std::map<std::int64_t, std::uint64_t> anchors_;
  std::int64_t maxIndexed_ = 0;
  Known cursor_;  // where the last read of source_ stopped
  std::uint64_t known_ = 0;
  std::uint64_t linesRead_ = 0;
  std::uint64_t sinceNotice_ = 0;
};

}  // namespace olv
