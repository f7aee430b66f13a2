#include "syntax/Sxlineparser.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cstring>

#include "syntax/Sxcodes.h"

namespace swde {
namespace {

// Classes of the bytes of a line once carriage returns are gone, as the
// tokenizer sees them.
enum : std::uint8_t {
  kWordByte = 0,
  kBlankByte = 1,
  kCommaByte = 2,
  kSemicolonByte = 3,
  kLineFeedByte = 4,  // ends the line, in a run of lines
};

struct ByteClasses {
  std::uint8_t of[256];
  constexpr ByteClasses() : of() {
    of[static_cast<unsigned char>(' ')] = kBlankByte;
    of[static_cast<unsigned char>('\t')] = kBlankByte;
    of[static_cast<unsigned char>(',')] = kCommaByte;
    of[static_cast<unsigned char>(';')] = kSemicolonByte;
    of[static_cast<unsigned char>('\n')] = kLineFeedByte;
    // A carriage return reaches the grammar only right before a line feed.
    of[static_cast<unsigned char>('\r')] = kLineFeedByte;
  }
};
constexpr ByteClasses kByteClass;

inline std::uint8_t classOf(char c) {
  return kByteClass.of[static_cast<unsigned char>(c)];
}

// The end of the word run that starts at k: the first byte from k on that is
// a blank, a delimiter or a line end, eight bytes at a time (a byte of x ^ 0x2C.. is zero
// where a ',' is), or len.
inline std::size_t wordEnd(const char* b, std::size_t k, std::size_t len) {
  static_assert(std::endian::native == std::endian::little, "the first byte is the lowest");
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  const auto zeroBytes = [](std::uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); };
  for (; k + 8 <= len; k += 8) {
    std::uint64_t x;
    std::memcpy(&x, b + k, 8);
    const std::uint64_t stops = zeroBytes(x ^ (kOnes * ',')) | zeroBytes(x ^ (kOnes * ';')) |
                                zeroBytes(x ^ (kOnes * ' ')) | zeroBytes(x ^ (kOnes * '\t')) |
                                zeroBytes(x ^ (kOnes * '\n')) | zeroBytes(x ^ (kOnes * '\r'));
    if (stops != 0) return k + static_cast<std::size_t>(__builtin_ctzll(stops) >> 3);
  }
  while (k < len && classOf(b[k]) == kWordByte) ++k;
  return k;
}

// Field positions from which a line ends in free text, where blanks between
// words are part of the value.
std::uint32_t freeTextFrom(sxLineCode code) {
  switch (code) {
    case lcD:
    case lcES:
      return 3;
    case lcNK:
    case lcNS:
    case lcNU:
      return 2;
    case lcE:
      return 10;
    default:
      return UINT32_MAX;
  }
}

// Where the delimiters of the start of a line lie, sixteen bytes at a time:
// the common line (a word first, fields joined by commas without blanks, then
// ';' or the line end) is cut from these masks without a step per byte.
struct LineShape {
  static constexpr std::size_t kMostBytes = 256;  // longer lines take the byte path
  std::uint16_t commas[kMostBytes / 16];
  std::size_t stop = 0;  // the first ';' or line end, or the end of the bytes
  bool ok = false;       // no blank before stop, and stop found in reach
};

#if defined(__SSE2__)

// The n (< 16) bytes at p in the low bytes, zeros (word bytes) above them;
// nothing is read past them.
inline __m128i shortLoad(const char* p, std::size_t n) {
  std::uint64_t lo = 0, hi = 0;
  if (n >= 8) {
    std::memcpy(&lo, p, 8);
    if (n > 8) {
      std::memcpy(&hi, p + n - 8, 8);
      hi >>= 8 * (16 - n);
    }
  } else if (n >= 4) {
    std::uint32_t a, b;
    std::memcpy(&a, p, 4);
    std::memcpy(&b, p + n - 4, 4);
    // The overlapping bytes are the same in both.
    lo = a | (std::uint64_t{b} << (8 * (n - 4)));
  } else {
    for (std::size_t k = 0; k < n; ++k)
      lo |= std::uint64_t{static_cast<unsigned char>(p[k])} << (8 * k);
  }
  return _mm_set_epi64x(static_cast<long long>(hi), static_cast<long long>(lo));
}

inline void shapeOf(const char* b, std::size_t len, LineShape& shape) {
  const __m128i comma = _mm_set1_epi8(',');
  const __m128i semicolon = _mm_set1_epi8(';');
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const std::size_t reach = std::min(len, LineShape::kMostBytes);
  for (std::size_t at = 0, chunk = 0; at < reach; at += 16, ++chunk) {
    const std::size_t n = std::min<std::size_t>(16, reach - at);
    // A tail of a line of sixteen bytes or more is read as the last sixteen
    // bytes, its masks moved down to the tail's place.
    const bool overlap = n < 16 && reach >= 16;
    const __m128i x = n == 16   ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + at))
                      : overlap ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + reach - 16))
                                : shortLoad(b + at, n);
    const unsigned shift = overlap ? static_cast<unsigned>(16 - n) : 0;
    const unsigned valid = n == 16 ? 0xFFFFu : (1u << n) - 1;
    const auto maskOf = [&](__m128i m) {
      return (static_cast<unsigned>(_mm_movemask_epi8(m)) >> shift) & valid;
    };
    const unsigned stops = maskOf(_mm_or_si128(
        _mm_cmpeq_epi8(x, semicolon), _mm_or_si128(_mm_cmpeq_epi8(x, lf), _mm_cmpeq_epi8(x, cr))));
    const unsigned blanks = maskOf(_mm_or_si128(_mm_cmpeq_epi8(x, space), _mm_cmpeq_epi8(x, tab)));
    const unsigned commas = maskOf(_mm_cmpeq_epi8(x, comma));
    if (stops != 0) {
      const unsigned before = (stops & (0u - stops)) - 1;  // the bytes before the first stop
      if ((blanks & before) != 0) return;
      shape.commas[chunk] = static_cast<std::uint16_t>(commas & before);
      shape.stop = at + static_cast<std::size_t>(__builtin_ctz(stops));
      shape.ok = true;
      return;
    }
    if (blanks != 0) return;
    shape.commas[chunk] = static_cast<std::uint16_t>(commas);
  }
  if (len > reach) return;
  shape.stop = len;
  shape.ok = true;
}

