#include "syntax/Sxlineparser.h"

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
