// A graphic style of the SG section (ZD line): filed under its name, with
// the texts of the line's further fields.
#pragma once

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API StyleZD {
 public:
  explicit StyleZD(const AnsiString& name);
  StyleZD(const StyleZD&) = delete;
  StyleZD& operator=(const StyleZD&) = delete;
  virtual ~StyleZD();

  AnsiString name;
  AnsiString field2;  // field 2 of the line
  AnsiString field3;  // field 3 of the line
  AnsiString field4;  // field 4 of the line
  AnsiString field5;  // field 5 of the line
};

}  // namespace swde
