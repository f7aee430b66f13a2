#include "syntax/Sxstatemachine.h"

#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "syntax/Sxcontext.h"
#include "syntax/Sxexception.h"

namespace swde {
namespace {

using plat::cp;

// Main transition graph. A state, then its transitions one a line: the line
// identifier, the state it leads to, and the conditions that must all hold
// (SWING, SWDE: the format of the file; RC: the open record is of a complex
// record type). The first state is the state of a new file.
constexpr std::string_view kMainGraph = R"graph(
$FILE:
  SN       $SN
  SP       $SP
  ST       $ST
  SD       $SD          SWING
  SG       $SG          SWING
  SO       $SO
  SWINGX   $FILEX       SWING
  SWINGXC  $FILEX       SWING
  SWDEX    $FILEX       SWDE
  SWDEXC   $FILEX       SWDE

$FILEX:

$GL-LINIA:
  IL       $IL-LINIA
  VK       $VK-LINIA    SWING
  P        $P-LINIA

$IL-LINIA:
  VK       $VK-LINIA    SWING
  P        $P-LINIA

$VK-LINIA:
  P        $P-LINIA

$P-LINIA:
  P        $P-LINIA
  IP       $IP-LINIA
  S        $S-LINIA
  OAM      $OAM-LINIA
  OAD      $OAD-LINIA
  OL       $OL-LINIA
  OB       $OB-LINIA    SWING
  OK       $OK-LINIA    SWING
  PZ       $PZ-LINIA
  GX       $GX-LINIA

$IP-LINIA:
  P        $P-LINIA
  S        $S-LINIA
  OAM      $OAM-LINIA
  OAD      $OAD-LINIA
  OL       $OL-LINIA
  OB       $OB-LINIA    SWING
  OK       $OK-LINIA    SWING
  PZ       $PZ-LINIA
  GX       $GX-LINIA

$S-LINIA:
  P        $P-LINIA
  IS       $IS-LINIA
  OAM      $OAM-LINIA
  OAD      $OAD-LINIA
  OL       $OL-LINIA
  OB       $OB-LINIA    SWING
  OK       $OK-LINIA    SWING
  PZ       $PZ-LINIA
  GX       $GX-LINIA

$IS-LINIA:
  P        $P-LINIA
  OAM      $OAM-LINIA
  OAD      $OAD-LINIA
  OL       $OL-LINIA
  OB       $OB-LINIA    SWING
  OK       $OK-LINIA    SWING
  PZ       $PZ-LINIA
  GX       $GX-LINIA

$OB-LINIA:
  PX       $PX-LINIA    SWING

$PX-LINIA:
  PX       $PX-LINIA    SWING
  OBX      $OBX-LINIA   SWING

$OBX-LINIA:
  P        $P-LINIA
  PZ       $PZ-LINIA
  GX       $GX-LINIA

$OAM-LINIA:
  P        $P-LINIA
  PZ       $PZ-LINIA
  GX       $GX-LINIA

$OAD-LINIA:
  P        $P-LINIA
  PZ       $PZ-LINIA
  GX       $GX-LINIA

$OK-LINIA:
  P        $P-LINIA
  PZ       $PZ-LINIA
  GX       $GX-LINIA

$OL-LINIA:
  P        $P-LINIA
  PZ       $PZ-LINIA
  GX       $GX-LINIA

$PZ-LINIA:
  GX       $GX-LINIA

$GX-LINIA:
  D        $D
  WG       $WG
  WL       $WL
  PR       $PR          SWING
  E        $E           SWING
  S        $S           SWING
  X        $X
  XC       $X
  GL       $GL-LINIA

$GL-OBSZAR:
  K        $K
  IL       $IL-OBSZAR
  VK       $VK-OBSZAR   SWING
  P        $P-OBSZAR

$K:
  IL       $IL-OBSZAR
  VK       $VK-OBSZAR   SWING
  P        $P-OBSZAR

$IL-OBSZAR:
  VK       $VK-OBSZAR   SWING
  P        $P-OBSZAR

$VK-OBSZAR:
  P        $P-OBSZAR

$P-OBSZAR:
  P        $P-OBSZAR
  IP       $IP-OBSZAR
  S        $S-OBSZAR
  OAM      $OAM-OBSZAR
  OAD      $OAD-OBSZAR
  OL       $OL-OBSZAR
  OB       $OB-OBSZAR   SWING
  OK       $OK-OBSZAR   SWING
  PZ       $PZ-OBSZAR

$IP-OBSZAR:
  P        $P-OBSZAR
  S        $S-OBSZAR
  OAM      $OAM-OBSZAR
  OAD      $OAD-OBSZAR
  OL       $OL-OBSZAR
  OB       $OB-OBSZAR   SWING
  OK       $OK-OBSZAR   SWING
  PZ       $PZ-OBSZAR

$S-OBSZAR:
  P        $P-OBSZAR
  IS       $IS-OBSZAR
  OAM      $OAM-OBSZAR
  OAD      $OAD-OBSZAR
  OL       $OL-OBSZAR
  OB       $OB-OBSZAR   SWING
  OK       $OK-OBSZAR   SWING
  PZ       $PZ-OBSZAR

$IS-OBSZAR:
  P        $P-OBSZAR
  OAM      $OAM-OBSZAR
  OAD      $OAD-OBSZAR
  OL       $OL-OBSZAR
  OB       $OB-OBSZAR   SWING
  OK       $OK-OBSZAR   SWING
  PZ       $PZ-OBSZAR

$OB-OBSZAR:
  PX       $PX-OBSZAR   SWING

$PX-OBSZAR:
  PX       $PX-OBSZAR   SWING
  OBX      $OBX-OBSZAR  SWING

$OBX-OBSZAR:
  P        $P-OBSZAR
  PZ       $PZ-OBSZAR

$OAM-OBSZAR:
  P        $P-OBSZAR
  PZ       $PZ-OBSZAR

$OAD-OBSZAR:
  P        $P-OBSZAR
  PZ       $PZ-OBSZAR

$OK-OBSZAR:
  P        $P-OBSZAR
  PZ       $PZ-OBSZAR

$OL-OBSZAR:
  P        $P-OBSZAR
  PZ       $PZ-OBSZAR

$PZ-OBSZAR:
  GX       $GX-OBSZAR

$GX-OBSZAR:
  D        $D
  WG       $WG
  WL       $WL
  PR       $PR          SWING
  E        $E           SWING
  S        $S           SWING
  X        $X
  XC       $X
  GL       $GL-OBSZAR

$PR:
  E        $E           SWING
  D        $D
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$E:
  EO       $EO
  IE       $IE
  D        $D
  WG       $WG
  WL       $WL
  S        $S
  E        $E
  X        $X
  XC       $X

$EO:
  IE       $IE
  D        $D
  WG       $WG
  WL       $WL
  S        $S
  E        $E
  X        $X
  XC       $X

$IE:
  D        $D
  WG       $WG
  WL       $WL
  S        $S
  E        $E
  X        $X
  XC       $X

$S:
  D        $D
  WG       $WG
  WL       $WL
  S        $S
  IS       $IS
  X        $X
  XC       $X

$IS:
  D        $D
  S        $S
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$RC:
  D        $D
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$RD:
  D        $D
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$RL:
  GL       $GL-LINIA

$RM:
  H        $H

$H:
  H        $H
  TR       $TR
  IH       $IH
  D        $D
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$IH:
  H        $H
  TR       $TR
  D        $D
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$TR
  TR       $TR
  IT       $IT
  D        $D
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$IT
  TR       $TR
  D        $D
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$RO:
  JK       $JK          SWING
  GL       $GL-OBSZAR

$JK:
  GL       $GL-OBSZAR

$RP:
  P        $P1
  X        $X
  XC       $X

$P1:
  PR       $PR          SWING
  E        $E           SWING
  S        $S           SWING
  D        $D
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$RR:
  RKM      $RKM         SWING
  RKC      $RKC         SWING

$RKM:
  P        $P_RR

$RKC:
  P        $P_RR

$P_RR:
  OO       $OO

$OO:
  RF       $RF

$RF:
  D        $D
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$SD:
  DS       $DS
  SX       $SX_SD
  SXC      $SX_SD

$DS:
  ES       $ES
  X        $X_DS
  XC       $X_DS

$ES:
  ES       $ES
  X        $X_DS
  XC       $X_DS

$X_DS:
  DS       $DS
  SX       $SX_SD
  SXC      $SX_SD

$SX_SD:
  SP       $SP
  SG       $SG          SWING
  SO       $SO
  SWINGX   $FILEX       SWING
  SWINGXC  $FILEX       SWING
  SWDEX    $FILEX       SWDE
  SWDEXC   $FILEX       SWDE

$SG:
  A        $A

$A:
  NK       $NK
  FD       $FD
  ZD       $ZD
  VD       $VD
  JD       $JD
  SX       $SX_SG
  SXC      $SX_SG

$NK:
  NK       $NK
  FD       $FD
  ZD       $ZD
  VD       $VD
  JD       $JD
  SX       $SX_SG
  SXC      $SX_SG

$FD:
  NK       $NK
  FD       $FD
  ZD       $ZD
  VD       $VD
  JD       $JD
  SX       $SX_SG
  SXC      $SX_SG

$ZD:
  NK       $NK
  FD       $FD
  ZD       $ZD
  VD       $VD
  JD       $JD
  SX       $SX_SG
  SXC      $SX_SG

$VD:
  NK       $NK
  FD       $FD
  ZD       $ZD
  VD       $VD
  JD       $JD
  SX       $SX_SG
  SXC      $SX_SG

$JD:
  NK       $NK
  FD       $FD
  ZD       $ZD
  VD       $VD
  JD       $JD
  SX       $SX_SG
  SXC      $SX_SG

$SX_SG:
  SO       $SO
  SWINGX   $FILEX       SWING
  SWINGXC  $FILEX       SWING
  SWDEX    $FILEX       SWDE
  SWDEXC   $FILEX       SWDE

$SN:
  SX       $SX_SN
  SXC      $SX_SN
  NU       $NU
  NS       $NS

$NS:
  SX       $SX_SN
  SXC      $SX_SN
  NS       $NS
  NU       $NU

$NU:
  NU       $NU
  SX       $SX_SN
  SXC      $SX_SN
  NS       $NS

$SX_SN:
  SP       $SP
  SG       $SG          SWING
  SD       $SD          SWING
  SO       $SO
  SWINGX   $FILEX       SWING
  SWINGXC  $FILEX       SWING
  SWDEX    $FILEX       SWDE
  SWDEXC   $FILEX       SWDE

$SO:
  RO       $RO
  RD       $RD
  RP       $RP
  RC       $RC
  RL       $RL
  RR       $RR          SWING
  RM       $RM          SWING
  SX       $SX
  SXC      $SX

$D:
  D        $D
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$WG:
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$WL:
  WG       $WG
  WL       $WL
  X        $X
  XC       $X

$X:
  RO       $RO
  RD       $RD
  RP       $RP
  RC       $RC
  RL       $RL
  RR       $RR          SWING
  RM       $RM          SWING
  SX       $SX
  SXC      $SX

$SX:
  SWINGX   $FILEX       SWING
  SWINGXC  $FILEX       SWING
  SWDEX    $FILEX       SWDE
  SWDEXC   $FILEX       SWDE

$SP:
  B        $B
  W        $W
  SX       $SX_SP
  SXC      $SX_SP

$B:
  B        $B
  W        $W
  SX       $SX_SP
  SXC      $SX_SP

$W:
  B        $B
  W        $W
  SX       $SX_SP
  SXC      $SX_SP

$SX_SP:
  ST       $ST
  SG       $SG          SWING
  SO       $SO
  SWINGX   $FILEX       SWING
  SWINGXC  $FILEX       SWING
  SWDEX    $FILEX       SWDE
  SWDEXC   $FILEX       SWDE

$ST:
  TD       $TD
  SX       $SX_ST
  SXC      $SX_ST

$TD:
  TP       $TP
  WR       $WR
  WE       $WE          RC
  X        $X_TD
  XC       $X_TD

$TP:
  TP       $TP
  TPW      $TPW
  WR       $WR
  TPN      $TPN
  WE       $WE          RC
  X        $X_TD
  XC       $X_TD

$TPW:
  TP       $TP
  WR       $WR
  TPN      $TPN
  WE       $WE          RC
  X        $X_TD
  XC       $X_TD

$TPN:
  TP       $TP
  WR       $WR
  WE       $WE          RC
  X        $X_TD
  XC       $X_TD

$WR:
  WR       $WR
  WW       $WW
  WN       $WN
  WE       $WE          RC
  X        $X_TD
  XC       $X_TD

$WW:
  WR       $WR
  WN       $WN
  WE       $WE          RC
  X        $X_TD
  XC       $X_TD

$WN:
  WR       $WR
  WE       $WE          RC
  X        $X_TD
  XC       $X_TD

$WE:
  WE       $WE
  WR       $WR
  WP       $WP          RC
  X        $X_TD
  XC       $X_TD

$WP:
  WE       $WE          RC
  WR       $WR
  X        $X_TD
  XC       $X_TD

$X_TD:
  TD       $TD
  SX       $SX_ST
  SXC      $SX_ST

$SX_ST:
  SG       $SG          SWING
  SO       $SO
  SWINGX   $FILEX       SWING
  SWINGXC  $FILEX       SWING
  SWDEX    $FILEX       SWDE
  SWDEXC   $FILEX       SWDE
)graph";

// States to fall back to after a refused line, by the section in force
// ("#:" is outside every section). The first transition on the line's
// identifier whose conditions hold is taken; besides those of the main graph,
// RO and RL require that record to be open, RECORD any record.
constexpr std::string_view kFailGraph = R"graph(
#SO:
  X        $X
  XC       $X
  RO       $RO
  RD       $RD
  RP       $RP
  RC       $RC
  RL       $RL
  RR       $RR          SWING
  RM       $RM          SWING
  SX       $SX
  SXC      $SX
  D        $D           RECORD
  WG       $WG          RECORD
  WL       $WL          RECORD
  GX       $GX-OBSZAR   RO
  GX       $GX-LINIA    RL

#SN:
  NU       $NU
  NS       $NS
  SX       $SX_SN
  SXC      $SX_SN
  SP       $SP
  ST       $ST
  SG       $SG          SWING
  SD       $SD          SWING
  SO       $SO

#SD:
  DS       $DS
  X        $X_DS
  XC       $X_DS
  SX       $SX_SD
  SXC      $SX_SD
  SP       $SP
  ST       $ST
  SG       $SG          SWING
  SO       $SO

#SP:
  B        $B
  W        $W
  SX       $SX_SP
  SXC      $SX_SP
  ST       $ST
  SG       $SG          SWING
  SO       $SO

#ST:
  TD       $TD
  SG       $SG          SWING
  SO       $SO
  SX       $SX_ST
  SXC      $SX_ST
  X        $X_TD
  XC       $X_TD

#SG:
  SX       $SX_SG
  SXC      $SX_SG
  SO       $SO
  NK       $NK
  FD       $FD
  ZD       $ZD
  VD       $VD
  JD       $JD

#:
  SP       $SP
  ST       $ST
  SG       $SG          SWING
  SD       $SD          SWING
  SO       $SO
)graph";

