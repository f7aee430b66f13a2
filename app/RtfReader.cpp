#include "app/RtfReader.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/CodePage.h"

namespace swde {

namespace {

// Soft line break inside a paragraph (\line): Qt's line separator, so that
// a document builder needs no translation.
constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kNoBreakSpace = 0x00A0;
constexpr char16_t kNoBreakHyphen = 0x2011;
constexpr char16_t kReplacement = 0xFFFD;
constexpr int kDefaultHalfPoints = 24;

struct CharFormat {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int halfPoints = kDefaultHalfPoints;
};

// What a group saves and its closing brace restores.
struct GroupState {
  CharFormat format;
  RtfAlignment alignment = RtfAlignment::Left;
  bool inTable = false;  // \intbl: paragraphs go into the current cell
  int uc = 1;            // stand-ins that follow each \uN
  bool skip = false;     // a destination whose text is not shown
};

bool isLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
int hexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
bool isTrailingSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

// Destinations skipped with the rest of their group.
bool isSkippedDestination(std::string_view word) {
  static constexpr std::string_view kWords[] = {
      "fonttbl", "colortbl", "stylesheet", "info",   "pict",    "object",  "header",
      "headerl", "headerr",  "headerf",    "footer", "footerl", "footerr", "footerf",
  };
  return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

class Parser {
 public:
  Parser(std::string_view in, RtfParseResult& result) : in_(in), result_(result) {}

  void run() {
    stack_.reserve(32);
    while (pos_ < in_.size()) {
      const auto c = static_cast<unsigned char>(in_[pos_]);
      if (c == '{') {
        ++pos_;
        if (stack_.size() >= static_cast<std::size_t>(kRtfMaxDepth)) {
          fail("grupy zagnieżdżone głębiej niż " + std::to_string(kRtfMaxDepth) + " poziomów");
          return;
        }
        stack_.push_back(state_);
        skipChars_ = 0;
      } else if (c == '}') {
        ++pos_;
        if (stack_.empty()) {
          result_.strayClose = true;
          continue;
        }
        state_ = stack_.back();
        stack_.pop_back();
        skipChars_ = 0;
        if (stack_.empty()) {
          // The document's own group is closed: what follows is not read.
          for (; pos_ < in_.size(); ++pos_)
            if (!isTrailingSpace(static_cast<unsigned char>(in_[pos_]))) result_.strayClose = true;
          break;
        }
      } else if (c == '\\') {
        if (!control()) return;
      } else if (c == '\r' || c == '\n') {
        ++pos_;
      } else {
        ++pos_;
        text(static_cast<char16_t>(plat::cp1250ToUnicode(c)));
      }
    }
    result_.truncated = !stack_.empty();
    finish();
  }

 private:
  void fail(std::string reason) {
    result_.status = RtfStatus::Error;
    result_.reason = std::move(reason);
    finish();
  }

  // A control word or symbol at pos_; false after a refusal.
  bool control() {
    ++pos_;  // the backslash
    if (pos_ >= in_.size()) return true;
    const auto c = static_cast<unsigned char>(in_[pos_]);
    if (!isLetter(c)) {
      ++pos_;
      symbol(c);
      return true;
    }
    const std::size_t start = pos_;
    while (pos_ < in_.size() && isLetter(static_cast<unsigned char>(in_[pos_]))) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);
    bool hasParam = false;
    std::int64_t param = 0;
    if (pos_ < in_.size()) {
      const bool negative = in_[pos_] == '-' && pos_ + 1 < in_.size() &&
                            isDigit(static_cast<unsigned char>(in_[pos_ + 1]));
      if (negative || isDigit(static_cast<unsigned char>(in_[pos_]))) {
        hasParam = true;
        if (negative) ++pos_;
        const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
        while (pos_ < in_.size() && isDigit(static_cast<unsigned char>(in_[pos_]))) {
          param = param * 10 + (in_[pos_] - '0');
          ++pos_;
          if (param > limit) {
            fail("parametr słowa sterującego \\" + std::string(word.substr(0, 32)) +
                 " poza zakresem 32 bitów");
            return false;
          }
        }
        if (negative) param = -param;
      }
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;  // the delimiter belongs to the word
    word_(word, hasParam, static_cast<std::int32_t>(param));
    return true;
  }

  void symbol(unsigned char c) {
    switch (c) {
      case '\\':
      case '{':
      case '}':
        text(c);
        break;
      case '~':
        text(kNoBreakSpace);
        break;
      case '_':
        text(kNoBreakHyphen);
        break;
      case '\'': {
        int value = 0;
        int digits = 0;
        while (digits < 2 && pos_ < in_.size()) {
          const int h = hexValue(static_cast<unsigned char>(in_[pos_]));
          if (h < 0) break;
          value = value * 16 + h;
          ++digits;
          ++pos_;
        }
        if (digits == 2) text(static_cast<char16_t>(plat::cp1250ToUnicode(value)));
        break;
      }
      case '*':
        state_.skip = true;
        break;
      case '\r':
      case '\n':  // an escaped line end is a paragraph mark
        if (!state_.skip && !standIn()) endParagraph();
        break;
      default:  // \- (an optional hyphen) and the symbols outside the subset
        standIn();
        break;
    }
  }

  void word_(std::string_view w, bool hasParam, std::int32_t param) {
    if (w == "bin") {
      // Raw bytes follow; they may hold braces and backslashes.
      const std::size_t n = hasParam && param > 0 ? static_cast<std::size_t>(param) : 0;
      pos_ += std::min(n, in_.size() - pos_);
      return;
    }
    if (state_.skip) return;
    if (w == "u") {
      if (standIn()) return;
      std::int64_t unit = hasParam ? param : 0;
      if (unit < 0) unit += 65536;
      if (unit != 0) text(unit > 0 && unit <= 0xFFFF ? static_cast<char16_t>(unit) : kReplacement);
      skipChars_ = state_.uc;
      return;
    }
    if (standIn()) return;
    if (isSkippedDestination(w)) {
      state_.skip = true;
    } else if (w == "par") {
      endParagraph();
    } else if (w == "line") {
      text(kLineSeparator);
    } else if (w == "tab") {
      text(u'\t');
    } else if (w == "uc") {
      state_.uc = std::max(0, hasParam ? param : 1);
    } else if (w == "pard") {
      state_.alignment = RtfAlignment::Left;
      state_.inTable = false;
    } else if (w == "plain") {
      state_.format = CharFormat{};
    } else if (w == "b") {
      state_.format.bold = !hasParam || param != 0;
    } else if (w == "i") {
      state_.format.italic = !hasParam || param != 0;
    } else if (w == "ul") {
      state_.format.underline = !hasParam || param != 0;
    } else if (w == "ulnone") {
      state_.format.underline = false;
    } else if (w == "fs") {
      state_.format.halfPoints = hasParam && param > 0 ? param : kDefaultHalfPoints;
    } else if (w == "ql") {
      state_.alignment = RtfAlignment::Left;
    } else if (w == "qc") {
      state_.alignment = RtfAlignment::Centre;
    } else if (w == "qr") {
      state_.alignment = RtfAlignment::Right;
    } else if (w == "qj") {
      state_.alignment = RtfAlignment::Justify;
    } else if (w == "intbl" || w == "trowd") {
      state_.inTable = true;
    } else if (w == "cell") {
      endCell();
    } else if (w == "row") {
      endRow();
    }
  }

  // Swallows one stand-in of a \uN: true when this character or control
  // was one.
  bool standIn() {
    if (skipChars_ <= 0) return false;
    --skipChars_;
    return true;
  }

  void text(char16_t ch) {
    if (state_.skip || standIn()) return;
    auto& runs = para_.runs;
    if (runs.empty() || !sameFormat(runs.back(), state_.format)) {
      RtfRun run;
      run.bold = state_.format.bold;
      run.italic = state_.format.italic;
      run.underline = state_.format.underline;
      run.halfPoints = state_.format.halfPoints;
      runs.push_back(std::move(run));
    }
    runs.back().text += ch;
  }

  static bool sameFormat(const RtfRun& r, const CharFormat& f) {
    return r.bold == f.bold && r.italic == f.italic && r.underline == f.underline &&
           r.halfPoints == f.halfPoints;
  }

  RtfParagraph takeParagraph() {
    RtfParagraph p = std::move(para_);
    p.alignment = state_.alignment;
    para_ = RtfParagraph{};
    return p;
  }

  void endParagraph() {
    if (state_.inTable) {
      cell_.paragraphs.push_back(takeParagraph());
      return;
    }
    flushRow();
    auto& blocks = result_.document.blocks;
    blocks.emplace_back();
    blocks.back().paragraph = takeParagraph();
    tableOpen_ = false;
  }

  void endCell() {
    cell_.paragraphs.push_back(takeParagraph());
    row_.cells.push_back(std::move(cell_));
    cell_ = RtfCell{};
    state_.inTable = true;
  }

  void endRow() {
    if (!cell_.paragraphs.empty() || !para_.runs.empty()) endCell();
    flushRow();
  }

  // The row read so far into the table being built (a new one after a
  // paragraph of the body).
  void flushRow() {
    if (!cell_.paragraphs.empty()) {
      row_.cells.push_back(std::move(cell_));
      cell_ = RtfCell{};
    }
    if (row_.cells.empty()) return;
    auto& blocks = result_.document.blocks;
    if (!tableOpen_) {
      blocks.emplace_back();
      blocks.back().kind = RtfBlock::Kind::Table;
      tableOpen_ = true;
    }
    blocks.back().table.rows.push_back(std::move(row_));
    row_ = RtfRow{};
  }

  // What was read after the last paragraph mark: a paragraph of its own (or
  // the last cell of a row cut short).
  void finish() {
    if (!para_.runs.empty()) {
      if (state_.inTable || !row_.cells.empty() || !cell_.paragraphs.empty())
        endCell();
      else
        endParagraph();
    }
    flushRow();
  }

  std::string_view in_;
  RtfParseResult& result_;
  std::size_t pos_ = 0;
  std::vector<GroupState> stack_;
  GroupState state_;
  int skipChars_ = 0;
  RtfParagraph para_;
  RtfCell cell_;
  RtfRow row_;
  bool tableOpen_ = false;
};

}  // namespace

std::u16string RtfParagraph::text() const {
  std::u16string t;
  for (const auto& r : runs) t += r.text;
  return t;
}

int RtfTable::columns() const {
  std::size_t n = 0;
  for (const auto& r : rows) n = std::max(n, r.cells.size());
  return static_cast<int>(n);
}

RtfParseResult parseRtf(std::string_view bytes) {
  RtfParseResult result;
  if (bytes.substr(0, 5) != "{\\rtf") {
    result.status = RtfStatus::NotRtf;
    result.reason = "plik nie zaczyna się od {\\rtf";
    return result;
  }
  Parser(bytes, result).run();
  return result;
}

namespace {

void appendParagraph(std::u16string& out, const RtfParagraph& p) {
  for (const auto& r : p.runs)
    for (char16_t ch : r.text) out += ch == kLineSeparator ? u'\n' : ch;
}

}  // namespace

std::string rtfPlainTextUtf8(std::string_view bytes) {
  const RtfParseResult r = parseRtf(bytes);
  std::u16string out;
  for (const auto& block : r.document.blocks) {
    if (block.kind == RtfBlock::Kind::Paragraph) {
      appendParagraph(out, block.paragraph);
      out += u'\n';
      continue;
    }
    for (const auto& row : block.table.rows) {
      for (const auto& cell : row.cells) {
        for (std::size_t i = 0; i < cell.paragraphs.size(); ++i) {
          if (i > 0) out += u'\n';
          appendParagraph(out, cell.paragraphs[i]);
        }
        out += u'\t';
      }
      out += u'\n';
    }
  }
  return plat::utf16ToUtf8(out);
}

bool rtfBalanced(std::string_view bytes) {
  const RtfParseResult r = parseRtf(bytes);
  return r.status == RtfStatus::Ok && !r.truncated && !r.strayClose;
}

}  // namespace swde
