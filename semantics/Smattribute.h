// One attribute line of an object: code, name, value and the place of the
// line in the file.
#pragma once

#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVRULES_API smAttribute {
 public:
  // An empty name is replaced by the code.
  smAttribute(const AnsiString& code, const AnsiString& name, const AnsiString& value);
  smAttribute(const smAttribute&) = delete;
  smAttribute& operator=(const smAttribute&) = delete;
  virtual ~smAttribute();

  const AnsiString code;  // fixed once made: the object finds its attributes by it
  AnsiString name;
  AnsiString value;
  std::uint64_t line = 0;      // set by the caller, copied into every error of the attribute
  std::uint64_t position = 0;  // byte position of the line
};

}  // namespace swde
