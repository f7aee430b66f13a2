// One reference (relation) of a record type: its code, the key it is filed
// under, its flags, the record types it may point to and its comments.
#pragma once

#include <vector>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API ReferenceDef {
 public:
  ReferenceDef(const AnsiString& key, const AnsiString& code);
  ReferenceDef(const ReferenceDef&) = delete;
  ReferenceDef& operator=(const ReferenceDef&) = delete;
  virtual ~ReferenceDef();

  // Appends an allowed target type; doubles are kept.
  void addRefTypeName(const AnsiString& typeName);
  // Exact match in the list of allowed target types.
  bool isRefTypeNamePresent(const AnsiString& typeName) const;
  // The allowed target types in the order they were added.
  const std::vector<AnsiString>& getRefTypeNames() const { return refTypeNames_; }

  void addComment(const AnsiString& comment);
  // The i-th comment; empty when i is out of range.
  AnsiString getComment(unsigned i) const;

  // Fixed once made: the record type files the definition under them.
  const AnsiString key;
  const AnsiString code;
  bool element = false;  // a component relation
  bool multiple = false;
  int mandatoryLevel = 3;  // 1 required, 2 expected (warning), 3 and above optional
  bool hasKey = false;     // filed under a key of its own rather than under its code

 private:
  std::vector<AnsiString> refTypeNames_;
  std::vector<AnsiString> comments_;
};

}  // namespace swde
