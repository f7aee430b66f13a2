#include "semantics/Smrecord.h"

#include <memory>

namespace swde {

smRecord::smRecord(const AnsiString& typeName) : typeName(typeName) {}

smRecord::~smRecord() = default;

smRelation* smRecord::addRelation(const AnsiString& code) {
  auto relation = std::make_unique<smRelation>();
  relation->code = code;
  return relations_.append(std::move(relation));
}

smElemRelation* smRecord::addElemRelation(const AnsiString& name) {
  return elemRelations_.append(std::make_unique<smElemRelation>(name));
}

smElemRelation* smRecord::getElemRelation(const AnsiString& name) const {
  for (std::size_t i = 0; i < elemRelations_.size(); ++i) {
    smElemRelation* e = elemRelations_.at(i);
    if (e->name == name) return e;
  }
  return nullptr;
}

smRelation* smRecord::getFirstRelation() {
  return relations_.first();
}

smRelation* smRecord::getNextRelation() {
  return relations_.next();
}

smElemRelation* smRecord::getFirstElemRelation() {
  return elemRelations_.first();
}

smElemRelation* smRecord::getNextElemRelation() {
  return elemRelations_.next();
}

}  // namespace swde
