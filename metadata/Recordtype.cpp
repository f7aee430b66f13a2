#include "metadata/Recordtype.h"

namespace swde {

RecordType::RecordType(const AnsiString& name, const AnsiString& baseType,
                       const AnsiString& nameAsRead)
    : name(name), baseType(baseType), nameAsRead(nameAsRead) {}

RecordType::~RecordType() = default;

bool RecordType::isComplex() const {
  return baseType == "RC";
}

AttributeDef* RecordType::addAttribute(const AnsiString& code, const AnsiString& field) {
  AttributeDef* def = attributes_.add(field.empty() ? code : field, code);
  if (def) def->hasKey = !field.empty();
  return def;
}

ReferenceDef* RecordType::addReference(const AnsiString& code, const AnsiString& field) {
  ReferenceDef* def = references_.add(field.empty() ? code : field, code);
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

AttributeDef* RecordType::getAttributeByCode(const AnsiString& code) const {
  for (const auto& [key, def] : attributes_)
    if (def->code == code) return def.get();
  return nullptr;
}

ReferenceDef* RecordType::getReferenceByCode(const AnsiString& code) const {
  for (const auto& [key, def] : references_)
    if (def->code == code) return def.get();
  return nullptr;
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
