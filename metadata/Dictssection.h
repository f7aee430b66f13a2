// The dictionaries of a model (the SD section), keyed by name.
#pragma once

#include "metadata/Dictionary.h"
#include "metadata/Namedmap.h"
#include "metadata/Section.h"
#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API DictsSection : public Section {
 public:
  DictsSection();
  ~DictsSection() override;

  // A new dictionary; null when the name is present.
  Dictionary* addDictionary(const AnsiString& name);
  Dictionary* getDictionary(const AnsiString& name) const;
  bool isDictionaryPresent(const AnsiString& name) const;
  Dictionary* getFirstDictionary();
  Dictionary* getNextDictionary();

 private:
  NamedMap<Dictionary> dictionaries_;
};

}  // namespace swde
