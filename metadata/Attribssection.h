// The attribute types and relation types of a model (the SP section), each
// keyed by name.
#pragma once

#include "metadata/Attribtype.h"
#include "metadata/Namedmap.h"
#include "metadata/Relationtype.h"
#include "metadata/Section.h"
#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API AttribsSection : public Section {
 public:
  AttribsSection();
  ~AttribsSection() override;

  // A new entry named name; null when the name is present.
  AttribType* addAttribute(const AnsiString& name);
  RelationType* addRelation(const AnsiString& name);

  AttribType* getAttribute(const AnsiString& name) const;
  RelationType* getRelation(const AnsiString& name) const;
  bool isAttributeTypePresent(const AnsiString& name) const;
  bool isRelationTypePresent(const AnsiString& name) const;

  AttribType* getFirstAttributeType();
  AttribType* getNextAttributeType();
  RelationType* getFirstRelationType();
  RelationType* getNextRelationType();

 private:
  NamedMap<AttribType> attributes_;
  NamedMap<RelationType> relations_;
};

}  // namespace swde
