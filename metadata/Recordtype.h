// One application record type: its name, base type, mandatory level and
// comment, with its attribute and reference definitions.
#pragma once

#include <string_view>

#include "metadata/Attributedef.h"
#include "metadata/Codeindex.h"
#include "metadata/Namedmap.h"
#include "metadata/Referencedef.h"
#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API RecordType {
 public:
  RecordType(const AnsiString& name, const AnsiString& baseType, const AnsiString& nameAsRead);
  RecordType(const RecordType&) = delete;
  RecordType& operator=(const RecordType&) = delete;
  virtual ~RecordType();

  // The base type marks a complex record.
  bool isComplex() const;

  // A new definition with that code, filed under field when field is not
  // empty (then hasKey is set), else under code; null when the key is taken.
  AttributeDef* addAttribute(const AnsiString& code, const AnsiString& field);
  ReferenceDef* addReference(const AnsiString& code, const AnsiString& field);

  AttributeDef* getAttribute(const AnsiString& key) const;
  ReferenceDef* getReference(const AnsiString& key) const;
  bool isAttributePresent(const AnsiString& key) const;
  bool isReferencePresent(const AnsiString& key) const;

  // First definition in key order whose code equals code, or null, found
  // through an index kept by the add operations (O(log n), no allocation).
  // These leave the cursors alone, so they are safe inside a getFirst/getNext
  // walk.
  AttributeDef* getAttributeByCode(std::string_view code) const;
  ReferenceDef* getReferenceByCode(std::string_view code) const;

  AttributeDef* getFirstAttr();
  AttributeDef* getNextAttr();
  ReferenceDef* getFirstReference();
  ReferenceDef* getNextReference();

  AnsiString name;
  AnsiString baseType;     // "RC" for a complex record
  AnsiString nameAsRead;   // third argument of addType: the type's name as the file spells it
  int mandatoryLevel = 3;  // 1 a file must define the type, 2 its absence is a warning
  AnsiString comment;

 private:
  NamedMap<AttributeDef> attributes_;
  NamedMap<ReferenceDef> references_;
  // A definition's key and code are fixed once it is made, so the indexes
  // stay true.
  CodeIndex<AttributeDef*> attributesByCode_;
  CodeIndex<ReferenceDef*> referencesByCode_;
};

}  // namespace swde
