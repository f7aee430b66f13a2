#include "semantics/Smrecord.h"

#include <memory>

namespace swde {

smRecord::smRecord(const AnsiString& typeName) : typeName(typeName) {}

smRecord::~smRecord() = default;

smRelation* smRecord::addRelation(const AnsiString& code) {
  smRelation& relation = relations_.emplace_back();
  relation.code = code;
  return &relation;
}

void smRecord::shrinkRelations() {
  relations_.shrink_to_fit();
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

// A walk that has run out stays out until the next getFirstRelation.
smRelation* smRecord::getFirstRelation() {
  relationCursor_ = relations_.empty() ? kNoCursor : 0;
  return relations_.empty() ? nullptr : &relations_.front();
}

smRelation* smRecord::getNextRelation() {
  if (relationCursor_ == kNoCursor) return nullptr;
  if (++relationCursor_ < relations_.size()) return &relations_[relationCursor_];
  relationCursor_ = kNoCursor;
  return nullptr;
}

smElemRelation* smRecord::getFirstElemRelation() {
  return elemRelations_.first();
}

smElemRelation* smRecord::getNextElemRelation() {
  return elemRelations_.next();
}

}  // namespace swde
