// A user context record of the SN section (an NU line): filed under its name,
// with the line's first value, last value and comment.
#pragma once

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API UsrContextRecord {
 public:
  explicit UsrContextRecord(const AnsiString& name);
  UsrContextRecord(const UsrContextRecord&) = delete;
  UsrContextRecord& operator=(const UsrContextRecord&) = delete;
  virtual ~UsrContextRecord();

  AnsiString name;
  AnsiString firstValue;
  AnsiString lastValue;
  AnsiString comment;
};

}  // namespace swde
