// One attribute of a record type: its code, the key it is filed under, its
// flags, its allowed values and its comments.
#pragma once

#include <cstddef>
#include <map>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API AttributeDef {
 public:
  // One allowed value: the value key (a dictionary number) and its text.
  struct PossibleValues {
    AnsiString first;   // value
    AnsiString second;  // text
  };

  AttributeDef(const AnsiString& key, const AnsiString& code);
  AttributeDef(const AttributeDef&) = delete;
  AttributeDef& operator=(const AttributeDef&) = delete;
  virtual ~AttributeDef();

  // Files {value, text} under value; a value already present stays as it is.
  void AddValue(const AnsiString& text, const AnsiString& value);
  bool isValuePresent(const AnsiString& value) const;
  bool isStringValuePresent(const AnsiString& text) const;
  // 0 means that any value is allowed.
  unsigned getPossibleValuesCount() const;

  void addComment(const AnsiString& comment);
  // The i-th comment; empty when i is out of range.
  AnsiString getComment(unsigned i) const;

  // Fixed once made: the record type files the definition under them.
  const AnsiString key;
  const AnsiString code;
  bool multiple = false;
  int mandatoryLevel = 3;  // 1 required, 2 expected (warning), 3 and above optional
  bool hasKey = false;     // filed under a key of its own rather than under its code

 private:
  std::map<AnsiString, PossibleValues> values_;
  std::vector<AnsiString> comments_;
};

}  // namespace swde
