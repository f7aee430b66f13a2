// A relation type of the SP section: its name and the comment of its
// declaration (a W line).
#pragma once

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API RelationType {
 public:
  explicit RelationType(const AnsiString& name);
  RelationType(const RelationType&) = delete;
  RelationType& operator=(const RelationType&) = delete;
  virtual ~RelationType();

  AnsiString name;
  AnsiString comment;
};

}  // namespace swde