#else

// Without the vector instructions every line takes the byte path.
inline void shapeOf(const char*, std::size_t, LineShape&) {}

#endif

}  // namespace

void sxLineParser::setNote(sxErrorNote* note) {
  note_ = note;
  if (note_ && !marker_) marker_ = std::make_shared<sxError>(0, 0, 0, AnsiString());
}

template <class... Args>
void sxLineParser::raise(counted_ptr<sxError>& error, const sxLine& line, std::uint8_t section,
                         std::uint8_t code, Args... args) {
  sxErrorNote local;
  sxErrorNote& note = note_ ? *note_ : local;
  note.take(code, args...);
  error = note_ ? marker_ : note.make(line.lineNumber, section);
}

sxLineCode sxLineParser::recognize(std::string_view ident) const {
  std::optional<sxLineCode> code;
  if (format_ == lcSWDE)
    code = swdeLineCodeOf(ident);
  else if (format_ == lcSWING)
    code = swingLineCodeOf(ident);
  return code ? *code : lcNone;
}

void sxLineParser::parse(std::string_view raw, sxLine& line, std::uint8_t section,
                         counted_ptr<sxError>& error) {
  // Carriage returns are dropped wherever they stand. Those before the line
  // feed go by shortening the view; only the rare line with one inside is
  // copied.
  std::string_view s = raw;
  while (carriageReturns_ && !s.empty() && s.back() == '\r') s.remove_suffix(1);
  if (const void* cr = carriageReturns_ ? std::memchr(s.data(), '\r', s.size()) : nullptr;
      cr != nullptr) {
    std::size_t from = static_cast<std::size_t>(static_cast<const char*>(cr) - s.data());
    stripped_.assign(s.data(), from);
    for (++from; from < s.size(); ++from)
      if (s[from] != '\r') stripped_.push_back(s[from]);
    s = stripped_;
  }
  if (s.size() <= kMaxLineLength) {
    cutLine(s, line, section, error);
    return;
  }
  parseLong(s, line, section, error);
}

std::size_t sxLineParser::parseToLineFeed(std::string_view run, sxLine& line, std::uint8_t section,
                                          counted_ptr<sxError>& error) {
  const std::size_t length = cutLine(run, line, section, error);
  if (length > kMaxLineLength) {
    // Cut again, with the rule of a longer line.
    line.reset(lcNone, line.lineNumber);
    error.reset();
    parseLong(run.substr(0, length), line, section, error);
  }
  return length;
}

void sxLineParser::parseLong(std::string_view s, sxLine& line, std::uint8_t section,
                             counted_ptr<sxError>& error) {
  // A longer line keeps its words, blank runs and delimiters while they fit
  // whole: the run that crosses the limit and everything after it are cut.
  std::size_t cut = kMaxLineLength;
  const std::uint8_t across = classOf(s[cut]);
  if ((across == kWordByte || across == kBlankByte) && classOf(s[cut - 1]) == across)
    while (cut > 0 && classOf(s[cut - 1]) == across) --cut;
  cutLine(s.substr(0, cut), line, section, error);
  if (error) return;
  // The error of the length stops the line where it stood: what was kept of
  // a line without a word is no empty line, and the field being read when
  // the limit came is not ended.
  if (line.code == lcEmpty)
    line.code = lcNone;
  else if (!line.hasSemicolon)
    line.dropLastField();
  raise(error, line, section, ecLineTooLong);
}

