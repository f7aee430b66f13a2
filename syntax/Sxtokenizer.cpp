#include "syntax/Sxtokenizer.h"

#include <cstring>

#include "platform/CodePage.h"
#include "syntax/Sxconsts.h"
#include "syntax/Sxexception.h"

namespace swde {
namespace {

constexpr std::uint8_t kCarriageReturn = 7;

constexpr std::uint8_t classOf(unsigned char c) {
  switch (c) {
    case ' ':
    case '\t':
      return tkBlank;
    case '\n':
      return tkLineFeed;
    case ',':
      return tkFieldSep;
    case ';':
      return tkLineEnd;
    case '\r':
      return kCarriageReturn;
    default:
      return tkWord;
  }
}

struct ClassTable {
  std::uint8_t of[256];
  constexpr ClassTable() : of() {
    for (int c = 0; c < 256; ++c) of[c] = classOf(static_cast<unsigned char>(c));
  }
};
constexpr ClassTable kClass;

}  // namespace

sxTokenizer::sxTokenizer(sxFileStream* stream) : stream_(stream) {}

std::uint8_t sxTokenizer::getToken() {
  tokenKind_ = tkNone;
  tokenText_.clear();
  if (!stream_ || stream_->getSize() == 0 || stream_->getPosition() > stream_->getSize())
    return tkNone;

  for (;;) {
    unsigned char c;
    if (hasLookAhead_) {
      c = lookAhead_;
      hasLookAhead_ = false;
    } else if (takeFromStream(c)) {
      ++charCounter_;
    } else {
      tokenKind_ = tkEof;
      break;
    }
    const std::uint8_t cls = kClass.of[c];
    if (cls == kCarriageReturn) continue;
    if (cls == tkFieldSep || cls == tkLineEnd || cls == tkLineFeed) {
      if (tokenText_.empty()) {
        tokenText_.push_back(static_cast<char>(c));
        tokenKind_ = cls;
      } else {
        lookAhead_ = c;
        hasLookAhead_ = true;
      }
      break;
    }
    if (tokenKind_ == tkNone || tokenKind_ == cls) {
      if (tokenText_.size() >= tokenLimit_) {
        lookAhead_ = c;
        hasLookAhead_ = true;
        break;
      }
      tokenText_.push_back(static_cast<char>(c));
      tokenKind_ = cls;
      // Take the rest of the run straight from the buffer.
      std::size_t n;
      const unsigned char* p = stream_->pending(n);
      if (n > tokenLimit_ - tokenText_.size()) n = tokenLimit_ - tokenText_.size();
      std::size_t k = 0;
      while (k < n && kClass.of[p[k]] == cls) ++k;
      if (k > 0) {
        tokenText_.append(reinterpret_cast<const char*>(p), k);
        stream_->skip(k);
        charCounter_ += k;
      }
      continue;
    }
    lookAhead_ = c;
    hasLookAhead_ = true;
    break;
  }
  if (tokenKind_ == tkLineFeed) ++lineCounter_;
  if (tokenKind_ == tkEof) eof_ = 1;
  return tokenKind_;
}

bool sxTokenizer::peekLine(const unsigned char*& p, std::size_t& n) {
  if (!stream_ || hasLookAhead_ || stream_->getSize() == 0 ||
      stream_->getPosition() > stream_->getSize() || !stream_->fill())
    return false;
  std::size_t avail;
  const unsigned char* data = stream_->pending(avail);
  const void* lf = std::memchr(data, '\n', avail);
  if (lf == nullptr) return false;
  p = data;
  n = static_cast<std::size_t>(static_cast<const unsigned char*>(lf) - data);
  return true;
}

void sxTokenizer::takeLine(std::size_t n) {
  stream_->skip(n + 1);
  charCounter_ += n + 1;
  ++lineCounter_;
  tokenKind_ = tkLineFeed;
  tokenText_.assign(1, '\n');
}

std::uint8_t sxTokenizer::gatherLine(AnsiString& out, std::size_t keep, bool& more) {
  tokenKind_ = tkNone;
  tokenText_.clear();
  out.clear();
  more = false;
  if (!stream_ || stream_->getSize() == 0 || stream_->getPosition() > stream_->getSize())
    return tkNone;
  // Appends the bytes of a run without carriage returns, up to keep.
  auto put = [&](const unsigned char* p, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) {
      if (p[k] == '\r') continue;
      if (out.size() < keep)
        out.push_back(static_cast<char>(p[k]));
      else
        more = true;
    }
  };
  if (hasLookAhead_) {
    hasLookAhead_ = false;
    if (lookAhead_ == '\n') {
      tokenKind_ = tkLineFeed;
      tokenText_.assign(1, '\n');
      ++lineCounter_;
      return tokenKind_;
    }
    put(&lookAhead_, 1);
  }
  for (;;) {
    if (!stream_->fill()) {
      tokenKind_ = tkEof;
      eof_ = 1;
      return tokenKind_;
    }
    std::size_t n;
    const unsigned char* p = stream_->pending(n);
    const void* lf = std::memchr(p, '\n', n);
    const std::size_t run =
        lf ? static_cast<std::size_t>(static_cast<const unsigned char*>(lf) - p) : n;
    put(p, run);
    stream_->skip(lf ? run + 1 : run);
    charCounter_ += lf ? run + 1 : run;
    if (lf) {
      tokenKind_ = tkLineFeed;
      tokenText_.assign(1, '\n');
      ++lineCounter_;
      return tokenKind_;
    }
  }
}

