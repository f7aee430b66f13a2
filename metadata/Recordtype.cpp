#include "metadata/Recordtype.h"

namespace swde {

RecordType::RecordType(const AnsiString& name, const AnsiString& baseType,
                       const AnsiString& nameAsRead)
    : name(name), baseType(baseType), nameAsRead(nameAsRead) {}

RecordType::~RecordType() = default;

bool RecordType::isComplex() const {
  return baseType == "RC";
}

namespace {

// Key order: the order of the definitions' map and of a walk over it.
template <class Def>
bool keyedBefore(const Def* a, const Def* b) {
  return a->key < b->key;
}

}  // namespace

AttributeDef* RecordType::addAttribute(const AnsiString& code, const AnsiString& field) {
  AttributeDef* def = attributes_.addFiled(
      field.empty() ? code : field,
      [&](AttributeDef* made) {
        attributesByCode_.add(made->code, made, keyedBefore<AttributeDef>);
      },
      code);
  if (def) def->hasKey = !field.empty();
  return def;
}

ReferenceDef* RecordType::addReference(const AnsiString& code, const AnsiString& field) {
  ReferenceDef* def = references_.addFiled(
      field.empty() ? code : field,
      [&](ReferenceDef* made) {
        referencesByCode_.add(made->code, made, keyedBefore<ReferenceDef>);
      },
      code);
  if (def) def->hasKey = !field.empty();
  return def;
}

AttributeDef* RecordType::getAttribute(const AnsiString& key) const {
  return attributes_.get(key);
}

ReferenceDef* RecordType::getReference(const AnsiString& key) const {
  return references_.get(key);
}

bool RecordType::isAttributePresent(const AnsiString& key) const {
  return attributes_.contains(key);
}

bool RecordType::isReferencePresent(const AnsiString& key) const {
  return references_.contains(key);
}

AttributeDef* RecordType::getAttributeByCode(std::string_view code) const {
  AttributeDef* const* def = attributesByCode_.find(code);
  return def ? *def : nullptr;
}

ReferenceDef* RecordType::getReferenceByCode(std::string_view code) const {
  ReferenceDef* const* def = referencesByCode_.find(code);
  return def ? *def : nullptr;
}

AttributeDef* RecordType::getFirstAttr() {
  return attributes_.first();
}

AttributeDef* RecordType::getNextAttr() {
  return attributes_.next();
}

ReferenceDef* RecordType::getFirstReference() {
  return references_.first();
}

ReferenceDef* RecordType::getNextReference() {
  return references_.next();
}

}  // namespace swde
