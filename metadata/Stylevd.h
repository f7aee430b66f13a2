// A graphic style of the SG section (VD line): filed under its name, with
// the texts of the line's further fields.
#pragma once

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API StyleVD {
 public:
  explicit StyleVD(const AnsiString& name);
  StyleVD(const StyleVD&) = delete;
  StyleVD& operator=(const StyleVD&) = delete;
  virtual ~StyleVD();

  AnsiString name;
  AnsiString field2;  // field 2 of the line
  AnsiString field3;  // field 3 of the line
};

}  // namespace swde
