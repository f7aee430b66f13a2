// The element and attribute names of the reference metadata file, as wide
// strings, compared exactly.
#pragma once

#include <string>

#include "platform/Export.h"

namespace swde {

class OLVRULES_API smXMLDef {
 public:
  smXMLDef();
  smXMLDef(const smXMLDef&) = delete;
  smXMLDef& operator=(const smXMLDef&) = delete;
  virtual ~smXMLDef();

  // elements
  const std::u16string tagSwde;
  const std::u16string tagAttribsSect;
  const std::u16string tagTypesSect;
  const std::u16string tagObject;
  const std::u16string tagAttributes;
  const std::u16string tagRelations;
  const std::u16string tagRelat;
  const std::u16string tagAttr;
  const std::u16string tagValue;
  const std::u16string tagDestObject;
  // attributes
  const std::u16string attrSchemaDate;
  const std::u16string attrSchemaVersion;
  const std::u16string attrSchemaProfile;
  const std::u16string attrMandatoryLevel;
  const std::u16string attrName;
  const std::u16string attrFieldName;
  const std::u16string attrType;
  const std::u16string attrBaseType;
  const std::u16string attrValueInt;
  const std::u16string attrValueStr;
  const std::u16string attrMandatory;
  const std::u16string attrMultiple;
  const std::u16string attrElement;
};

}  // namespace swde
