#include "metadata/Dictitem.h"

namespace swde {

DictItem::DictItem(const AnsiString& key) : key(key) {}

DictItem::~DictItem() = default;

}  // namespace swde