const AnsiString& mainGraphError() {
  static const AnsiString text =
      cp("Błąd podczas inicjalizacji maszyny stanów. Błąd odczytu grafu przejść");
  return text;
}

AnsiString failGraphError(std::uint64_t textLine) {
  static const AnsiString text =
      cp("Błąd podczas inicjalizacji maszyny stanów błędnych przejść. Błąd odczytu grafu przejść. "
         "Linia:");
  return text + plat::UIntToStr(textLine);
}

// Reads a graph text one text line at a time, as words.
class GraphText {
 public:
  explicit GraphText(std::string_view text) : text_(text) {}

  // Words of the next text line that has any; false at the end of the text.
  bool nextLine(std::vector<std::string>& words) {
    words.clear();
    while (index_ < text_.size()) {
      ++lineNumber_;
      std::size_t end = text_.find('\n', index_);
      if (end == std::string_view::npos) end = text_.size();
      std::string_view line = text_.substr(index_, end - index_);
      index_ = end + 1;
      if (const std::size_t comment = line.find(';'); comment != std::string_view::npos)
        line = line.substr(0, comment);
      std::string word;
      for (const char c : line) {
        if (c == '\r') continue;
        if (c == ' ' || c == '\t') {
          if (!word.empty()) words.push_back(std::move(word));
          word.clear();
        } else {
          word += c;
        }
      }
      if (!word.empty()) words.push_back(std::move(word));
      if (!words.empty()) return true;
    }
    return false;
  }

