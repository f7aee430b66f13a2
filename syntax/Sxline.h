// One line of a data file as the analyzer builds it: code, number, place,
// text, identifier, fields with their typed values, comment and verdicts.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Com.h"
#include "platform/Export.h"
#include "syntax/Sxcodes.h"

namespace swde {

using plat::AnsiString;

// Shared holder in which lines and errors travel between the parts of the
// syntax layer and to the reader objects.
template <class T>
using counted_ptr = std::shared_ptr<T>;

// The typed value of a field, read as a plat::Variant. A string value that is
// the field's own text is only marked, and made into its string when somebody
// reads it: most lines are checked and never read field by field.
class OLVLEX_API sxFieldValue {
 public:
  plat::VARTYPE vt() const { return text_ ? plat::VT_BSTR : v_.vt(); }
  plat::VARIANT* raw() {
    materialize();
    return v_.raw();
  }
  const plat::VARIANT* raw() const {
    materialize();
    return v_.raw();
  }
  sxFieldValue& operator=(plat::Variant v) {
    v_ = std::move(v);
    text_ = nullptr;
    return *this;
  }

 private:
  friend struct sxLineField;
  void materialize() const {
    if (!text_) return;
    v_ = plat::Variant::fromCp1250(*text_);
    text_ = nullptr;
  }

  mutable plat::Variant v_;
  mutable const AnsiString* text_ = nullptr;  // the value is this text as a string
};

struct OLVLEX_API sxLineField {
  sxLineField() = default;
  explicit sxLineField(AnsiString t) : text(std::move(t)) {}
  sxLineField(const sxLineField& o) : text(o.text), value(o.value) { rebind(o); }
  sxLineField(sxLineField&& o) noexcept : text(std::move(o.text)), value(std::move(o.value)) {
    rebind(o);
  }
  sxLineField& operator=(const sxLineField& o) {
    if (this != &o) {
      text = o.text;
      value = o.value;
      rebind(o);
    }
    return *this;
  }
  sxLineField& operator=(sxLineField&& o) noexcept {
    if (this != &o) {
      text = std::move(o.text);
      value = std::move(o.value);
      rebind(o);
    }
    return *this;
  }

  // The value becomes the field's text as a string (VT_BSTR).
  void setTextValue() {
    value.v_ = plat::Variant();
    value.text_ = &text;
  }

  AnsiString text;     // the field as read
  sxFieldValue value;  // empty until a validator stores the typed value

 private:
  // A value marked as the text follows the text into this field.
  void rebind(const sxLineField& o) { value.text_ = o.value.text_ ? &text : nullptr; }
};

class OLVLEX_API sxLine {
 public:
  sxLine(sxLineCode code, std::uint64_t lineNumber);
  sxLine(sxLineCode code, std::uint64_t lineNumber, const AnsiString& text);
  virtual ~sxLine();

  // Back to the state of a line just made with this code and number.
  void reset(sxLineCode code, std::uint64_t lineNumber);

  // Appends a field with empty (or the given) text and an empty value.
  void addField();
  void addField(const AnsiString& text);
  void addField(AnsiString&& text) { fields_.emplace_back(std::move(text)); }
  // Field i counted from 0 (the identifier), or null past the last one.
  sxLineField* getField(std::size_t i) { return i < fields_.size() ? &fields_[i] : nullptr; }
  const sxLineField* getField(std::size_t i) const {
    return i < fields_.size() ? &fields_[i] : nullptr;
  }
  std::uint32_t getFieldCount() const { return static_cast<std::uint32_t>(fields_.size()); }

  // Makes field i hold the rest of the line: the later fields joined with ",",
  // then ";" when the line had one (the flag is cleared), then the comment
  // (which becomes empty); trimmed, stored as text and as a string value. The
  // fields after i go. Nothing happens when i is past the last field.
  void mergeFields(std::size_t i);

  sxLineCode code;
  std::uint64_t lineNumber;
  std::uint64_t position = 0;  // byte offset of the line's start in the file
  AnsiString text;
  AnsiString ident;
  AnsiString comment;  // what follows the ';' up to the end of the line
  std::uint8_t hasSemicolon = 0;
  std::uint8_t syntaxOk = 0;
  std::uint8_t contextOk = 0;
  // Kind index set by some field rules (B kind word, H form, NS word, TD of
  // a complex record); read only when syntaxOk is set.
  std::int32_t mark = 0;

 private:
  std::vector<sxLineField> fields_;
};

}  // namespace swde