std::size_t sxLineParser::cutLine(std::string_view from, sxLine& line, std::uint8_t section,
                                  counted_ptr<sxError>& error) {
  // The line keeps its bytes, or borrows them; the fields are views of them.
  std::string_view s = from;
  if (keepText_) {
    line.text = from;
    s = line.text;
  } else {
    line.borrow(from);
  }
  const char* const b = s.data();
  const std::size_t len = s.size();
  // Where the line ends, found from k on when the cutting stops early.
  auto endFrom = [&](std::size_t k) {
    while (k < len && classOf(b[k]) != kLineFeedByte) ++k;
    return k;
  };

  if (len > 0 && classOf(b[0]) == kWordByte) {
    LineShape shape;
    shapeOf(b, len, shape);
    if (shape.ok) {
      const std::size_t chunks = (shape.stop + 15) / 16;
      std::size_t identEnd = shape.stop;
      for (std::size_t c = 0; c < chunks; ++c)
        if (shape.commas[c] != 0) {
          identEnd = c * 16 + static_cast<std::size_t>(__builtin_ctz(shape.commas[c]));
          break;
        }
      const std::string_view ident = s.substr(0, identEnd);
      const sxLineCode code = recognize(ident);
      // An unknown identifier takes the byte path, which reports it.
      if (code != lcNone) {
        line.code = code;
        if (keepText_) line.ident = ident;
        std::size_t fieldStart = 0;
        for (std::size_t c = 0; c < chunks; ++c)
          for (unsigned m = shape.commas[c]; m != 0; m &= m - 1) {
            const std::size_t k = c * 16 + static_cast<std::size_t>(__builtin_ctz(m));
            line.addViewField(s.substr(fieldStart, k - fieldStart));
            fieldStart = k + 1;
          }
        const std::size_t k = shape.stop;
        line.addViewField(s.substr(fieldStart, k - fieldStart));
        if (k < len && b[k] == ';') {
          // The rest of the line is the comment.
          line.hasSemicolon = 1;
          const std::size_t end = endFrom(k + 1);
          if (k + 1 < end) line.comment = s.substr(k + 1, end - k - 1);
          return end;
        }
        return k;
      }
    }
  }

  std::size_t i = 0;
  while (i < len && classOf(b[i]) == kBlankByte) ++i;
  if (i == len || classOf(b[i]) == kLineFeedByte) {
    // Blanks only, or nothing at all: an empty line.
    line.code = lcEmpty;
    return i;
  }
  if (classOf(b[i]) != kWordByte) {
    line.code = lcNone;
    raise(error, line, section, ecNoLineIdent);
    return endFrom(i);
  }
  std::size_t k = wordEnd(b, i, len);
  const std::string_view ident = s.substr(i, k - i);
  const sxLineCode code = recognize(ident);
  line.code = code;
  if (keepText_) line.ident = ident;
  if (code == lcNone) {
    raise(error, line, section, ecUnknownLineType, ident);
    return endFrom(k);
  }

  const std::uint32_t freeFrom = freeTextFrom(code);
  std::size_t fieldStart = i;
  bool wordInField = true;  // the current field holds a word
  while (k < len) {
    const std::uint8_t c = classOf(b[k]);
    if (c == kWordByte) {
      wordInField = true;
      k = wordEnd(b, k + 1, len);
    } else if (c == kCommaByte) {
      line.addViewField(s.substr(fieldStart, k - fieldStart));
      fieldStart = ++k;
      wordInField = false;
    } else if (c == kSemicolonByte) {
      // The rest of the line is the comment.
      line.addViewField(s.substr(fieldStart, k - fieldStart));
      line.hasSemicolon = 1;
      const std::size_t end = endFrom(k + 1);
      if (k + 1 < end) line.comment = s.substr(k + 1, end - k - 1);
      return end;
    } else if (c == kLineFeedByte) {
      break;
    } else {
      // A word after a blank run that follows a word of the same field:
      // a field separator forgotten, unless the field is free text.
      std::size_t j = k + 1;
      while (j < len && classOf(b[j]) == kBlankByte) ++j;
      if (wordInField && j < len && classOf(b[j]) == kWordByte && line.getFieldCount() < freeFrom) {
        raise(error, line, section, ecFieldSeparator, unsigned{line.getFieldCount() + 1});
        return endFrom(j);
      }
      k = j;
    }
  }
  line.addViewField(s.substr(fieldStart, k - fieldStart));
  return k;
}

}  // namespace swde
