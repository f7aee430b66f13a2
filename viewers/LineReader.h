// Buffered reader of the lines of a text file. A line ends at a line feed
// (dropped), at a zero byte (consumed) or after kMaxLine bytes, the rest of
// the physical line then being the next line; a line of exactly kMaxLine
// bytes followed by its terminator is one line. A carriage return stays in
// the text. The last line of a file without a line feed is a line too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Export.h"
#include "viewers/UnitSource.h"

namespace plat {
class InputFile;
}

namespace olv {

class OLVPAGING_API LineReader : public UnitSource {
 public:
  static constexpr std::size_t kMaxLine = 65535;

  // How the line just read ended.
  enum class End : int {
    kLineFeed,   // at a line feed
    kNul,        // at a zero byte
    kSplit,      // after kMaxLine bytes without a terminator
    kEndOfFile,  // the file ended inside the line
    kNone        // no line: nothing left at the offset
  };

  explicit LineReader(std::size_t readBlock = 65536);

  // Reads in (not owned, never closed); null detaches. Drops what is buffered.
  void attach(plat::InputFile* in);

  // Reads the line starting at offset into *text (text null: only skips it).
  // A read inside or right behind the buffered bytes reads on from memory or
  // from the file without a new positioning.
  End read(std::uint64_t offset, std::string* text);

  // Where the line after the one just read starts.
  std::uint64_t next() const { return next_; }

  // A read of the file failed (the failure is taken as the end of the file).
  bool failed() const { return failed_; }

  // Reads of the file made so far (to show what a step costs).
  std::uint64_t fileReads() const { return fileReads_; }

  bool readUnit(std::uint64_t offset, std::string* text, std::uint64_t& next) override;

  // Lines as read() ends them, counted through the buffer a block at a time.
  std::int64_t skipUnits(std::uint64_t offset, std::int64_t count, std::uint64_t& next) override;

  // Searches backwards from start for the line ends above it. False when the
  // byte before start ends no line, when a line above is longer than
  // kMaxLine, or when the file begins fewer than count lines above.
  bool startBefore(std::uint64_t start, std::int64_t count, std::uint64_t& found) override;

 private:
  bool fill(std::uint64_t offset);
  bool fillBack(std::uint64_t lo, std::uint64_t hi);

  plat::InputFile* in_ = nullptr;
  std::size_t readBlock_;
  std::vector<char> buf_;
  std::uint64_t bufStart_ = 0;
  std::size_t bufLen_ = 0;
  std::vector<char> back_;
  std::uint64_t backStart_ = 0;
  std::size_t backLen_ = 0;
  std::uint64_t next_ = 0;
  std::uint64_t fileReads_ = 0;
  bool failed_ = false;
};

}  // namespace olv
