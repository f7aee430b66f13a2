// Line identifiers of SWDE and SWING files, their codes, the subsets each
// format admits, and the event kind of every code.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/Export.h"

namespace swde {

enum sxLineCode : std::uint8_t {
  lcNone = 0,   // nothing recognised
  lcEmpty = 1,  // a line without an identifier (empty or comment only)
  lcA = 2,
  lcB,
  lcC,
  lcD,
  lcDS,
  lcE,
  lcEO,
  lcES,
  lcFD,
  lcGL,
  lcGX,
  lcH,
  lcIE,
  lcIL,
  lcIP,
  lcIS,
  lcIT,
  lcJD,
  lcJK,
  lcK,
  lcNK,
  lcNS,
  lcOAD,
  lcOAM,
  lcOB,
  lcOBX,
  lcOK,
  lcOL,
  lcOO,
  lcP,
  lcPR,
  lcPX,
  lcPZ,
  lcRC,
  lcRD,
  lcRF,
  lcRKC,
  lcRKM,
  lcRL,
  lcRM,
  lcRO,
  lcRP,
  lcRR,
  lcS,
  lcSD,
  lcSG,
  lcSN,
  lcSO,
  lcSP,
  lcST,
  lcSWDE = 52,  // the SWDE header line
  lcSWDEX = 53,
  lcSWDEXC = 54,
  lcSWING = 55,  // the SWING header line
  lcSWINGX = 56,
  lcSWINGXC = 57,
  lcSX,
  lcSXC,
  lcTD,
  lcTP,
  lcTPN,
  lcTPW,
  lcTR,
  lcVD,
  lcWE,
  lcWN,
  lcWP,
  lcWR,
  lcWW,
  lcWG,
  lcWL,
  lcX,
  lcXC,
  lcIH,
  lcZD,
  lcNU,
  lcW,
  lcVK = 79,
};

constexpr int kLastLineCode = lcVK;

// Codes of the section-start lines, used as section codes; 0 is outside
// every section.
enum sxSectionCode : std::uint8_t {
  scNone = 0,
  scSD = lcSD,
  scSG = lcSG,
  scSN = lcSN,
  scSO = lcSO,
  scSP = lcSP,
  scST = lcST,
};

enum sxEventKind : std::uint8_t {
  ekNone = 0,
  ekFileHeader = 1,
  ekFileEnd = 2,
  ekSectionStart = 3,
  ekSectionEnd = 4,
  ekRecordStart = 5,
  ekRecordEnd = 6,
  ekOneLineRecord = 7,
  ekSubRecordStart = 8,
  ekSubRecordEnd = 9,
  ekRecordLine = 10,
  ekFreeLine = 11,
};

// Exact, byte-for-byte lookups. The identifiers of the header line ("SWDE",
// "SWING") are not among them: the header is recognised on its own.
OLVLEX_API std::optional<sxLineCode> lineCodeOf(std::string_view ident);
OLVLEX_API std::optional<sxLineCode> swdeLineCodeOf(std::string_view ident);
OLVLEX_API std::optional<sxLineCode> swingLineCodeOf(std::string_view ident);
OLVLEX_API std::optional<std::string_view> identOf(sxLineCode code);
// Event kinds indexed by line code (ekNone where there is none).
OLVLEX_API extern const std::array<sxEventKind, kLastLineCode + 1> kEventKinds;
inline std::optional<sxEventKind> eventKindOf(sxLineCode code) {
  if (code > kLastLineCode || kEventKinds[code] == ekNone) return std::nullopt;
  return kEventKinds[code];
}

}  // namespace swde
