// A counter of the component records that point to a complex record through
// one component relation.
#pragma once

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVRULES_API smElemRelation {
 public:
  explicit smElemRelation(const AnsiString& name);
  smElemRelation(const smElemRelation&) = delete;
  smElemRelation& operator=(const smElemRelation&) = delete;
  virtual ~smElemRelation();

  AnsiString name;
  int count = 0;
};

}  // namespace swde