bool sxTokenizer::getChar(char& c) {
  if (hasLookAhead_) {
    c = static_cast<char>(lookAhead_);
    hasLookAhead_ = false;
    return true;
  }
  if (!stream_ || stream_->getPosition() >= stream_->getSize()) return false;
  unsigned char b;
  if (!stream_->takeByte(b)) return false;
  c = static_cast<char>(b);
  return true;
}

AnsiString sxTokenizer::getAllToEOL() {
  return getAllToEOL(static_cast<std::size_t>(-1));
}

AnsiString sxTokenizer::getAllToEOL(std::size_t limit) {
  tokenKind_ = tkWord;
  tokenText_.clear();
  char c;
  while (getChar(c)) {
    if (c == '\r' || c == '\n') {
      lookAhead_ = static_cast<unsigned char>(c);
      hasLookAhead_ = true;
      break;
    }
    if (tokenText_.size() < limit) tokenText_.push_back(c);
  }
  if (tokenText_.empty()) tokenKind_ = tkEof;
  return tokenText_;
}

AnsiString sxTokenizer::getLineHead(std::size_t limit) {
  tokenKind_ = tkWord;
  tokenText_.clear();
  char c;
  while (tokenText_.size() < limit && getChar(c)) {
    if (c == '\r' || c == '\n') {
      lookAhead_ = static_cast<unsigned char>(c);
      hasLookAhead_ = true;
      break;
    }
    tokenText_.push_back(c);
  }
  if (tokenText_.empty()) tokenKind_ = tkEof;
  return tokenText_;
}

std::uint64_t sxTokenizer::seekEndLine() {
  tokenKind_ = tkNone;
  tokenText_.clear();
  if (hasLookAhead_ && (lookAhead_ == '\r' || lookAhead_ == '\n')) return 0;
  std::uint64_t count = 0;
  while (stream_ && stream_->getPosition() < stream_->getSize()) {
    unsigned char c;
    if (!stream_->takeByte(c)) break;
    if (c == '\r' || c == '\n') {
      lookAhead_ = c;
      hasLookAhead_ = true;
      break;
    }
    if (++count > kSeekLineLimit) {
      const TVarRec args[] = {static_cast<unsigned long long>(lineCounter_)};
      throw sxException(plat::cp("Linia %d jest za długa"), args, 0);
    }
  }
  charCounter_ += count;
  return count;
}

void sxTokenizer::reset() {
  tokenKind_ = tkNone;
  tokenText_.clear();
  hasLookAhead_ = false;
  lookAhead_ = 0;
  if (stream_) stream_->seek(0);
  charCounter_ = 0;
  lineCounter_ = 1;
  eof_ = 0;
}

int sxTokenizer::charsConvert(AnsiString& s, int fromRow, int toRow) {
  plat::convertPolishLetters(s, fromRow, toRow);
  return static_cast<int>(s.size());
}

void sxTokenizer::convIso2Win(const AnsiString& in, AnsiString& out) {
  out = plat::iso88592ToCp1250(in, plat::IsoSigns::PolishLetters);
}

void sxTokenizer::convWin2Iso(const AnsiString& in, AnsiString& out) {
  out = in;
  plat::convertPolishLetters(out, plat::kRowCp1250, plat::kRowIso88592);
}

}  // namespace swde
