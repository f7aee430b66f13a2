// The state machine that decides whether a line may follow the lines before
// it, and the two transition graphs it walks: the main graph and the graph of
// the states to fall back to after a misplaced line. Both graphs are text held
// in the library, parsed once into read-only tables on first use.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "syntax/Sxcodes.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxline.h"

namespace swde {

using plat::AnsiString;

class sxContext;
struct sxState;

// One transition: where it leads and the conditions that must all hold.
struct OLVLEX_API sxStateChange {
  AnsiString target;               // name of the target state
  const sxState* state = nullptr;  // the target, resolved when the graph loads
  bool swing = false;              // the file is SWING
  bool swde = false;               // the file is SWDE
  bool rc = false;                 // the open record is of a complex record type
  bool ro = false;                 // the open record is RO (fallbacks only)
  bool rl = false;                 // the open record is RL (fallbacks only)
  bool record = false;             // some record is open (fallbacks only)
};

// Transitions of one state, by the code of the line that takes them.
using sxStateMap = std::map<sxLineCode, sxStateChange>;
// Fallbacks of one section; equal codes keep the order of the graph text.
using sxStateMultiMap = std::multimap<sxLineCode, sxStateChange>;

struct OLVLEX_API sxState {
  AnsiString name;
  sxStateMap transitions;
  // The same transitions indexed by line code (null where there is none),
  // filled when the graph loads.
  std::array<const sxStateChange*, kLastLineCode + 1> byCode{};
};

// The tables of one main graph and one fail graph.
//
// Grammar of both texts: words are separated by blanks and tabs, CR is
// ignored, ';' starts a comment up to the end of the text line. In the main
// graph a line "$NAME" (a ':' at its end is dropped) opens a state; in the
// fail graph a line "#NAME:" opens the fallback list of the section NAME (SD
// SG SN SO SP ST; any other name, the empty one too, means outside every
// section). Any other line is a transition: line identifier, target state,
// then conditions (SWING, SWDE, RC; in the fail graph also RO, RL, RECORD),
// compared in upper case. Targets of both graphs name states of the main
// graph. A text that breaks these rules, names an unknown identifier or
// state, or gives one state two transitions on the same identifier is refused
// with sxException.
class OLVLEX_API sxStateGraphs {
 public:
  using StateTable = std::map<AnsiString, sxState, std::less<>>;
  using FailTable = std::map<sxSectionCode, sxStateMultiMap>;

  sxStateGraphs(std::string_view mainText, std::string_view failText);
  sxStateGraphs(const sxStateGraphs&) = delete;
  sxStateGraphs& operator=(const sxStateGraphs&) = delete;

  // The first state of the main graph.
  const sxState* initState() const { return initState_; }
  const sxState* findState(std::string_view name) const;
  const StateTable& states() const { return states_; }
  // Fallbacks of a section, or null when the fail graph has no list for it.
  const sxStateMultiMap* failList(sxSectionCode section) const;
  const FailTable& failLists() const { return failStates_; }
  std::size_t transitionCount() const { return transitionCount_; }
  std::size_t failTransitionCount() const { return failTransitionCount_; }

 private:
  void loadMachineStates(std::string_view text);
  void loadMachineFailStates(std::string_view text);

  StateTable states_;
  const sxState* initState_ = nullptr;
  FailTable failStates_;
  std::size_t transitionCount_ = 0;
  std::size_t failTransitionCount_ = 0;
};

// Loads a pair of graph texts on the first get(). A load that fails throws,
// and every later get() tries again and throws again: no caller ever sees
// empty tables.
class OLVLEX_API sxGraphLoader {
 public:
  sxGraphLoader(std::string_view mainText, std::string_view failText)
      : mainText_(mainText), failText_(failText) {}
  sxGraphLoader(const sxGraphLoader&) = delete;
  sxGraphLoader& operator=(const sxGraphLoader&) = delete;

  const sxStateGraphs& get();
  // 0 not loaded yet, 1 loaded, -1 the last attempt failed.
  int initiated() const;

 private:
  std::string_view mainText_;
  std::string_view failText_;
  mutable std::mutex mutex_;
  std::unique_ptr<const sxStateGraphs> graphs_;
  int initiated_ = 0;
};

class OLVLEX_API sxStateMachine {
 public:
  // Starts in the initial state. Loads the graphs when they are not loaded
  // yet; throws sxException when they do not load.
  explicit sxStateMachine(sxContext& owner);
  sxStateMachine(const sxStateMachine&) = delete;
  sxStateMachine& operator=(const sxStateMachine&) = delete;

  // Loads the library's graphs once per process; throws when they do not load
  // (again on every later call).
  static void loadMachine();
  static int initiated();
  // The library's tables (loaded on first use) and the texts they come from.
  static const sxStateGraphs& graphs();
  static std::string_view mainGraphText();
  static std::string_view failGraphText();

  // Back to the initial state.
  void reset();
  // True when the line may follow the lines before it; the machine then moves
  // to the transition's target. Otherwise err gets 209 unless it holds an
  // error already, the fallback runs (updateFail) and the owner's level is set
  // again by resetOn; the result is false. No line is allowed.
  bool update(const counted_ptr<sxLine>& line, counted_ptr<sxError>& err);
  // The common case of update, taken without a call: true, with the machine
  // moved, when the current state has a transition on code whose conditions
  // hold; false, with nothing changed, otherwise (update then decides).
  bool advance(sxLineCode code) {
    if (code > kLastLineCode) return false;
    const sxStateChange* change = state_->byCode[code];
    if (change == nullptr || !holds(*change)) return false;
    state_ = change->state;
    return true;
  }
  // Fallback after a refused line: 213 for D or GX in an RO or RL record, then
  // the first fallback of the owner's section on the line's code whose
  // conditions hold becomes the state; without one the state stays.
  void updateFail(const counted_ptr<sxLine>& line, counted_ptr<sxError>& err);

  const sxState* getState() const { return state_; }
  const AnsiString& getStateName() const { return state_->name; }
  const sxStateMap* getStateMap() const { return &state_->transitions; }
  // The transition of the current state on a code, or null.
  const sxStateChange* getStateChange(sxLineCode code) const;

 private:
  // Defined with sxContext, whose state it reads.
  inline bool holds(const sxStateChange& change) const;
  counted_ptr<sxError> lineError(const sxLine& line, sxErrorCode code) const;

  const sxStateGraphs* graphs_;
  const sxState* state_;
  sxContext* owner_;
};

}  // namespace swde
