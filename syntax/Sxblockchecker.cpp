#include "syntax/Sxblockchecker.h"

#include <algorithm>
#include <cstring>

#include "syntax/Sxlineparser.h"
#include "syntax/Sxlinevalidator.h"

namespace swde {
namespace {

// Lines in one block at most: what a block holds in errors stays small
// whatever the lines are like.
constexpr std::size_t kLinesPerBlock = 8192;
// A line without a line feed that grows past this is gathered: only what
// the grammar needs of it is kept.
constexpr std::size_t kCarryLimit = kMaxLineLength + 2;

// The line feeds of p, counted eight bytes at a time (a byte of x ^ 0x0A..
// is zero where a line feed is). carriageReturn is set when p holds one, and
// lone when one of them is not followed by a line feed in p.
std::size_t countLineFeeds(const char* p, std::size_t n, bool& carriageReturn, bool& lone) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  constexpr std::uint64_t kTop = 0x80ULL << 56;
  const auto zeroBytes = [](std::uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); };
  std::size_t count = 0, k = 0;
  std::uint64_t cr = 0, alone = 0;
  for (; k + 8 <= n; k += 8) {
    std::uint64_t x;
    std::memcpy(&x, p + k, 8);
    const std::uint64_t lf = zeroBytes(x ^ (kOnes * '\n'));
    const std::uint64_t r = zeroBytes(x ^ (kOnes * '\r'));
    count += static_cast<std::size_t>(((lf >> 7) * kOnes) >> 56);
    cr |= r;
    std::uint64_t a = r & ~(lf >> 8);
    if ((a & kTop) && k + 8 < n && p[k + 8] == '\n') a &= ~kTop;
    alone |= a;
  }
  for (; k < n; ++k) {
    count += p[k] == '\n';
    if (p[k] == '\r') {
      cr = 1;
      if (k + 1 >= n || p[k + 1] != '\n') alone = 1;
    }
  }
  if (cr) carriageReturn = true;
  if (alone) lone = true;
  return count;
}

// Offset just past the k-th line feed (k from 1) of p, which holds at least
// k of them.
std::size_t pastLineFeed(const char* p, std::size_t n, std::size_t k) {
  std::size_t at = 0;
  for (; k > 0; --k)
    at = static_cast<std::size_t>(static_cast<const char*>(std::memchr(p + at, '\n', n - at)) - p) +
         1;
  return at;
}

// Offset just past the last line feed of p, or 0 when it has none.
std::size_t pastLastLineFeed(const char* p, std::size_t n) {
  const void* lf = n ? ::memrchr(p, '\n', n) : nullptr;
  return lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - p) + 1 : 0;
}

// Appends the bytes of p without carriage returns to out while it holds
// fewer than keep.
void appendStripped(std::string& out, const char* p, std::size_t n, std::size_t keep) {
  for (std::size_t k = 0; k < n && out.size() < keep; ++k)
    if (p[k] != '\r') out.push_back(p[k]);
}

}  // namespace

struct sxBlockChecker::Slot {
  Block block;
  std::unique_ptr<char[]> buffer;
  std::string gathered;
  bool ready = false;
  bool busy = false;
};

struct sxBlockChecker::Worker {
  explicit Worker(std::uint8_t format) : parser(format), line(std::make_shared<sxLine>(lcNone, 0)) {
    // Only the code and the error of a line leave the worker: the line's
    // fields view the block's bytes, and its error is taken down, not made.
    parser.setKeepText(false);
    parser.setNote(&note);
    validator.setNote(&note);
    validator.format = format;
  }
  sxErrorNote note;
  sxLineParser parser;
  sxLineValidator validator;
  counted_ptr<sxLine> line;
};

