// The context records and user context records of a model (the SN section),
// each keyed by name.
#pragma once

#include "metadata/Contextrecord.h"
#include "metadata/Namedmap.h"
#include "metadata/Section.h"
#include "metadata/Usrcontextrecord.h"
#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API ContextSection : public Section {
 public:
  ContextSection();
  ~ContextSection() override;

  // A new record filed under name; null when the name is present.
  ContextRecord* addRecord(const AnsiString& name);
  UsrContextRecord* addUsrRecord(const AnsiString& name);

  ContextRecord* getRecord(const AnsiString& key) const;
  UsrContextRecord* getUsrRecord(const AnsiString& key) const;

  ContextRecord* getFirstContext();
  ContextRecord* getNextContext();
  UsrContextRecord* getFirstUsrContext();
  UsrContextRecord* getNextUsrContext();

 private:
  NamedMap<ContextRecord> records_;
  NamedMap<UsrContextRecord> usrRecords_;
};

}  // namespace swde
