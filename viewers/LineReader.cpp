#include "viewers/LineReader.h"

#include <algorithm>
#include <cstring>

#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "viewers/ReadBlock.h"

namespace olv {

LineReader::LineReader(std::size_t readBlock) : readBlock_(std::max<std::size_t>(readBlock, 1)) {}

void LineReader::attach(plat::InputFile* in) {
  in_ = in;
  bufStart_ = backStart_ = 0;
  bufLen_ = backLen_ = 0;
  next_ = 0;
  failed_ = false;
}

bool LineReader::fill(std::uint64_t offset) {
  if (!readBlockAt(in_, offset, readBlock_, buf_, bufStart_, bufLen_, failed_)) return false;
  ++fileReads_;
  return bufLen_ > 0;
}

LineReader::End LineReader::read(std::uint64_t offset, std::string* text) {
  if (text) text->clear();
  next_ = offset;
  std::uint64_t pos = offset;
  std::size_t taken = 0;
  for (;;) {
    if (pos < bufStart_ || pos >= bufStart_ + bufLen_) {
      if (!fill(pos)) {
        next_ = pos;
        return taken > 0 ? End::kEndOfFile : End::kNone;
      }
    }
    const char* p = buf_.data() + (pos - bufStart_);
    const std::size_t avail = static_cast<std::size_t>(bufStart_ + bufLen_ - pos);
    const std::size_t room = kMaxLine - taken;
    // One byte beyond a full line: a terminator right there still ends it.
    const std::size_t span = std::min(avail, room + 1);
    const void* lf = std::memchr(p, '\n', span);
    const std::size_t upTo = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - p) : span;
    const void* nul = std::memchr(p, '\0', upTo);
    const char* term = static_cast<const char*>(nul ? nul : lf);
    if (term) {
      const std::size_t k = static_cast<std::size_t>(term - p);
      if (text) text->append(p, k);
      next_ = pos + k + 1;
      return *term == '\n' ? End::kLineFeed : End::kNul;
    }
    if (span == room + 1) {
      if (text) text->append(p, room);
      next_ = pos + room;
      return End::kSplit;
    }
    if (text) text->append(p, avail);
    taken += avail;
    pos += avail;
  }
}

bool LineReader::readUnit(std::uint64_t offset, std::string* text, std::uint64_t& next) {
  const End end = read(offset, text);
  next = next_;
  return end != End::kNone;
}

std::int64_t LineReader::skipUnits(std::uint64_t offset, std::int64_t count, std::uint64_t& next) {
  std::int64_t done = 0;
  std::uint64_t pos = offset;
  while (done < count) {
    if (pos < bufStart_ || pos >= bufStart_ + bufLen_) {
      if (!fill(pos)) break;
    }
    const char* base = buf_.data();
    const char* stop = base + bufLen_;
    const char* p = base + (pos - bufStart_);
    // Lines that end at a line feed inside the buffer, before the next zero
    // byte and within kMaxLine bytes, are counted here; any other line is
    // left to read().
    const void* z = std::memchr(p, '\0', static_cast<std::size_t>(stop - p));
    const char* nul = z ? static_cast<const char*>(z) : stop;
    while (done < count) {
      const void* f = std::memchr(p, '\n', static_cast<std::size_t>(stop - p));
      const char* lf = static_cast<const char*>(f);
      if (!lf || lf > nul || static_cast<std::size_t>(lf - p) > kMaxLine) break;
      p = lf + 1;
      ++done;
    }
    pos = bufStart_ + static_cast<std::uint64_t>(p - base);
    if (done == count || p == stop) continue;
    if (read(pos, nullptr) == End::kNone) break;
    ++done;
    pos = next_;
  }
  next = pos;
  next_ = pos;
  return done;
}

bool LineReader::fillBack(std::uint64_t lo, std::uint64_t hi) {
  if (lo >= backStart_ && hi <= backStart_ + backLen_) return true;
  const std::size_t size = std::max<std::size_t>(readBlock_, 2 * (kMaxLine + 2));
  if (back_.size() != size) back_.resize(size);
  const std::uint64_t start = hi > size ? hi - size : 0;
  backStart_ = start;
  backLen_ = 0;
  try {
    in_->seek(start);
    std::size_t done = 0;
    const std::size_t want = static_cast<std::size_t>(hi - start);
    while (done < want) {
      const std::size_t n = in_->read(back_.data() + done, want - done);
      if (n == 0) break;
      done += n;
    }
    backLen_ = done;
  } catch (const plat::Exception&) {
    failed_ = true;
    backLen_ = 0;
  }
  ++fileReads_;
  return lo >= backStart_ && hi <= backStart_ + backLen_;
}

bool LineReader::startBefore(std::uint64_t start, std::int64_t count, std::uint64_t& found) {
  if (!in_ || start > in_->size()) return false;
  std::uint64_t pos = start;
  for (std::int64_t i = 0; i < count; ++i) {
    if (pos == 0) return false;
    // The line above ends at the byte before pos; its start is behind the
    // terminator before that, at most kMaxLine bytes earlier.
    const std::uint64_t end = pos - 1;
    const std::uint64_t lo = end > kMaxLine ? end - kMaxLine - 1 : 0;
    if (!fillBack(lo, end + 1)) return false;
    const char* base = back_.data() + (lo - backStart_);
    const char* last = base + (end - lo);
    if (*last != '\n' && *last != '\0') return false;
    const std::size_t n = static_cast<std::size_t>(end - lo);
    const void* lf = ::memrchr(base, '\n', n);
    const void* nul = ::memrchr(base, '\0', n);
    const char* term = static_cast<const char*>(lf);
    if (nul && (!term || static_cast<const char*>(nul) > term))
      term = static_cast<const char*>(nul);
    if (term) {
      pos = lo + static_cast<std::uint64_t>(term - base) + 1;
    } else if (end <= kMaxLine) {
      pos = 0;
    } else {
      return false;
    }
  }
  found = pos;
  return true;
}

}  // namespace olv
