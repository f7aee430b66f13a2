#include "metadata/Typessection.h"

namespace swde {

TypesSection::TypesSection() = default;

TypesSection::~TypesSection() = default;

RecordType* TypesSection::addType(const AnsiString& name, const AnsiString& baseType,
                                  const AnsiString& nameAsRead) {
  return types_.add(name, baseType, nameAsRead);
}

RecordType* TypesSection::getType(const AnsiString& name) const {
  return types_.get(name);
}

bool TypesSection::isTypePresent(const AnsiString& name) const {
  return types_.contains(name);
}

RecordType* TypesSection::getFirstType() {
  return types_.first();
}

RecordType* TypesSection::getNextType() {
  return types_.next();
}

}  // namespace swde
