// A context record of the SN section (an NS line): filed under its name, with
// the line's first value, last value and comment.
#pragma once

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API ContextRecord {
 public:
  explicit ContextRecord(const AnsiString& name);
  ContextRecord(const ContextRecord&) = delete;
  ContextRecord& operator=(const ContextRecord&) = delete;
  virtual ~ContextRecord();

  AnsiString name;
  AnsiString firstValue;
  AnsiString lastValue;
  AnsiString comment;
};

}  // namespace swde
