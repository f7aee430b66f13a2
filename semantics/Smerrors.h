// A semantic finding: where it was found, in which object, its code and its
// finished Polish message (cp1250) from the code's table text.
#pragma once

#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "platform/Format.h"

namespace swde {

using plat::AnsiString;
using plat::TVarRec;

enum smErrorCode : std::uint16_t {
  // declarations of the file's SP section
  seAttribDeclaredBefore = 2001,
  seAttribTypeMismatch = 2002,
  seAttribNotInAnnex = 2003,
  seRelationDeclaredBefore = 2004,
  seRelationNotInAnnex = 2005,
  seNoAttribTypeDecl = 2006,
  seNoRelationTypeDecl = 2007,
  seNoSectionSP = 2008,
  // definitions of the file's ST section
  seTypeNotInAnnex = 3001,
  seTypeBaseMismatch = 3002,
  seTypeLacksAttrib = 3003,
  seTypeLacksRelation = 3004,
  seNoTypeDefInST = 3005,
  seTypeRelationMultiplicity = 3006,
  seTypeExtraAttrib = 3007,
  seTypeExtraRelation = 3008,
  seAttribNotInSP = 3009,
  seRelationNotInSP = 3010,
  seTypeRelationTwice = 3011,
  seTypeAttribTwice = 3012,
  seTypeDefinedTwice = 3013,
  seNoSectionST = 3014,
  // objects of the SO section
  seAttribNotDefined = 6001,
  seRelationNotDefined = 6002,
  seNoCreationDate = 6003,
  seNoVerificationDate = 6004,
  seVerificationBeforeCreation = 6005,
  seBadBaseType = 6006,
  seNoTypeDefinition = 6007,
  seMissingAttrib = 6008,
  seMissingRelation = 6009,
  seBadRelationTarget = 6010,
  seAttribCount = 6011,
  seRelationCount = 6012,
  seBadFloat = 6013,
  seBadInteger = 6014,
  seBadLogical = 6015,
  seBadFraction = 6016,
  seImproperFraction = 6017,
  seBadDate = 6018,
  seBadTime = 6019,
  seBadDateTime = 6020,
  seValueOutOfRange = 6021,
  seEmptyValue = 6022,
  seTargetMissing = 6023,
  seBadStatus = 6024,
  seTargetOutdated = 6025,
  seObjectIsolated = 6026,
  seComponentCount = 6027,
  seBadPostalCode = 6028,
  seNoComponents = 6029,
  seTopoTargetMissing = 6030,
  seTopoTargetOutdated = 6031,
  seTopoTargetNotPoint = 6032,
  seBadCharInValue = 6033,
  seCurrentVersionTwice = 6034,
  seRecordIdTwice = 6035,
  seNoObjectId = 6036,
};

class OLVRULES_API smError {
 public:
  using ReportSectionType = std::uint8_t;  // section code; the object checks use 49 (SO)
  using ReportMsgType = std::uint8_t;      // 0 error, 1 warning

  static constexpr ReportSectionType kSectionSO = 49;
  static constexpr ReportMsgType kError = 0;
  static constexpr ReportMsgType kWarning = 1;

  // message = the table text of the code
  explicit smError(smErrorCode code);
  // message = the table text formatted with args[0..high]
  smError(smErrorCode code, const TVarRec* args, int high);
  // The form of the object checks: where, what kind, in which object.
  smError(smErrorCode code, ReportSectionType section, ReportMsgType kind, std::uint64_t line,
          std::uint64_t position, const TVarRec* args, int high,
          const AnsiString& objectName = AnsiString());
  smError(const smError&) = delete;
  smError& operator=(const smError&) = delete;
  virtual ~smError();

  std::uint64_t line = 0;
  AnsiString objectName;
  std::uint64_t position = 0;
  ReportSectionType section = 0;
  smErrorCode code;
  ReportMsgType kind = 0;
  AnsiString message;
};

// Stored text of a code (cp1250), or empty when the table lacks it.
OLVRULES_API const AnsiString& smErrorText(int code);

// Text of a code without a message.
OLVRULES_API const AnsiString& smNoErrorDescription();

}  // namespace swde
