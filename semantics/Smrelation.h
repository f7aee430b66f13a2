// One relation of an object or of a bookkeeping record: the reference it
// belongs to, what it points to and the place of its line in the file.
#pragma once

#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVRULES_API smRelation {
 public:
  smRelation() = default;
  // An empty name is replaced by the code.
  smRelation(const AnsiString& code, const AnsiString& name);
  smRelation(const smRelation&) = delete;
  smRelation& operator=(const smRelation&) = delete;
  // Moved as a record's relations grow.
  smRelation(smRelation&&) noexcept = default;
  smRelation& operator=(smRelation&&) noexcept = default;
  virtual ~smRelation();

  AnsiString name;  // reference name
  AnsiString code;
  AnsiString targetType;  // type name of the target; empty when the line names none
  AnsiString targetId;    // object identifier or record identifier of the target
  bool byObjectId = false;
  bool topological = false;
  std::uint64_t line = 0;
  std::uint64_t position = 0;
};

}  // namespace swde
