// A graphic style of the SG section (FD line): filed under its name, with
// the texts of the line's further fields.
#pragma once

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API StyleFD {
 public:
  explicit StyleFD(const AnsiString& name);
  StyleFD(const StyleFD&) = delete;
  StyleFD& operator=(const StyleFD&) = delete;
  virtual ~StyleFD();

  AnsiString name;
  AnsiString field2;  // field 2 of the line
  AnsiString field3;  // field 3 of the line
  AnsiString field4;  // field 4 of the line
};

}  // namespace swde
