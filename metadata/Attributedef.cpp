#include "metadata/Attributedef.h"

namespace swde {

AttributeDef::AttributeDef(const AnsiString& key, const AnsiString& code) : key(key), code(code) {}

AttributeDef::~AttributeDef() = default;

void AttributeDef::AddValue(const AnsiString& text, const AnsiString& value) {
  values_.try_emplace(value, PossibleValues{value, text});
}

bool AttributeDef::isValuePresent(const AnsiString& value) const {
  return values_.find(value) != values_.end();
}

bool AttributeDef::isStringValuePresent(const AnsiString& text) const {
  for (const auto& [value, entry] : values_)
    if (entry.second == text) return true;
  return false;
}

unsigned AttributeDef::getPossibleValuesCount() const {
  return static_cast<unsigned>(values_.size());
}

void AttributeDef::addComment(const AnsiString& comment) {
  comments_.push_back(comment);
}

AnsiString AttributeDef::getComment(unsigned i) const {
  return i < comments_.size() ? comments_[i] : AnsiString();
}

}  // namespace swde
