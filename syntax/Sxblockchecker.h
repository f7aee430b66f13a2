// Reads a data file on from a byte offset in blocks cut at line ends, and
// cuts and checks the lines of each block on a small pool of threads: the
// work of a line that depends on nothing but the line and the file's format.
// The blocks come back in file order for the context pass, which stays with
// the caller.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "syntax/Sxcodes.h"
#include "syntax/Sxerrornote.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxfilestream.h"
#include "syntax/Sxline.h"

namespace swde {

class sxBlockChecker {
 public:
  // What a line of a block needs from the context pass besides its code.
  enum : std::uint8_t {
    pkCutError = 1,   // error: the line's cutting error
    pkRuleError = 2,  // error: the error of the line's field rules
    pkComplex = 4,    // the field rules mark a complex record
    pkCutThrew = 8,   // thrown: cutting the line failed
    pkRuleThrew = 16  // thrown: the field rules failed
  };
  struct Note {
    std::uint32_t index;
    std::uint8_t kind;
    sxErrorNote error;  // made an error by the context pass
    std::exception_ptr thrown;
  };

  struct Block {
    std::uint64_t start = 0;  // byte offset of the block's first line
    std::uint64_t end = 0;    // byte offset past the block's last line
    // The raw lines, each with its line feed; a gathered block holds one line
    // cut down to what the grammar needs instead.
    const char* data = nullptr;
    std::size_t length = 0;
    bool gathered = false;
    bool endsWithLineFeed = true;      // a gathered line ended with a line feed
    bool carriageReturns = false;      // the raw lines may hold carriage returns
    bool loneCarriageReturns = false;  // ... and not only right before a line feed
    bool last = false;  // the block's last line is the file's last, with no line feed
    std::vector<std::uint8_t> codes;
    std::array<std::uint32_t, kLastLineCode + 1> codeCounts{};
    std::vector<Note> notes;     // in line order
    std::exception_ptr failure;  // reading failed after the block's lines
    // Line feeds read with the block's lines.
    std::size_t lineFeeds() const {
      return gathered ? (endsWithLineFeed ? 1 : 0) : codes.size() - (last ? 1 : 0);
    }
  };

  // Starts reading stream at offset start. threads 1 checks every block in
  // the caller's thread; more start that many threads. format picks the line
  // table.
  sxBlockChecker(sxFileStream& stream, std::uint64_t start, std::uint8_t format, unsigned threads,
                 std::size_t blockSize);
  // Stops the threads and waits for them.
  ~sxBlockChecker();
  sxBlockChecker(const sxBlockChecker&) = delete;
  sxBlockChecker& operator=(const sxBlockChecker&) = delete;

  // The next block in file order, valid until the next call; null when no
  // block is left.
  Block* next();

 private:
  struct Slot;
  struct Worker;

  void run(Worker& worker);
  // Reads the next block into slot; the reader's lock is held.
  void fill(Slot& slot);
  void gather(Slot& slot, std::size_t n);
  void cutAt(Slot& slot, std::size_t cut, std::size_t n);
  void check(Slot& slot, Worker& worker);
  void checkGuarded(Slot& slot, Worker& worker) noexcept;

  sxFileStream& stream_;
  const std::uint8_t format_;
  const std::size_t blockSize_;
  const std::size_t capacity_;

  std::mutex mutex_;
  std::condition_variable toFill_;   // a slot came free, or the checker stops
  std::condition_variable checked_;  // a slot was checked
  std::vector<std::unique_ptr<Slot>> slots_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::vector<std::thread> threads_;
  std::string carry_;       // the bytes read past the last block's last line
  std::uint64_t position_;  // byte offset of the next read
  bool readerDone_ = false;
  bool stopping_ = false;
  std::uint64_t filled_ = 0;    // blocks given to the threads
  std::uint64_t consumed_ = 0;  // blocks handed out
  Slot* handed_ = nullptr;
};

}  // namespace swde
