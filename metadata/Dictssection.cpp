#include "metadata/Dictssection.h"

namespace swde {

DictsSection::DictsSection() = default;

DictsSection::~DictsSection() = default;

Dictionary* DictsSection::addDictionary(const AnsiString& name) {
  return dictionaries_.add(name);
}

Dictionary* DictsSection::getDictionary(const AnsiString& name) const {
  return dictionaries_.get(name);
}

bool DictsSection::isDictionaryPresent(const AnsiString& name) const {
  return dictionaries_.contains(name);
}

Dictionary* DictsSection::getFirstDictionary() {
  return dictionaries_.first();
}

Dictionary* DictsSection::getNextDictionary() {
  return dictionaries_.next();
}

}  // namespace swde
