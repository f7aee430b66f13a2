// An attribute type of the SP section: its name, the texts of its declaration
// (a B line) and the declaration's field count.
#pragma once

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API AttribType {
 public:
  explicit AttribType(const AnsiString& name);
  AttribType(const AttribType&) = delete;
  AttribType& operator=(const AttribType&) = delete;
  virtual ~AttribType();

  AnsiString name;
  AnsiString type;     // base type code ("FL", "NO", "LN", "UL", "DN", "HR", "DH", ...)
  AnsiString field3;   // field 3 of the declaration
  AnsiString field4;   // field 4 of the declaration
  AnsiString reserve;  // nothing writes it
  AnsiString comment;
  int fieldCount = 0;  // fields of the declaration line, identifier included
};

}  // namespace swde
