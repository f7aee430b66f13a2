// One dictionary of the SD section (a DS record): its name and its entries,
// keyed by code.
#pragma once

#include "metadata/Dictitem.h"
#include "metadata/Namedmap.h"
#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API Dictionary {
 public:
  explicit Dictionary(const AnsiString& name);
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;
  virtual ~Dictionary();

  // A new entry filed under key; null when the key is present.
  DictItem* addItem(const AnsiString& key);
  DictItem* getItem(const AnsiString& key) const;
  bool isItemPresent(const AnsiString& key) const;
  DictItem* getFirstItem();
  DictItem* getNextItem();

  AnsiString name;

 private:
  NamedMap<DictItem> items_;
};

}  // namespace swde
