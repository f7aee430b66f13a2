#include "metadata/Dictionary.h"

namespace swde {

Dictionary::Dictionary(const AnsiString& name) : name(name) {}

Dictionary::~Dictionary() = default;

DictItem* Dictionary::addItem(const AnsiString& key) {
  return items_.add(key);
}

DictItem* Dictionary::getItem(const AnsiString& key) const {
  return items_.get(key);
}

bool Dictionary::isItemPresent(const AnsiString& key) const {
  return items_.contains(key);
}

DictItem* Dictionary::getFirstItem() {
  return items_.first();
}

DictItem* Dictionary::getNextItem() {
  return items_.next();
}

}  // namespace swde
