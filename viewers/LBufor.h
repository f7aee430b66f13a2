// Paged line buffer of the large text viewer: a small window of consecutive
// lines of a text file far larger than memory, a sparse index from line
// number to byte offset, and the count of lines found so far.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Export.h"
#include "viewers/LineSource.h"

namespace plat {
class InputFile;
}

namespace olv {

class LoadNotice;

class OLVPAGING_API LBufor : public LineSource {
 public:
  // blockSize: lines a full window holds beyond its first; checkpointStep:
  // lines between two index checkpoints; readBlock: bytes of one read.
  explicit LBufor(int blockSize = 100, int checkpointStep = 1000, std::size_t readBlock = 65536);
  ~LBufor() override;
  LBufor(const LBufor&) = delete;
  LBufor& operator=(const LBufor&) = delete;

  // Starts over the open file (owned by the control, read, never closed
  // here) and loads the first window.
  void openText(plat::InputFile& in);

  std::string getLine(std::int64_t n, int& err, int dir) override;
  std::vector<std::string> getLines(std::int64_t first, std::int64_t count, int& err,
                                    int dir) override;
  std::uint64_t getKnownLines() const override;

  // Lines read starting at a byte offset, numbered from n (a jump to a file
  // position). err: 0, or -1 when a line could not be had.
  std::vector<std::string> getLinesAt(std::uint64_t offset, std::int64_t count, int& err, int dir,
                                      std::int64_t n);

  // Empties the window; the next open starts afresh.
  void clear();

  // The control's notice during a read; null for none.
  void setNotice(LoadNotice* notice);

  // Lines the reader has produced since construction (for tests and benches).
  std::uint64_t linesRead() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace olv