sxBlockChecker::sxBlockChecker(sxFileStream& stream, std::uint64_t start, std::uint8_t format,
                               unsigned threads, std::size_t blockSize)
    : stream_(stream),
      format_(format),
      blockSize_(std::max<std::size_t>(blockSize, 1)),
      capacity_(blockSize_ + kCarryLimit + 1),
      position_(start) {
  stream_.seek(start);
  if (threads < 1) threads = 1;
  // Every thread may hold a block while a few wait, checked, for the
  // context pass.
  const std::size_t slots = threads == 1 ? 1 : threads + 3;
  for (std::size_t k = 0; k < slots; ++k) {
    auto slot = std::make_unique<Slot>();
    slot->buffer = std::make_unique<char[]>(capacity_);
    slots_.push_back(std::move(slot));
  }
  carry_.reserve(capacity_);
  if (threads == 1) {
    workers_.push_back(std::make_unique<Worker>(format_));
    return;
  }
  try {
    for (unsigned k = 0; k < threads; ++k) workers_.push_back(std::make_unique<Worker>(format_));
    for (unsigned k = 0; k < threads; ++k) threads_.emplace_back([this, k] { run(*workers_[k]); });
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    toFill_.notify_all();
    for (std::thread& t : threads_) t.join();
    throw;
  }
}

sxBlockChecker::~sxBlockChecker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  toFill_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void sxBlockChecker::run(Worker& worker) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    toFill_.wait(lock, [&] {
      return stopping_ || (!readerDone_ && !slots_[filled_ % slots_.size()]->busy);
    });
    if (stopping_) return;
    Slot& slot = *slots_[filled_ % slots_.size()];
    ++filled_;
    slot.busy = true;
    slot.ready = false;
    fill(slot);
    lock.unlock();
    checkGuarded(slot, worker);
    lock.lock();
    slot.ready = true;
    // Only the caller of next waits for a checked slot.
    checked_.notify_one();
  }
}

sxBlockChecker::Block* sxBlockChecker::next() {
  if (threads_.empty()) {
    Slot& slot = *slots_[0];
    if (readerDone_) return nullptr;
    fill(slot);
    checkGuarded(slot, *workers_[0]);
    return &slot.block;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (handed_) {
    handed_->busy = false;
    handed_->ready = false;
    handed_ = nullptr;
    // One slot came free: one thread can fill it.
    toFill_.notify_one();
  }
  Slot& slot = *slots_[consumed_ % slots_.size()];
  checked_.wait(lock,
                [&] { return (slot.busy && slot.ready) || (readerDone_ && consumed_ == filled_); });
  if (!(slot.busy && slot.ready)) return nullptr;
  ++consumed_;
  handed_ = &slot;
  return &slot.block;
}

void sxBlockChecker::cutAt(Slot& slot, std::size_t cut, std::size_t n) {
  slot.block.length = cut;
  slot.block.end = slot.block.start + cut;
  carry_.assign(slot.buffer.get() + cut, n - cut);
}

void sxBlockChecker::fill(Slot& slot) {
  Block& b = slot.block;
  b.codes.clear();
  b.carriageReturns = false;
  b.loneCarriageReturns = false;
  b.codeCounts.fill(0);
  b.notes.clear();
  b.failure = nullptr;
  b.gathered = false;
  b.endsWithLineFeed = true;
  b.last = false;
  b.length = 0;
  b.data = slot.buffer.get();
  b.start = position_ - carry_.size();
  char* const buf = slot.buffer.get();
  std::size_t n = carry_.size();
  std::memcpy(buf, carry_.data(), n);
  carry_.clear();
  std::size_t counted = 0, lineFeeds = 0;
  bool atEnd = false;
  bool gathering = false;
  try {
    for (;;) {
      lineFeeds +=
          countLineFeeds(buf + counted, n - counted, b.carriageReturns, b.loneCarriageReturns);
      counted = n;
      if (lineFeeds > kLinesPerBlock) {
        cutAt(slot, pastLineFeed(buf, n, kLinesPerBlock), n);
        return;
      }
      if (atEnd) {
        // What follows the last line feed is the file's last line.
        b.length = pastLastLineFeed(buf, n);
        b.last = true;
        b.end = b.start + n;
        readerDone_ = true;
        return;
      }
      if (lineFeeds > 0 && n >= blockSize_) {
        cutAt(slot, pastLastLineFeed(buf, n), n);
        return;
      }
      if (lineFeeds == 0 && n > kCarryLimit) {
        gathering = true;
        gather(slot, n);
        return;
      }
      const std::size_t want =
          n < blockSize_ ? blockSize_ - n : std::min(blockSize_, capacity_ - n);
      const std::size_t got = stream_.readRaw(buf + n, want);
      position_ += got;
      n += got;
      if (got == 0) atEnd = true;
    }
  } catch (...) {
    // The whole lines read before the failure are handed out first.
    // A line being gathered is lost with the failure.
    b.failure = std::current_exception();
    b.gathered = false;
    b.last = false;
    b.length = gathering ? 0 : pastLastLineFeed(buf, n);
    b.end = b.start + b.length;
    readerDone_ = true;
  }
}

void sxBlockChecker::gather(Slot& slot, std::size_t n) {
  // The grammar needs one byte past the longest line that is kept whole.
  constexpr std::size_t keep = kMaxLineLength + 1;
  Block& b = slot.block;
  char* const buf = slot.buffer.get();
  b.gathered = true;
  slot.gathered.clear();
  appendStripped(slot.gathered, buf, n, keep);
  for (;;) {
    const std::size_t got = stream_.readRaw(buf, blockSize_);
    position_ += got;
    if (got == 0) {
      b.endsWithLineFeed = false;
      b.last = true;
      readerDone_ = true;
      break;
    }
    const void* lf = std::memchr(buf, '\n', got);
    const std::size_t run = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - buf) : got;
    appendStripped(slot.gathered, buf, run, keep);
    if (lf) {
      carry_.assign(buf + run + 1, got - run - 1);
      break;
    }
  }
  b.end = position_ - carry_.size();
}

