#include "syntax/Sxanalyzer.h"

#include <charconv>

#include "syntax/Sxstatemachine.h"

namespace swde {
namespace {

bool allDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
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
  const AnsiString text = tokenizer_->getAllToEOL(kMaxLineLength);
  if (recognizeFormat(text) == 0) {
    err = createError(ecUnknownFormat);
    return nullptr;
  }
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

counted_ptr<sxLine> sxAnalyzer::getNewLine(counted_ptr<sxError>& err) {
  if (format_ == 0 || !tokenizer_) return nullptr;
  if (tokenizer_->isEof()) return finished_ ? nullptr : finishLine(err);

  const std::uint64_t position = tokenizer_->getPosition();
  const std::uint64_t lineNumber = tokenizer_->getLineCounter();
  counted_ptr<sxLine> line;
  counted_ptr<sxError> error;
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
        if (!line) line = std::make_shared<sxLine>(lcNone, lineNumber);
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
        line = std::make_shared<sxLine>(code, lineNumber);
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
        line = std::make_shared<sxLine>(lcNone, lineNumber);
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
    if (kind == tkNone) return finished_ ? nullptr : finishLine(err);
    // A line with blanks only, or nothing at all, is an empty line.
    line = std::make_shared<sxLine>(lcEmpty, lineNumber);
  } else if (!error && !sawSemicolon &&
             (sawComma || (line->code != lcNone && line->code != lcEmpty))) {
    line->addField(std::move(fieldText));
  }
  line->text = std::move(text);
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
    const auto kindOf = eventKindOf(line->code);
    context_->setEventKind(line->code == lcNone || !kindOf ? ekNone : *kindOf);
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
