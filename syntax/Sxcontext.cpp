#include "syntax/Sxcontext.h"

#include <array>
#include <optional>
#include <string_view>

#include "platform/CodePage.h"
#include "syntax/Sxexception.h"

namespace swde {
namespace {

// The identifier of a line code as the one argument of a message; made only
// when an error is raised.
std::array<TVarRec, 1> identArgs(sxLineCode code) {
  return {TVarRec(identOf(code).value_or(std::string_view()))};
}

sxEventKind kindOrThrow(sxLineCode code, const char* utf8Message, const AnsiString* ident) {
  const auto kind = eventKindOf(code);
  if (kind) return *kind;
  if (ident != nullptr) {
    const TVarRec args[] = {TVarRec(*ident)};
    throw sxException(plat::cp(utf8Message), args, 0);
  }
  throw sxException(plat::cp(utf8Message));
}

// A code that the line stores once the state machine has seen it. It is kept
// only while the level still reaches the depth at which the code lives: a
// refused line whose level was set back must not leave a sub-record code
// above the level.
struct PendingCode {
  std::optional<std::uint8_t> code;
  std::uint8_t depth;

  template <class T>
  void storeInto(T& target, sxContextSubset level) const {
    if (code && (*code == 0 || level >= depth)) target = static_cast<T>(*code);
  }
};

}  // namespace

sxContext::sxContext() {
  reset();
}

sxContext::~sxContext() = default;

counted_ptr<sxError> sxContext::createError(sxErrorCode code) const {
  return std::make_shared<sxError>(lineNumber_, section_, code,
                                   static_cast<const TVarRec*>(nullptr), 0);
}

counted_ptr<sxError> sxContext::createError(sxErrorCode code, const TVarRec* args,
                                            int argsHigh) const {
  return std::make_shared<sxError>(lineNumber_, section_, code, args, argsHigh);
}

void sxContext::updateLine(const counted_ptr<sxLine>& line, counted_ptr<sxError>& err) {
  err.reset();
  if (!line) return;
  const sxLineCode code = line->code;
  if (code == lcNone) {
    eventKind_ = ekNone;
    return;
  }
  lineNumber_ = line->lineNumber;
  const sxEventKind kind =
      kindOrThrow(code, "Nieznaleziony kontekst dla linii o kodzie %s", &line->ident);
  eventKind_ = kind;

  // After the end-of-file line only free lines may follow.
  if (level_ == csOutside && format_ != lcNone) {
    if (kind != ekFreeLine) err = createError(ecEofBad);
    return;
  }

  PendingCode section{std::nullopt, csSection};
  PendingCode record{std::nullopt, csRecord};
  PendingCode subRecord{std::nullopt, csSubRecord};
  PendingCode nested{std::nullopt, csNestedSubRecord};

  switch (kind) {
    case ekFileHeader:
      if (format_ != lcNone) {
        err = createError(ecHeaderAgain);
      } else {
        level_ = csFile;
        format_ = code;
      }
      break;
    case ekFileEnd:
      if (level_ == csFile)
        level_ = csOutside;
      else
        err = createError(ecFileEndNoSectionEnd);
      break;
    case ekSectionStart:
      complexRecord_ = false;
      if (level_ != csFile) err = createError(ecSectionStart);
      level_ = csSection;
      section.code = code;
      break;
    case ekSectionEnd:
      complexRecord_ = false;
      if (level_ != csSection) err = createError(ecSectionEnd);
      level_ = csFile;
      section.code = scNone;
      break;
    case ekRecordStart:
      if (level_ != csSection) err = createError(ecRecordStart);
      level_ = csRecord;
      record.code = code;
      break;
    case ekRecordEnd:
      complexRecord_ = false;
      record_ = lcNone;
      if (level_ != csRecord) err = createError(ecRecordEnd);
      level_ = csSection;
      break;
    case ekOneLineRecord:
      if (level_ != csSection) err = createError(ecRecordOutsideSection, identArgs(code).data(), 0);
      break;
    case ekSubRecordStart:
      if (subRecord_ == lcNone && level_ == csRecord) {
        level_ = csSubRecord;
        subRecord.code = code;
      } else if (subRecord_ != lcNone && level_ == csSubRecord) {
        level_ = csNestedSubRecord;
        nested.code = code;
      } else {
        err = createError(ecLineInContext, identArgs(code).data(), 0);
      }
      break;
    case ekSubRecordEnd:
      if (nestedSubRecord_ != lcNone && level_ == csNestedSubRecord) {
        level_ = csSubRecord;
        nested.code = lcNone;
      } else if (nestedSubRecord_ == lcNone && level_ == csSubRecord) {
        level_ = csRecord;
        subRecord.code = lcNone;
      } else {
        err = createError(ecLineInContext, identArgs(code).data(), 0);
      }
      break;
    case ekRecordLine:
      if (level_ < csRecord || level_ > csNestedSubRecord)
        err = createError(ecLineInContext, identArgs(code).data(), 0);
      break;
    case ekFreeLine:
      break;
    default:
      throw sxException(plat::cp("FATAL ERROR: Nieznany rodzaj zdarzenia kontekstu"));
  }

  // The state machine sees the codes as they were before this line (a record
  // end already shows no open record); when it refuses the line it sets the
  // level again through resetOn.
  if (kind != ekFileHeader && kind != ekFreeLine && !stateMachine_->advance(code))
    stateMachine_->update(line, err);

  section.storeInto(section_, level_);
  record.storeInto(record_, level_);
  subRecord.storeInto(subRecord_, level_);
  nested.storeInto(nestedSubRecord_, level_);
}

void sxContext::finish(counted_ptr<sxError>& err) {
  const bool closed = level_ == csOutside && format_ != lcNone;
  if (!closed) {
    if (level_ == csSection)
      err = createError(ecEofOpenSection);
    else if (level_ >= csRecord)
      err = createError(ecEofOpenRecord);
    else
      err = createError(ecEofBad);
  }
  reset();
}

void sxContext::reset() {
  level_ = csOutside;
  format_ = lcNone;
  section_ = scNone;
  record_ = lcNone;
  subRecord_ = lcNone;
  nestedSubRecord_ = lcNone;
  if (stateMachine_)
    stateMachine_->reset();
  else
    stateMachine_ = std::make_unique<sxStateMachine>(*this);
}

void sxContext::reset(sxContextSubset n) {
  level_ = n;
  if (n < csNestedSubRecord) nestedSubRecord_ = lcNone;
  if (n < csSubRecord) subRecord_ = lcNone;
  if (n < csRecord) record_ = lcNone;
  if (n < csSection) section_ = scNone;
  if (n == csOutside) format_ = lcNone;
}

void sxContext::resetOn(sxLineCode code) {
  if (code == lcNone) return;
  switch (kindOrThrow(code, "Nieznaleziony kontekst dla linii", nullptr)) {
    case ekFileHeader:
      reset(csFile);
      break;
    case ekFileEnd:
    case ekOneLineRecord:
      // The level stays where the line itself left it. A refused end-of-file
      // line does not end the file: the open levels and the format stay for
      // the lines after it and for the end of the file. A refused one-line
      // record keeps its section, or the record it stands in, open for the
      // lines that follow.
      break;
    case ekSectionStart:
      reset(csSection);
      break;
    case ekSectionEnd:
      reset(csFile);
      break;
    case ekRecordStart:
      reset(csRecord);
      break;
    case ekRecordEnd:
      reset(csSection);
      break;
    case ekSubRecordStart:
      reset(csSubRecord);
      break;
    case ekSubRecordEnd:
    case ekRecordLine:
      reset(csRecord);
      break;
    default:
      break;
  }
}

}  // namespace swde
