#include "semantics/Smxmldef.h"

namespace swde {

smXMLDef::smXMLDef()
    : tagSwde(u"SWDE"),
      tagAttribsSect(u"ATTRIBS_SECT"),
      tagTypesSect(u"TYPES_SECT"),
      tagObject(u"OBJECT"),
      tagAttributes(u"ATTRIBUTES"),
      tagRelations(u"RELATIONS"),
      tagRelat(u"RELAT"),
      tagAttr(u"ATTR"),
      tagValue(u"VALUE"),
      tagDestObject(u"DEST_OBJECT"),
      attrSchemaDate(u"schema_date"),
      attrSchemaVersion(u"schema_version"),
      attrSchemaProfile(u"schema_profile"),
      attrMandatoryLevel(u"mandatory_level"),
      attrName(u"name"),
      attrFieldName(u"field_name"),
      attrType(u"type"),
      attrBaseType(u"base_type"),
      attrValueInt(u"value_int"),
      attrValueStr(u"value_str"),
      attrMandatory(u"mandatory"),
      attrMultiple(u"multiple"),
      attrElement(u"element") {}

smXMLDef::~smXMLDef() = default;

}  // namespace swde
