// A fault found in a data file: one error object per line, with its code,
// line number, section and finished Polish message.
#pragma once

#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "platform/Format.h"
#include "syntax/Sxcodes.h"

namespace swde {

using plat::AnsiString;
using plat::TVarRec;

enum sxErrorCode : std::uint8_t {
  // characters, lengths and identifiers
  ecIllegalChar = 101,
  ecLineTooLong = 102,
  ecUnexpectedEof = 103,
  ecUnknownFormat = 104,
  ecNameTooLong = 105,
  ecNoObjectId = 106,
  ecIdTooLong = 107,
  // the build and the fields of one line
  ecNoLineIdent = 120,
  ecUnknownLineType = 121,
  ecWrongFieldCount = 122,
  ecNoSemicolon = 123,
  ecBadField = 124,
  ecBadInteger = 125,
  ecBadFloat = 126,
  ecBadUInt = 127,
  ecBadPositive = 128,
  ecFieldSeparator = 129,
  ecEmptyField = 130,
  ecBadNameChar = 131,
  ecTrSameVertex = 132,
  // the place of a line in the file's structure
  ecHeaderAgain = 201,
  ecFileEndNoSectionEnd = 202,
  ecSectionStart = 203,
  ecSectionEnd = 204,
  ecRecordStart = 205,
  ecRecordEnd = 206,
  ecRecordOutsideSection = 207,
  ecSubRecordInRecord = 208,
  ecLineInContext = 209,
  ecEofOpenRecord = 210,
  ecEofOpenSection = 211,
  ecEofBad = 212,
  ecLineInContextGeometry = 213,
};

class OLVLEX_API sxError {
 public:
  // message = text unchanged
  sxError(std::uint64_t line, std::uint8_t section, std::uint8_t code, const AnsiString& text);
  // message = format formatted with the arguments
  sxError(std::uint64_t line, std::uint8_t section, std::uint8_t code, const AnsiString& format,
          const TVarRec* args, int argsHigh);
  // message from the table; formatted when args is given
  sxError(std::uint64_t line, std::uint8_t section, std::uint8_t code, const TVarRec* args,
          int argsHigh);
  virtual ~sxError();

  std::uint64_t line;
  std::uint8_t section;
  std::uint8_t code;
  AnsiString message;
};

// Stored text of a code (cp1250), or empty when the table lacks it.
OLVLEX_API const AnsiString& sxErrorText(int code);

// Text of a code without a message.
OLVLEX_API const AnsiString& sxNoErrorDescription();

}  // namespace swde
