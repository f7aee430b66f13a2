// One entry of a dictionary (an ES line): filed under its code, with its name
// and its description.
#pragma once

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API DictItem {
 public:
  explicit DictItem(const AnsiString& key);
  DictItem(const DictItem&) = delete;
  DictItem& operator=(const DictItem&) = delete;
  virtual ~DictItem();

  AnsiString key;  // the entry's code as text
  AnsiString name;
  AnsiString text;
};

}  // namespace swde