void sxBlockChecker::checkGuarded(Slot& slot, Worker& worker) noexcept {
  try {
    check(slot, worker);
  } catch (...) {
    // Memory ran out: the lines checked so far go out, then the failure.
    if (!slot.block.failure) slot.block.failure = std::current_exception();
    slot.block.last = false;
  }
}

void sxBlockChecker::check(Slot& slot, Worker& worker) {
  Block& b = slot.block;
  sxLine& line = *worker.line;
  std::uint32_t index = 0;
  // Cuts and checks one line; run is the line itself, or with toLineFeed
  // the rest of the block's lines, of which the first is taken. Returns the
  // length of the line taken.
  auto one = [&](std::string_view run, bool toLineFeed) -> std::size_t {
    const std::uint32_t i = index++;
    line.reset(lcNone, i);
    counted_ptr<sxError> error;
    std::size_t length = run.size();
    try {
      if (toLineFeed)
        length = worker.parser.parseToLineFeed(run, line, 0, error);
      else
        worker.parser.parse(run, line, 0, error);
    } catch (...) {
      b.codes.push_back(lcNone);
      ++b.codeCounts[lcNone];
      b.notes.push_back({i, pkCutThrew, {}, std::current_exception()});
      // The rest of the block cannot be gone on from.
      return toLineFeed ? run.size() : length;
    }
    b.codes.push_back(line.code);
    ++b.codeCounts[line.code];
    if (error) {
      b.notes.push_back({i, pkCutError, worker.note, nullptr});
      return length;
    }
    try {
      worker.validator.validate(worker.line, error);
    } catch (...) {
      b.notes.push_back({i, pkRuleThrew, {}, std::current_exception()});
      return length;
    }
    const std::uint8_t kind =
        (error ? pkRuleError : 0) | (worker.validator.complexRecord ? pkComplex : 0);
    if (kind) b.notes.push_back({i, kind, error ? worker.note : sxErrorNote(), nullptr});
    return length;
  };
  if (b.gathered) {
    one(slot.gathered, false);
    return;
  }
  worker.parser.setCarriageReturns(b.carriageReturns);
  const char* p = b.data;
  const char* const end = b.data + b.length;
  if (!b.loneCarriageReturns) {
    // Every line ends in a line feed, or in a carriage return and a line
    // feed: the cutting finds each line's end itself.
    while (p < end) {
      const std::size_t room = static_cast<std::size_t>(end - p);
      const std::size_t length = one(std::string_view(p, room), true);
      if (length >= room) break;  // cutting failed: the lines stop here
      p += length + (p[length] == '\r' ? 2 : 1);
    }
  } else {
    while (p < end) {
      const char* lf =
          static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
      one(std::string_view(p, static_cast<std::size_t>(lf - p)), false);
      p = lf + 1;
    }
  }
  if (b.last && !b.failure)
    one(std::string_view(end, static_cast<std::size_t>(b.end - b.start) - b.length), false);
}

}  // namespace swde
