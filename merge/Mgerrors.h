// Merge errors: a code from 20001 to 20011 and its finished Polish message
// (cp1250) from the merge's message map, optionally formatted with
// arguments. The merge never throws them: it makes one, writes its code and
// message as a finding line and deletes it.
#pragma once

#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "platform/Format.h"

namespace swde {

using plat::AnsiString;
using plat::TVarRec;

enum mgErrorCode : std::uint16_t {
  meNoTypeForObject = 20001,       // object %s not merged, no %s for its type
  meNoPartForObject = 20002,       // object %s not merged, no %s for it
  meObjectOutdated = 20003,        // object %s not merged, its version is not current
  meObjectNotInCatalogue = 20004,  // object type %s outside the catalogue
  meObjectMergedBefore = 20005,    // object %s merged before
  meNoPrecinctForObject = 20006,   // no precinct for object %s
  meGeometricInDescriptive = 20007,
  meDescriptiveInGeometric = 20008,
  meMergedTypeInPart = 20009,  // object %s of a merged type in the part %s
  meFileKindUndecided = 20010,
  meSameKindTwice = 20011,
};

class OLVJOIN_API mgError {
 public:
  // The section codes of a report line.
  enum ReportSectionType : std::uint8_t {
    rsNone = 0,
    rsSD = 46,
    rsSG = 47,
    rsSN = 48,
    rsSO = 49,
    rsSP = 50,
    rsST = 51,
  };
  // The kinds of a report line.
  enum ReportMsgType : std::uint8_t { rmError = 0, rmWarning = 1, rmInformation = 2 };

  // message = the map's text of the code (two blanks for a code outside it)
  explicit mgError(mgErrorCode code);
  mgError(mgErrorCode code, ReportSectionType section, ReportMsgType type, std::uint64_t line,
          std::uint64_t position);
  // message = text formatted with args[0..last]; the map is not used
  mgError(std::uint64_t line, mgErrorCode code, const AnsiString& text, const TVarRec* args,
          int last);
  // message = the map's text formatted with args[0..last] (unchanged for a
  // null list); "Brak opisu błędu!" for an empty text in the map
  mgError(mgErrorCode code, const TVarRec* args, int last);
  mgError(mgErrorCode code, ReportSectionType section, ReportMsgType type, std::uint64_t line,
          std::uint64_t position, const TVarRec* args, int last);
  mgError(const mgError&) = delete;
  mgError& operator=(const mgError&) = delete;
  virtual ~mgError();

  std::uint64_t line = 0;
  std::uint64_t position = 0;
  ReportSectionType section = rsNone;
  mgErrorCode code;
  ReportMsgType type = rmError;
  AnsiString message;
};

// Text of a code in the message map (cp1250); two blanks for a code outside
// it.
OLVJOIN_API const AnsiString& mgErrorText(int code);

}  // namespace swde
