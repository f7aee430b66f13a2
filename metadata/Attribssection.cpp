#include "metadata/Attribssection.h"

namespace swde {

AttribsSection::AttribsSection() = default;

AttribsSection::~AttribsSection() = default;

AttribType* AttribsSection::addAttribute(const AnsiString& name) {
  return attributes_.add(name);
}

RelationType* AttribsSection::addRelation(const AnsiString& name) {
  return relations_.add(name);
}

AttribType* AttribsSection::getAttribute(const AnsiString& name) const {
  return attributes_.get(name);
}

RelationType* AttribsSection::getRelation(const AnsiString& name) const {
  return relations_.get(name);
}

bool AttribsSection::isAttributeTypePresent(const AnsiString& name) const {
  return attributes_.contains(name);
}

bool AttribsSection::isRelationTypePresent(const AnsiString& name) const {
  return relations_.contains(name);
}

AttribType* AttribsSection::getFirstAttributeType() {
  return attributes_.first();
}

AttribType* AttribsSection::getNextAttributeType() {
  return attributes_.next();
}

RelationType* AttribsSection::getFirstRelationType() {
  return relations_.first();
}

RelationType* AttribsSection::getNextRelationType() {
  return relations_.next();
}

}  // namespace swde
