// Line kinds of the processes, by the identifier code of a line.
#pragma once

#include <cstdint>

#include "syntax/Sxcodes.h"
#include "syntax/Sxline.h"

namespace swde {

// Kinds of lines by their identifier code, as the processes count records
// and follow sections, records and control sums.
namespace doclines {
inline bool isFileEnd(int c) {
  return c == lcSWDEX || c == lcSWDEXC || c == lcSWINGX || c == lcSWINGXC;
}
inline bool isSectionStart(int c) {
  return c == lcSD || c == lcSG || c == lcSN || c == lcSO || c == lcSP || c == lcST;
}
inline bool isSectionEnd(int c) {
  return c == lcSX || c == lcSXC;
}
inline bool isRecordStart(int c) {
  switch (c) {
    case lcDS:
    case lcRC:
    case lcRD:
    case lcRL:
    case lcRM:
    case lcRO:
    case lcRP:
    case lcRR:
    case lcTD:
      return true;
    default:
      return false;
  }
}
inline bool isOneLineRecord(int c) {
  switch (c) {
    case lcA:
    case lcB:
    case lcFD:
    case lcJD:
    case lcNK:
    case lcNS:
    case lcVD:
    case lcZD:
    case lcNU:
    case lcW:
      return true;
    default:
      return false;
  }
}
inline bool isRecordEnd(int c) {
  return c == lcX || c == lcXC;
}
inline bool isCommentLine(int c) {
  return c == lcC || c == lcEmpty;
}
// The reader closes every file with an empty line at its end that is no
// line of the file; the error of the file's end checks travels on it.
inline bool isEndMarker(const sxLine& l, std::uint64_t fileSize) {
  return l.position >= fileSize && l.text.empty();
}
}  // namespace doclines

}  // namespace swde