  // Number of the text line last read, counted from 1.
  std::uint64_t lineNumber() const { return lineNumber_; }

 private:
  std::string_view text_;
  std::size_t index_ = 0;
  std::uint64_t lineNumber_ = 0;
};

// Sets the flag of a condition word; false for a word that is no condition of
// this graph.
bool setCondition(sxStateChange& change, std::string_view word, bool failGraph) {
  const AnsiString w = plat::UpperCase(word);
  if (w == "SWING") {
    change.swing = true;
  } else if (w == "SWDE") {
    change.swde = true;
  } else if (w == "RC") {
    change.rc = true;
  } else if (!failGraph) {
    return false;
  } else if (w == "RO") {
    change.ro = true;
  } else if (w == "RL") {
    change.rl = true;
  } else if (w == "RECORD") {
    change.record = true;
  } else {
    return false;
  }
  return true;
}

sxSectionCode sectionOfName(std::string_view name) {
  if (name == "SO") return scSO;
  if (name == "SN") return scSN;
  if (name == "ST") return scST;
  if (name == "SP") return scSP;
  if (name == "SD") return scSD;
  if (name == "SG") return scSG;
  return scNone;
}

sxGraphLoader& libraryGraphs() {
  static sxGraphLoader loader(kMainGraph, kFailGraph);
  return loader;
}

}  // namespace

