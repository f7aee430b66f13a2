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

namespace codetables {

// Identifiers of one to three capital letters, numbered in base 27 with the
// letters as the digits 1..26, index three flat tables of codes (0 where
// there is none): every line asks, so these take no call. The few longer
// identifiers go through hash tables.
constexpr int kShortKeys = 27 * 27 * 27;

constexpr int shortKey(std::string_view s) {
  if (s.empty() || s.size() > 3) return -1;
  int key = 0;
  for (const char c : s) {
    const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(c)) - 'A';
    if (digit > 25) return -1;
    key = key * 27 + static_cast<int>(digit) + 1;
  }
  return key;
}

struct ShortCodes {
  std::uint8_t all[kShortKeys], swde[kShortKeys], swing[kShortKeys];
};
OLVLEX_API extern const ShortCodes kShortCodes;

inline std::optional<sxLineCode> shortCodeOf(const std::uint8_t* table, std::string_view ident) {
  const int key = shortKey(ident);
  if (key < 0 || table[key] == 0) return std::nullopt;
  return static_cast<sxLineCode>(table[key]);
}

// The identifiers of more than three bytes; table 0 all, 1 SWDE, 2 SWING.
OLVLEX_API std::optional<sxLineCode> longCodeOf(int table, std::string_view ident);

}  // namespace codetables

// Exact, byte-for-byte lookups. The identifiers of the header line ("SWDE",
// "SWING") are not among them: the header is recognised on its own.
inline std::optional<sxLineCode> lineCodeOf(std::string_view ident) {
  if (ident.size() <= 3) return codetables::shortCodeOf(codetables::kShortCodes.all, ident);
  return codetables::longCodeOf(0, ident);
}
inline std::optional<sxLineCode> swdeLineCodeOf(std::string_view ident) {
  if (ident.size() <= 3) return codetables::shortCodeOf(codetables::kShortCodes.swde, ident);
  return codetables::longCodeOf(1, ident);
}
inline std::optional<sxLineCode> swingLineCodeOf(std::string_view ident) {
  if (ident.size() <= 3) return codetables::shortCodeOf(codetables::kShortCodes.swing, ident);
  return codetables::longCodeOf(2, ident);
}
OLVLEX_API std::optional<std::string_view> identOf(sxLineCode code);
// Event kinds indexed by line code (ekNone where there is none).
OLVLEX_API extern const std::array<sxEventKind, kLastLineCode + 1> kEventKinds;
inline std::optional<sxEventKind> eventKindOf(sxLineCode code) {
  if (code > kLastLineCode || kEventKinds[code] == ekNone) return std::nullopt;
  return kEventKinds[code];
}
// Whether a line of this event kind, met inside a record, belongs to it (its
// end line included); any other ends the record before it.
inline bool belongsToRecord(sxEventKind kind) {
  switch (kind) {
    case ekRecordEnd:
    case ekNone:
    case ekSubRecordStart:
    case ekSubRecordEnd:
    case ekRecordLine:
    case ekFreeLine:
      return true;
    default:
      return false;
  }
}

}  // namespace swde
