// The record types of a model (the ST section), keyed by name.
#pragma once

#include "metadata/Namedmap.h"
#include "metadata/Recordtype.h"
#include "metadata/Section.h"
#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API TypesSection : public Section {
 public:
  TypesSection();
  ~TypesSection() override;

  // A new record type; null when name is present. nameAsRead is kept as a
  // text (the merge passes the type's name as the file spells it).
  RecordType* addType(const AnsiString& name, const AnsiString& baseType,
                      const AnsiString& nameAsRead);
  RecordType* getType(const AnsiString& name) const;
  bool isTypePresent(const AnsiString& name) const;
  RecordType* getFirstType();
  RecordType* getNextType();

 private:
  NamedMap<RecordType> types_;
};

}  // namespace swde
