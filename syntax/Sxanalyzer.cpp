#include "syntax/Sxanalyzer.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "syntax/Sxblockchecker.h"
#include "syntax/Sxstatemachine.h"

namespace swde {
namespace {

bool allDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

constexpr std::size_t kDefaultBlockSize = 128 * 1024;
constexpr unsigned kMostThreads = 16;

std::atomic<unsigned> gBlockThreads{0};
std::atomic<std::size_t> gBlockSize{0};

}  // namespace

void sxAnalyzer::setBlockParameters(unsigned threads, std::size_t blockSize) noexcept {
  gBlockThreads.store(threads);
  gBlockSize.store(blockSize);
}

unsigned sxAnalyzer::blockThreads() noexcept {
  if (const unsigned set = gBlockThreads.load(); set != 0) return set;
  if (const char* env = std::getenv("OLVEN_THREADS"); env != nullptr && *env != '\0') {
    unsigned n = 0;
    const char* const e = env + std::strlen(env);
    const auto r = std::from_chars(env, e, n);
    if (r.ec == std::errc() && r.ptr == e && n >= 1) return std::min(n, kMostThreads);
  }
  // One core is left to the pass that puts the lines in order.
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(cores > 1 ? cores - 1 : 1u, 1u, kMostThreads);
}

sxAnalyzer::sxAnalyzer(sxTokenizer* tokenizer)
    : tokenizer_(tokenizer),
      validator_(std::make_unique<sxLineValidator>()),
      context_(std::make_unique<sxContext>()),
      probe_(std::make_shared<sxLine>(lcNone, 0)) {
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
  return sxLineParser(format_).recognize(ident);
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
  parser_.setFormat(format_);
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
  return getNewLine(err, nullptr);
}

counted_ptr<sxLine> sxAnalyzer::getNewLine(counted_ptr<sxError>& err, counted_ptr<sxLine> into) {
  if (format_ == 0 || !tokenizer_) return nullptr;
  if (tokenizer_->isEof()) return finished_ ? nullptr : finishLine(err);

  const std::uint64_t position = tokenizer_->getPosition();
  const std::uint64_t lineNumber = tokenizer_->getLineCounter();
  counted_ptr<sxLine> line;
  if (into) {
    into->reset(lcNone, lineNumber);
    line = std::move(into);
  } else {
    line = newLine(lcNone, lineNumber);
  }
  counted_ptr<sxError> error;
  const unsigned char* raw = nullptr;
  std::size_t rawLength = 0;
  // A line that the stream's buffer holds whole is cut where it lies; any
  // other (one that runs past the buffer, the last one without a line feed)
  // is gathered first. One grammar cuts both.
  if (tokenizer_->peekLine(raw, rawLength)) {
    parser_.parse(std::string_view(reinterpret_cast<const char*>(raw), rawLength), *line,
                  context_->getSection(), error);
    tokenizer_->takeLine(rawLength);
  } else {
    bool more = false;
    if (tokenizer_->gatherLine(gathered_, kMaxLineLength + 1, more) == tkNone)
      return finished_ ? nullptr : finishLine(err);
    parser_.parse(gathered_, *line, context_->getSection(), error);
  }
  line->position = position;
  settleLine(line, error);
  err = error;
  return line;
}

void sxAnalyzer::settleLine(const counted_ptr<sxLine>& line, counted_ptr<sxError>& error) {
  // The cutting error, if any, stops the later steps; the context and the
  // validator run only while no error is held.
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
}

bool sxAnalyzer::getLineBlock(sxLineBlock& block) {
  block.clear();
  if (format_ == 0 || !tokenizer_) return false;
  if (failure_) std::rethrow_exception(failure_);
  if (!blocksStarted_) {
    blocksStarted_ = true;
    nextLine_ = tokenizer_->getLineCounter();
    blockPosition_ = tokenizer_->getPosition();
    if (!tokenizer_->isEof() && tokenizer_->getStream())
      blocks_ = std::make_unique<sxBlockChecker>(
          *tokenizer_->getStream(), blockPosition_, format_,
          threadLimit_ != 0 ? std::min(threadLimit_, blockThreads()) : blockThreads(),
          gBlockSize.load() != 0 ? gBlockSize.load() : kDefaultBlockSize);
  }
  for (;;) {
    if (!blocks_) {
      // Every line was read: the end-of-file check, on a line of its own
      // when it finds an error.
      if (finished_) return false;
      finished_ = true;
      counted_ptr<sxError> error;
      context_->finish(error);
      if (!error) return false;
      context_->setEventKind(ekFreeLine);
      block.codes.push_back(lcEmpty);
      ++block.codeCounts[lcEmpty];
      block.findings.push_back({0, context_->getSection(), blockPosition_, std::move(error)});
      block.endPosition = blockPosition_;
      return true;
    }
    sxBlockChecker::Block* checked = blocks_->next();
    if (!checked) {
      blocks_.reset();
      continue;
    }
    settleBlock(*checked, block);
    if (failure_) {
      blocks_.reset();
      if (block.codes.empty()) std::rethrow_exception(failure_);
      return true;
    }
    if (!block.codes.empty()) return true;
  }
}

void sxAnalyzer::settleBlock(sxBlockChecker::Block& checked, sxLineBlock& block) {
  const std::uint64_t first = nextLine_;
  const std::size_t count = checked.codes.size();
  const sxBlockChecker::Note* note = checked.notes.data();
  const sxBlockChecker::Note* const notesEnd = note + checked.notes.size();
  // The start of line `at` lies at `offset` in the block's bytes.
  std::size_t at = 0, offset = 0;
  auto positionOf = [&](std::size_t i) {
    if (checked.gathered) return checked.start;
    for (; at < i; ++at)
      offset = static_cast<std::size_t>(static_cast<const char*>(std::memchr(
                                            checked.data + offset, '\n', checked.length - offset)) -
                                        checked.data) +
               1;
    return checked.start + offset;
  };
  sxLine& probe = *probe_;
  std::size_t i = 0;
  try {
    for (; i < count; ++i) {
      const sxLineCode code = static_cast<sxLineCode>(checked.codes[i]);
      const std::uint64_t lineNumber = first + i;
      const sxBlockChecker::Note* n = note != notesEnd && note->index == i ? note++ : nullptr;
      counted_ptr<sxError> error;
      if (n && (n->kind & sxBlockChecker::pkCutThrew)) std::rethrow_exception(n->thrown);
      if (n && (n->kind & sxBlockChecker::pkCutError)) {
        error = n->error.make(lineNumber, context_->getSection());
        context_->setEventKind(eventKindOf(code).value_or(ekNone));
      } else {
        probe.code = code;
        probe.lineNumber = lineNumber;
        context_->update(probe_, error);
        if (!error && n) {
          if (n->kind & sxBlockChecker::pkRuleThrew) std::rethrow_exception(n->thrown);
          if (n->kind & sxBlockChecker::pkRuleError)
            error = n->error.make(lineNumber, context_->getSection());
          if (n->kind & sxBlockChecker::pkComplex) context_->setComplexRecord(true);
        }
      }
      if (checked.last && i + 1 == count && !error && code == lcEmpty && !finished_) {
        finished_ = true;
        context_->finish(error);
      }
      if (error)
        block.findings.push_back({static_cast<std::uint32_t>(i), context_->getSection(),
                                  positionOf(i), std::move(error)});
    }
  } catch (...) {
    // The lines before the failing one go out first.
    failure_ = std::current_exception();
    block.codes.assign(checked.codes.begin(),
                       checked.codes.begin() + static_cast<std::ptrdiff_t>(i));
    for (const std::uint8_t c : block.codes) ++block.codeCounts[c];
    nextLine_ = first + i;
    blockPosition_ = positionOf(i);
    block.endPosition = blockPosition_;
    return;
  }
  nextLine_ = first + checked.lineFeeds();
  block.codes.swap(checked.codes);
  block.codeCounts = checked.codeCounts;
  blockPosition_ = checked.end;
  block.endPosition = blockPosition_;
  if (checked.failure) failure_ = checked.failure;
}

}  // namespace swde
