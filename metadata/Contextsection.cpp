#include "metadata/Contextsection.h"

namespace swde {

ContextSection::ContextSection() = default;

ContextSection::~ContextSection() = default;

ContextRecord* ContextSection::addRecord(const AnsiString& name) {
  return records_.add(name);
}

UsrContextRecord* ContextSection::addUsrRecord(const AnsiString& name) {
  return usrRecords_.add(name);
}

ContextRecord* ContextSection::getRecord(const AnsiString& key) const {
  return records_.get(key);
}

UsrContextRecord* ContextSection::getUsrRecord(const AnsiString& key) const {
  return usrRecords_.get(key);
}

ContextRecord* ContextSection::getFirstContext() {
  return records_.first();
}

ContextRecord* ContextSection::getNextContext() {
  return records_.next();
}

UsrContextRecord* ContextSection::getFirstUsrContext() {
  return usrRecords_.first();
}

UsrContextRecord* ContextSection::getNextUsrContext() {
  return usrRecords_.next();
}

}  // namespace swde
