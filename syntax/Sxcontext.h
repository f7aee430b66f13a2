// Where in the structure of an SWDE or SWING file the current line stands
// (file, section, record, sub-record), with the context errors 201-212 of the
// lines that open or close a level in the wrong place. Every line that is not
// the header or a free line also passes through the context's state machine.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Export.h"
#include "platform/Format.h"
#include "syntax/Sxcodes.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxline.h"
#include "syntax/Sxstatemachine.h"

namespace swde {

using plat::TVarRec;

// How deep the current position is.
enum sxContextSubset : std::uint8_t {
  csOutside = 0,          // before the header, or after the end-of-file line
  csFile = 1,             // after the header
  csSection = 2,          // inside a section
  csRecord = 3,           // inside a record
  csSubRecord = 4,        // inside a sub-record (GL, OB)
  csNestedSubRecord = 5,  // inside a sub-record opened in a sub-record
};

class OLVLEX_API sxContext {
 public:
  // Throws sxException when the transition graphs do not load.
  sxContext();
  ~sxContext();
  sxContext(const sxContext&) = delete;
  sxContext& operator=(const sxContext&) = delete;

  // Processes one line; on return err holds the line's context error, or is
  // empty. A line of code 0 changes nothing. Throws sxException for a code
  // that has no event kind.
  void update(const counted_ptr<sxLine>& line, counted_ptr<sxError>& err) {
    // Most lines stand inside a record, open and close nothing, and take a
    // transition of the state machine: that case is taken here, inline.
    if (line && line->code != lcNone && line->code <= kLastLineCode &&
        kEventKinds[line->code] == ekRecordLine && level_ >= csRecord &&
        level_ <= csNestedSubRecord && stateMachine_->advance(line->code)) {
      err.reset();
      lineNumber_ = line->lineNumber;
      eventKind_ = ekRecordLine;
      return;
    }
    updateLine(line, err);
  }
  // The end-of-file check (210-212, replacing what err held), then reset().
  void finish(counted_ptr<sxError>& err);
  // Everything back to the start of a file except the complex-record flag;
  // the state machine starts again in its initial state.
  void reset();
  // Level := n; the codes of the levels deeper than n are cleared, and the
  // format too when n is 0. The flag and the state machine stay.
  void reset(sxContextSubset n);
  // Sets the level that the event kind of code implies; the state machine
  // calls it after refusing a line. End-of-file lines and one-line records
  // leave the level as it is. Throws sxException for a code that has no
  // event kind.
  void resetOn(sxLineCode code);

  // A new error with the current line number and section.
  counted_ptr<sxError> createError(sxErrorCode code) const;
  counted_ptr<sxError> createError(sxErrorCode code, const TVarRec* args, int argsHigh) const;

  // 0 until the header was seen, then 52 (SWDE) or 55 (SWING).
  sxLineCode getFormat() const { return format_; }
  sxSectionCode getSection() const { return section_; }
  sxLineCode getRecord() const { return record_; }
  sxLineCode getSubRecord() const { return subRecord_; }
  sxLineCode getNestedSubRecord() const { return nestedSubRecord_; }
  sxContextSubset getLevel() const { return level_; }
  std::uint64_t getLineNumber() const { return lineNumber_; }

  // The open record is of a complex record type. The analyzer sets it after
  // a validated line; section starts and ends and record ends clear it.
  bool isComplexRecord() const { return complexRecord_; }
  void setComplexRecord(bool complex) { complexRecord_ = complex; }

  // Event kind of the line just read (0 for a line of code 0). update() sets
  // it; the analyzer sets it for the lines that do not reach update().
  sxEventKind getEventKind() const { return eventKind_; }
  void setEventKind(sxEventKind kind) { eventKind_ = kind; }

  sxStateMachine* getStateMachine() const { return stateMachine_.get(); }

 private:
  // update for every line the inline case does not take.
  void updateLine(const counted_ptr<sxLine>& line, counted_ptr<sxError>& err);

  sxLineCode format_ = lcNone;
  sxSectionCode section_ = scNone;
  sxLineCode record_ = lcNone;
  bool complexRecord_ = false;
  sxLineCode subRecord_ = lcNone;
  sxLineCode nestedSubRecord_ = lcNone;
  sxContextSubset level_ = csOutside;
  std::uint64_t lineNumber_ = 0;
  sxEventKind eventKind_ = ekNone;
  std::unique_ptr<sxStateMachine> stateMachine_;
};

// The conditions of a transition, read from the context.
inline bool sxStateMachine::holds(const sxStateChange& change) const {
  const sxContext& c = *owner_;
  if (change.swing && c.getFormat() != lcSWING) return false;
  if (change.swde && c.getFormat() != lcSWDE) return false;
  if (change.rc && !c.isComplexRecord()) return false;
  if (change.ro && c.getRecord() != lcRO) return false;
  if (change.rl && c.getRecord() != lcRL) return false;
  if (change.record && c.getRecord() == lcNone) return false;
  return true;
}

}  // namespace swde
