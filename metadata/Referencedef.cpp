#include "metadata/Referencedef.h"

#include <algorithm>

namespace swde {

ReferenceDef::ReferenceDef(const AnsiString& key, const AnsiString& code) : key(key), code(code) {}

ReferenceDef::~ReferenceDef() = default;

void ReferenceDef::addRefTypeName(const AnsiString& typeName) {
  refTypeNames_.push_back(typeName);
}

bool ReferenceDef::isRefTypeNamePresent(const AnsiString& typeName) const {
  return std::find(refTypeNames_.begin(), refTypeNames_.end(), typeName) != refTypeNames_.end();
}

void ReferenceDef::addComment(const AnsiString& comment) {
  comments_.push_back(comment);
}

AnsiString ReferenceDef::getComment(unsigned i) const {
  return i < comments_.size() ? comments_[i] : AnsiString();
}

}  // namespace swde