// ---------------------------------------------------------------------------
// sxStateGraphs

sxStateGraphs::sxStateGraphs(std::string_view mainText, std::string_view failText) {
  loadMachineStates(mainText);
  loadMachineFailStates(failText);
}

const sxState* sxStateGraphs::findState(std::string_view name) const {
  const auto it = states_.find(name);
  return it == states_.end() ? nullptr : &it->second;
}

const sxStateMultiMap* sxStateGraphs::failList(sxSectionCode section) const {
  const auto it = failStates_.find(section);
  return it == failStates_.end() ? nullptr : &it->second;
}

void sxStateGraphs::loadMachineStates(std::string_view text) {
  const auto refuse = [] { throw sxException(mainGraphError()); };
  GraphText in(text);
  std::vector<std::string> words;
  sxState* current = nullptr;
  while (in.nextLine(words)) {
    if (words[0].front() == '$') {
      if (words.size() != 1) refuse();
      std::string name = words[0];
      if (name.back() == ':') name.pop_back();
      const auto [it, inserted] = states_.try_emplace(name);
      if (!inserted) refuse();  // a state defined twice
      it->second.name = name;
      current = &it->second;
      if (initState_ == nullptr) initState_ = current;
      continue;
    }
    if (current == nullptr || words.size() < 2) refuse();
    const auto code = lineCodeOf(words[0]);
    if (!code) refuse();
    sxStateChange change;
    change.target = words[1];
    for (std::size_t i = 2; i < words.size(); ++i)
      if (!setCondition(change, words[i], false)) refuse();
    if (!current->transitions.emplace(*code, std::move(change)).second) refuse();
    ++transitionCount_;
  }
  if (initState_ == nullptr) refuse();
  // Targets may name states defined further down: resolve them at the end.
  for (auto& [name, state] : states_) {
    for (auto& [code, change] : state.transitions) {
      change.state = findState(change.target);
      if (change.state == nullptr) refuse();
      state.byCode[code] = &change;
    }
  }
}

