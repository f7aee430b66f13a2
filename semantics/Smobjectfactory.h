// Makes the object for a record type: the class of its own where the type has
// one, the plain object otherwise.
#pragma once

#include <memory>

#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "semantics/Smobject.h"

namespace swde {

using plat::AnsiString;

class OLVRULES_API smObjectFactory {
 public:
  smObjectFactory();
  smObjectFactory(const smObjectFactory&) = delete;
  smObjectFactory& operator=(const smObjectFactory&) = delete;
  virtual ~smObjectFactory();

  // A new object named recordTypeName, owned by the caller.
  std::unique_ptr<smObject> createObject(const AnsiString& recordTypeName) const;
};

}  // namespace swde
