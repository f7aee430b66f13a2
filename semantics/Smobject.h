// One object of the SO section, built from one record: its attributes and
// relations, the checks against the reference metadata (the annex) and the
// file's own metadata, and the findings of those checks.
//
// The processing layer makes an object through the factory, feeds it the
// record's attribute and relation lines, tells it whether the file declares
// its own metadata, runs checkMain once and drains the findings with
// getFirstError/getNextError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "metadata/Codeindex.h"
#include "metadata/Metadata.h"
#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "platform/Format.h"
#include "semantics/Smattribute.h"
#include "semantics/Smerrors.h"
#include "semantics/Smrelation.h"

namespace swde {

using plat::AnsiString;
using plat::TVarRec;

class OLVRULES_API smObject {
 public:
  explicit smObject(const AnsiString& typeName);
  smObject(const smObject&) = delete;
  smObject& operator=(const smObject&) = delete;
  virtual ~smObject();

  // Type-specific value rule, run on every attribute whose value passed its
  // own checks; the plain object has none.
  virtual void checkAttribValue(const smAttribute& attribute);

  // Stored under name, or under the code when name is empty; attributes and
  // relations of one name are kept in the order of adding. An entry's code
  // is the one given here: the lookups by code go by it, so it must not be
  // changed through the returned pointer.
  smAttribute* addAttribute(const AnsiString& code, const AnsiString& name,
                            const AnsiString& value);
  smRelation* addRelation(const AnsiString& code, const AnsiString& name);

  // First entry stored under name, or null.
  smAttribute* getAttribute(const AnsiString& name) const;
  smRelation* getRelation(const AnsiString& name) const;
  // First entry in name order whose code equals code, or null; O(log n)
  // through an index kept by the add operations, no allocation.
  smAttribute* getAttributeByCode(std::string_view code) const;
  smRelation* getRelationByCode(std::string_view code) const;

  // Findings in the order raised; null at the end and before getFirstError.
  smError* getFirstError();
  smError* getNextError();

  // Drops every attribute and relation; the findings stay.
  void clearMaps();

  // Whether the file declares its own SP and ST metadata; set before checkMain.
  void setExistMetadata(bool exists);

  // Checks the object against both models (a null model counts as an empty
  // one). False when the object is refused: its type is defined nowhere, or
  // its status is one of "20", "21", "22"; the attributes and relations are
  // then dropped.
  bool checkMain(Metadata* annex, Metadata* fileMetadata);

  // Value checks of one attribute against the base type code of its type;
  // a value that passes goes on to checkAttribValueRange.
  void checkAttribute(const AnsiString& typeCode, const smAttribute& attribute);
  // Emptiness of a mandatory value and the list of allowed values, then the
  // type-specific rule.
  void checkAttribValueRange(const smAttribute& attribute);

  // A finite decimal number: blanks around, an optional sign, digits with an
  // optional point, an optional exponent.
  static bool isCorrectFloatData(std::string_view value);
  // A fraction "n/d", optionally after a whole part and a blank, with decimal
  // digits and d > 0; an empty value passes. Raises 6016 when it returns
  // false. Sets the proper-fraction flag: "n/d" with 0 < n <= d.
  bool isCorectFraction(const smAttribute& attribute);

  // Written by the processing layer.
  AnsiString typeName;  // e.g. "G5O_BUD"
  AnsiString baseType;  // the record line's label, e.g. "RO"
  AnsiString objectId;
  AnsiString recordId;
  AnsiString status;  // two characters
  std::uint64_t line = 0;
  std::uint64_t position = 0;

 protected:
  bool isTypeDefined();
  bool checkStatusFormat();
  void isCorrectBaseType();
  void existsAttribsRelationsInST();
  void existsAttribsInSO();
  void existsRelationsInSO();
  void checkRelationDest();
  void checkAttrAndRelatMultiple();
  void checkDate();

  // The fraction rule of the share classes: an improper "G5UD" raises 6017.
  void checkProperShare(const smAttribute& attribute);

  // Appends a finding of section SO named after the object's type.
  void raise(smErrorCode code, smError::ReportMsgType kind, std::uint64_t atLine,
             std::uint64_t atPosition, std::initializer_list<TVarRec> args);
  // The same with the arguments (attribute name, type name) at the attribute.
  void raiseOn(const smAttribute& attribute, smErrorCode code,
               smError::ReportMsgType kind = smError::kError);

  RecordType* annexType() const;
  RecordType* fileType() const;

  Metadata* annex_ = nullptr;         // not owned
  Metadata* fileMetadata_ = nullptr;  // not owned
  bool existMetadata_ = false;
  bool creationDateValid_ = true;
  bool verificationDateValid_ = true;
  bool properFraction_ = true;
  // The two definitions of the object's type, looked up once for the checks
  // of one checkMain.
  bool typesHeld_ = false;
  RecordType* heldAnnexType_ = nullptr;
  RecordType* heldFileType_ = nullptr;

 private:
  using Attributes = std::multimap<AnsiString, std::unique_ptr<smAttribute>>;
  using Relations = std::multimap<AnsiString, std::unique_ptr<smRelation>>;

  std::size_t countAttributesWithCode(std::string_view code, const smAttribute** first) const;
  std::size_t countRelationsWithCode(std::string_view code, const smRelation** first) const;
  bool isWellFormed(const AnsiString& typeCode, const smAttribute& attribute);
  void invalidateDate(const smAttribute& attribute);

  Attributes attributes_;
  Relations relations_;
  // By code, the first entry in name order (the maps' order) and the number
  // of entries; kept by addAttribute/addRelation and clearMaps.
  CodeIndex<Attributes::const_iterator> attributesByCode_;
  CodeIndex<Relations::const_iterator> relationsByCode_;
  std::vector<std::unique_ptr<smError>> errors_;
  std::size_t errorCursor_;
};

}  // namespace swde