void sxStateGraphs::loadMachineFailStates(std::string_view text) {
  GraphText in(text);
  const auto refuse = [&in] { throw sxException(failGraphError(in.lineNumber())); };
  std::vector<std::string> words;
  sxStateMultiMap* current = nullptr;
  while (in.nextLine(words)) {
    const std::string& first = words[0];
    if (first.size() >= 2 && first.front() == '#' && first.back() == ':') {
      if (words.size() != 1) refuse();
      current = &failStates_[sectionOfName(std::string_view(first).substr(1, first.size() - 2))];
      continue;
    }
    if (current == nullptr || words.size() < 2) refuse();
    const auto code = lineCodeOf(first);
    if (!code) refuse();
    sxStateChange change;
    change.target = words[1];
    change.state = findState(change.target);
    if (change.state == nullptr) refuse();
    for (std::size_t i = 2; i < words.size(); ++i)
      if (!setCondition(change, words[i], true)) refuse();
    // A multimap inserts behind the equal codes already there: text order.
    current->emplace(*code, std::move(change));
    ++failTransitionCount_;
  }
}

// ---------------------------------------------------------------------------
// sxGraphLoader

const sxStateGraphs& sxGraphLoader::get() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!graphs_) {
    try {
      graphs_ = std::make_unique<const sxStateGraphs>(mainText_, failText_);
      initiated_ = 1;
    } catch (...) {
      initiated_ = -1;
      throw;
    }
  }
  return *graphs_;
}

