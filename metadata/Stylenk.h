// A graphic style of the SG section (NK line: a number and a free text): filed under its number,
// with the texts of the line's further fields.
#pragma once

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API StyleNK {
 public:
  explicit StyleNK(const AnsiString& name);
  StyleNK(const StyleNK&) = delete;
  StyleNK& operator=(const StyleNK&) = delete;
  virtual ~StyleNK();

  AnsiString name;
  AnsiString text;  // the free text of the line
};

}  // namespace swde
