#include "syntax/Sxanalyzer.h"

#include <atomic>
#include <charconv>
#include <cstring>

#include "syntax/Sxstatemachine.h"

namespace swde {
namespace {

bool allDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Classes of the bytes of a line, as the tokenizer sees them once carriage
// returns are gone.
enum : std::uint8_t { kWordByte = 0, kBlankByte = 1, kCommaByte = 2, kSemicolonByte = 3 };

struct ByteClasses {
  std::uint8_t of[256];
  constexpr ByteClasses() : of() {
    of[static_cast<unsigned char>(' ')] = kBlankByte;
    of[static_cast<unsigned char>('\t')] = kBlankByte;
    of[static_cast<unsigned char>(',')] = kCommaByte;
    of[static_cast<unsigned char>(';')] = kSemicolonByte;
  }
};
constexpr ByteClasses kByteClass;

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

sxAnalyzer::sxAnalyzer(sxTokenizer* tokenizer)
    : tokenizer_(tokenizer),
      validator_(std::make_unique<sxLineValidator>()),
      context_(std::make_unique<sxContext>()) {
  sxStateMachine::loadMachine();
  if (tokenizer_) tokenizer_->setTokenLimit(kMaxLineLength + 1);
}

sxAnalyzer::~sxAnalyzer() = default;

counted_ptr<sxError> sxAnalyzer::createError(sxErrorCode code) const {
  return std::make_shared<sxError>(tokenizer_ ? tokenizer_->getLineCounter() : 0,
                                   context_->getSection(), code, nullptr, 0);
}

counted_ptr<sxError> sxAnalyzer::createError(sxErrorCode code, const TVarRec* args,
                                             int argsHigh) const {
  return std::make_shared<sxError>(tokenizer_ ? tokenizer_->getLineCounter() : 0,
                                   context_->getSection(), code, args, argsHigh);
}

std::uint8_t sxAnalyzer::recognizeFormat(const AnsiString& header) {
  format_ = 0;
  const std::string_view h(header);
  const std::size_t d1 = h.find('.');
  if (d1 == std::string_view::npos) return 0;
  const std::string_view kind = h.substr(0, d1);
  std::uint8_t format = kind == "SWDE" ? lcSWDE : kind == "SWING" ? lcSWING : 0;
  if (format == 0) return 0;
  const std::size_t d2 = h.find('.', d1 + 1);
  if (d2 == std::string_view::npos) return 0;
  const std::string_view w = h.substr(d1 + 1, d2 - d1 - 1);
  if (w != "W" && w != "w") return 0;
  const std::size_t d3 = h.find('.', d2 + 1);
  if (d3 == std::string_view::npos) return 0;
  const std::string_view major = h.substr(d2 + 1, d3 - d2 - 1);
  const std::size_t d4 = h.find('.', d3 + 1);
  if (d4 == std::string_view::npos) return 0;
  const std::string_view minor = h.substr(d3 + 1, d4 - d3 - 1);
  if (!allDigits(major) || !allDigits(minor)) return 0;
  if (h.find(';', d4 + 1) == std::string_view::npos) return 0;

  const std::string number = std::string(major) + "." + std::string(minor);
  double version = 0;
  std::from_chars(number.data(), number.data() + number.size(), version);
  format_ = format;
  version_ = version;
  return format_;
}

sxLineCode sxAnalyzer::recognizeLine(std::string_view ident) const {
  std::optional<sxLineCode> code;
  if (format_ == lcSWDE)
    code = swdeLineCodeOf(ident);
  else if (format_ == lcSWING)
    code = swingLineCodeOf(ident);
  return code ? *code : lcNone;
}

AnsiString sxAnalyzer::getLineIdentStr(sxLineCode code) const {
  const auto ident = identOf(code);
  return ident ? AnsiString(*ident) : AnsiString();
}

counted_ptr<sxLine> sxAnalyzer::getFileHeader(counted_ptr<sxError>& err) {
  if (!tokenizer_) return nullptr;
  const std::uint64_t position = tokenizer_->getPosition();
  // The verdict rests on the first kMaxLineLength bytes of the line: a file
  // that is no data file is refused without reading on through a first line
  // of any length.
  const AnsiString text = tokenizer_->getLineHead(kMaxLineLength);
  if (recognizeFormat(text) == 0) {
    err = createError(ecUnknownFormat);
    return nullptr;
  }
  // A longer header line: the rest of it is read past, unkept.
  tokenizer_->getAllToEOL(0);
  auto line = std::make_shared<sxLine>(static_cast<sxLineCode>(format_),
                                       tokenizer_->getLineCounter(), text);
  line->position = position;
  line->syntaxOk = 1;
  line->hasSemicolon = 1;
  const std::size_t semi = text.find(';');
  if (semi == AnsiString::npos) {
    line->addField(text);
  } else {
    if (semi > 0) line->addField(text.substr(0, semi));
    if (semi + 1 < text.size()) line->comment = text.substr(semi + 1);
  }
  context_->update(line, err);
  if (!err) line->contextOk = 1;
  validator_->format = format_;
  tokenizer_->getToken();
  return line;
}

counted_ptr<sxLine> sxAnalyzer::finishLine(counted_ptr<sxError>& err) {
  finished_ = true;
  counted_ptr<sxError> finishErr;
  context_->finish(finishErr);
  if (!finishErr) return nullptr;
  err = finishErr;
  auto line = std::make_shared<sxLine>(lcEmpty, tokenizer_->getLineCounter());
  line->position = tokenizer_->getPosition();
  line->syntaxOk = 1;
  context_->setEventKind(ekFreeLine);
  return line;
}

bool sxAnalyzer::readTokens(std::uint64_t lineNumber, counted_ptr<sxLine>& line,
                            counted_ptr<sxError>& error) {
  AnsiString text;
  AnsiString fieldText;
  bool sawComma = false;
  bool sawSemicolon = false;
  bool inComment = false;
  bool wordInField = false;     // the current field holds a word
  bool blankAfterWord = false;  // ... followed by a blank run
  bool tooLong = false;
  std::uint8_t kind = tkNone;

  // Appends a token to the line text, keeping at most the line limit.
  auto keep = [&](const AnsiString& t) {
    if (tooLong) return;
    if (text.size() + t.size() > kMaxLineLength) {
      tooLong = true;
      if (!error) {
        error = createError(ecLineTooLong);
        if (!line) line = newLine(lcNone, lineNumber);
      }
      return;
    }
    text += t;
  };

  for (;;) {
    kind = tokenizer_->getToken();
    if (kind == tkNone) break;
    const AnsiString& tok = tokenizer_->getTokenText();
    const bool word = kind == tkWord || (kind == tkEof && !tok.empty());
    if (kind == tkLineFeed) break;
    if (kind == tkEof && !word) break;
    keep(tok);

    if (error) {
      // The rest of the line is read to its end.
    } else if (inComment) {
      if (!tooLong) line->comment += tok;
    } else if (word) {
      if (!line) {
        const sxLineCode code = recognizeLine(tok);
        line = newLine(code, lineNumber);
        line->ident = tok;
        fieldText = tok;
        wordInField = true;
        if (code == lcNone) {
          const TVarRec args[] = {TVarRec(tok)};
          error = createError(ecUnknownLineType, args, 0);
        }
      } else {
        if (blankAfterWord && line->getFieldCount() < freeTextFrom(line->code)) {
          const TVarRec args[] = {TVarRec(line->getFieldCount() + 1)};
          error = createError(ecFieldSeparator, args, 0);
        }
        fieldText += tok;
        wordInField = true;
        blankAfterWord = false;
      }
    } else if (kind == tkBlank) {
      if (line) {
        fieldText += tok;
        if (wordInField) blankAfterWord = true;
      }
    } else if (kind == tkFieldSep || kind == tkLineEnd) {
      if (!line) {
        error = createError(ecNoLineIdent);
        line = newLine(lcNone, lineNumber);
      } else {
        line->addField(std::move(fieldText));
        fieldText.clear();
        wordInField = blankAfterWord = false;
        if (kind == tkFieldSep) {
          sawComma = true;
        } else {
          sawSemicolon = true;
          line->hasSemicolon = 1;
          inComment = true;
        }
      }
    }
    if (kind == tkEof) break;
  }

  if (!line) {
    // No data where a line was expected: the end, as at the end of the file.
    if (kind == tkNone) return false;
    // A line with blanks only, or nothing at all, is an empty line.
    line = newLine(lcEmpty, lineNumber);
  } else if (!error && !sawSemicolon &&
             (sawComma || (line->code != lcNone && line->code != lcEmpty))) {
    line->addField(std::move(fieldText));
  }
  line->text = std::move(text);
  return true;
}

void sxAnalyzer::parseLine(std::string_view raw, std::uint64_t lineNumber,
                           counted_ptr<sxLine>& line, counted_ptr<sxError>& error) {
  // The tokenizer drops carriage returns wherever they stand.
  // Those before the line feed go by shortening the view; only the rare line
  // with one inside is copied.
  std::string_view s = raw;
  while (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  if (const void* cr = std::memchr(s.data(), '\r', s.size()); cr != nullptr) {
    std::size_t from = static_cast<std::size_t>(static_cast<const char*>(cr) - s.data());
    stripped_.assign(s.data(), from);
    for (++from; from < s.size(); ++from)
      if (s[from] != '\r') stripped_.push_back(s[from]);
    s = stripped_;
  }
  const char* const b = s.data();
  const std::size_t len = s.size();

  std::size_t i = 0;
  while (i < len && kByteClass.of[static_cast<unsigned char>(b[i])] == kBlankByte) ++i;
  if (i == len) {
    // Blanks only, or nothing at all: an empty line.
    line = newLine(lcEmpty, lineNumber);
    line->text = s;
    return;
  }
  if (kByteClass.of[static_cast<unsigned char>(b[i])] != kWordByte) {
    error = createError(ecNoLineIdent);
    line = newLine(lcNone, lineNumber);
    line->text = s;
    return;
  }
  std::size_t k = i;
  while (k < len && kByteClass.of[static_cast<unsigned char>(b[k])] == kWordByte) ++k;
  const std::string_view ident = s.substr(i, k - i);
  const sxLineCode code = recognizeLine(ident);
  line = newLine(code, lineNumber);
  line->ident = ident;
  line->text = s;
  if (code == lcNone) {
    const TVarRec args[] = {TVarRec(ident)};
    error = createError(ecUnknownLineType, args, 0);
    return;
  }

  const std::uint32_t freeFrom = freeTextFrom(code);
  std::size_t fieldStart = i;
  bool blankAfterWord = false;  // the current field holds a word and a blank run after it
  bool wordInField = true;
  while (k < len) {
    switch (kByteClass.of[static_cast<unsigned char>(b[k])]) {
      case kWordByte:
        if (blankAfterWord && line->getFieldCount() < freeFrom) {
          const TVarRec args[] = {TVarRec(line->getFieldCount() + 1)};
          error = createError(ecFieldSeparator, args, 0);
          return;
        }
        wordInField = true;
        blankAfterWord = false;
        ++k;
        while (k < len && kByteClass.of[static_cast<unsigned char>(b[k])] == kWordByte) ++k;
        break;
      case kBlankByte:
        if (wordInField) blankAfterWord = true;
        ++k;
        break;
      case kCommaByte:
        line->addField(AnsiString(s.substr(fieldStart, k - fieldStart)));
        fieldStart = ++k;
        wordInField = blankAfterWord = false;
        break;
      default:  // ';': the rest of the line is the comment
        line->addField(AnsiString(s.substr(fieldStart, k - fieldStart)));
        line->hasSemicolon = 1;
        line->comment = s.substr(k + 1);
        return;
    }
  }
  line->addField(AnsiString(s.substr(fieldStart)));
}

counted_ptr<sxLine> sxAnalyzer::newLine(sxLineCode code, std::uint64_t lineNumber) {
  // The record of the previous line is used again once nobody else holds it.
  if (spare_ && spare_.use_count() == 1) {
    std::atomic_thread_fence(std::memory_order_acquire);
    spare_->reset(code, lineNumber);
    return spare_;
  }
  spare_ = std::make_shared<sxLine>(code, lineNumber);
  return spare_;
}

counted_ptr<sxLine> sxAnalyzer::getNewLine(counted_ptr<sxError>& err) {
  if (format_ == 0 || !tokenizer_) return nullptr;
  if (tokenizer_->isEof()) return finished_ ? nullptr : finishLine(err);

  const std::uint64_t position = tokenizer_->getPosition();
  const std::uint64_t lineNumber = tokenizer_->getLineCounter();
  counted_ptr<sxLine> line;
  counted_ptr<sxError> error;
  const unsigned char* raw = nullptr;
  std::size_t rawLength = 0;
  // A line that the stream's buffer holds whole is cut in memory; any other
  // (one that runs past the buffer, the last one without a line feed) is
  // read token by token. Both give the same record.
  if (tokenizer_->peekLine(raw, rawLength) && rawLength <= kMaxLineLength) {
    parseLine(std::string_view(reinterpret_cast<const char*>(raw), rawLength), lineNumber, line,
              error);
    tokenizer_->takeLine(rawLength);
  } else if (!readTokens(lineNumber, line, error)) {
    return finished_ ? nullptr : finishLine(err);
  }
  line->position = position;
  line->lineNumber = lineNumber;

  // The token-level error, if any, stops the later steps; the context and
  // the validator run only while no error is held.
  const bool tokenError = static_cast<bool>(error);
  bool contextOk = false;
  bool validatorError = false;
  if (!tokenError) {
    context_->update(line, error);
    contextOk = !error;
  } else {
    context_->setEventKind(eventKindOf(line->code).value_or(ekNone));
  }
  validator_->section = context_->getSection();
  if (!error) {
    validator_->validate(line, error);
    validatorError = static_cast<bool>(error);
    if (validator_->complexRecord) context_->setComplexRecord(true);
  }
  line->syntaxOk = !tokenError && !validatorError ? 1 : 0;
  line->contextOk = contextOk ? 1 : 0;

  // At the end of the data, an empty last line carries the end-of-file check;
  // any other last line leaves it to the next call, so that its own error
  // and that of the end of the file are both reported.
  if (tokenizer_->isEof() && !error && line->code == lcEmpty && !finished_) {
    finished_ = true;
    context_->finish(error);
    if (error) line->contextOk = 0;
  }
  err = error;
  return line;
}

}  // namespace swde