int sxGraphLoader::initiated() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return initiated_;
}

// ---------------------------------------------------------------------------
// sxStateMachine

sxStateMachine::sxStateMachine(sxContext& owner)
    : graphs_(&graphs()), state_(graphs_->initState()), owner_(&owner) {}

void sxStateMachine::loadMachine() {
  libraryGraphs().get();
}

int sxStateMachine::initiated() {
  return libraryGraphs().initiated();
}

const sxStateGraphs& sxStateMachine::graphs() {
  return libraryGraphs().get();
}

std::string_view sxStateMachine::mainGraphText() {
  return kMainGraph;
}

std::string_view sxStateMachine::failGraphText() {
  return kFailGraph;
}

void sxStateMachine::reset() {
  state_ = graphs_->initState();
}

const sxStateChange* sxStateMachine::getStateChange(sxLineCode code) const {
  if (code <= kLastLineCode) return state_->byCode[code];
  const auto it = state_->transitions.find(code);
  return it == state_->transitions.end() ? nullptr : &it->second;
}

counted_ptr<sxError> sxStateMachine::lineError(const sxLine& line, sxErrorCode code) const {
  const TVarRec args[] = {TVarRec(identOf(line.code).value_or(std::string_view()))};
  return std::make_shared<sxError>(line.lineNumber, owner_->getSection(), code, args, 0);
}

bool sxStateMachine::update(const counted_ptr<sxLine>& line, counted_ptr<sxError>& err) {
  if (!line) return true;
  if (advance(line->code)) return true;
  const sxStateChange* change = line->code > kLastLineCode ? getStateChange(line->code) : nullptr;
  if (change != nullptr && holds(*change)) {
    state_ = change->state;
    return true;
  }
  if (!err) err = lineError(*line, ecLineInContext);
  updateFail(line, err);
  owner_->resetOn(line->code);
  return false;
}

void sxStateMachine::updateFail(const counted_ptr<sxLine>& line, counted_ptr<sxError>& err) {
  if (!line) return;
  const sxLineCode code = line->code;
  const sxLineCode record = owner_->getRecord();
  // A geometry line that does not fit an RO or RL record points at a missing
  // or broken geometry sub-record.
  if ((code == lcD || code == lcGX) && (record == lcRO || record == lcRL))
    err = lineError(*line, ecLineInContextGeometry);
  const sxStateMultiMap* list = graphs_->failList(owner_->getSection());
  if (list == nullptr) return;
  const auto [first, last] = list->equal_range(code);
  for (auto it = first; it != last; ++it) {
    if (holds(it->second)) {
      state_ = it->second.state;
      return;
    }
  }
}

}  // namespace swde
