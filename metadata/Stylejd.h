// A graphic style of the SG section (JD line): filed under its name, with
// the texts of the line's further fields.
#pragma once

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API StyleJD {
 public:
  explicit StyleJD(const AnsiString& name);
  StyleJD(const StyleJD&) = delete;
  StyleJD& operator=(const StyleJD&) = delete;
  virtual ~StyleJD();

  AnsiString name;
  AnsiString field2;  // field 2 of the line
};

}  // namespace swde
