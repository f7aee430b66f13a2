// One line of a data file as the analyzer builds it: code, number, place,
// text, identifier, fields with their typed values, comment and verdicts.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string_view>
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

// The typed value of a field. Numbers are kept as they are; a string value
// is the field's own text, made into a string only when somebody reads it as
// a variant: most lines are checked and never read field by field.
class OLVLEX_API sxFieldValue {
 public:
  plat::VARTYPE vt() const { return boxed_ ? boxed_->vt() : isText_ ? plat::VT_BSTR : scalar_.vt; }
  // The value as a variant, valid while the line lives unchanged.
  const plat::VARIANT* raw() const {
    if (boxed_) return boxed_->raw();
    if (isText_) return box();
    return &scalar_;
  }
  // The number held (VT_I4, VT_UI4 or VT_R8), or VT_EMPTY.
  const plat::VARIANT& scalar() const { return scalar_; }

  void setI4(std::int32_t v) { setScalar(plat::VT_I4).lVal = v; }
  void setUI4(std::uint32_t v) { setScalar(plat::VT_UI4).ulVal = v; }
  void setR8(double v) { setScalar(plat::VT_R8).dblVal = v; }
  // The value becomes text as a string (VT_BSTR); text must outlive it.
  void setText(std::string_view text) {
    setScalar(plat::VT_EMPTY);
    isText_ = true;
    text_ = text;
  }
  // Any value.
  sxFieldValue& operator=(plat::Variant v) {
    setScalar(plat::VT_EMPTY);
    boxed_ = std::make_unique<plat::Variant>(std::move(v));
    return *this;
  }
  // Back to no value.
  void clear() { setScalar(plat::VT_EMPTY); }

 private:
  plat::VARIANT& setScalar(plat::VARTYPE vt) {
    if (boxed_) boxed_.reset();
    isText_ = false;
    scalar_ = plat::VARIANT{};
    scalar_.vt = vt;
    return scalar_;
  }
  const plat::VARIANT* box() const;

  plat::VARIANT scalar_{};
  bool isText_ = false;
  std::string_view text_;
  mutable std::unique_ptr<plat::Variant> boxed_;  // a value made a variant
};

// A field: its bytes as a view into the line that holds it, and its value.
struct OLVLEX_API sxLineField {
  // The value becomes the field's text as a string (VT_BSTR).
  void setTextValue() { value.setText(text); }

  std::string_view text;  // the field as read
  sxFieldValue value;     // empty until a validator stores the typed value
};

class OLVLEX_API sxLine {
 public:
  sxLine(sxLineCode code, std::uint64_t lineNumber);
  sxLine(sxLineCode code, std::uint64_t lineNumber, const AnsiString& text);
  virtual ~sxLine();
  // Fields are views into the line's own bytes.
  sxLine(const sxLine&) = delete;
  sxLine& operator=(const sxLine&) = delete;

  // Back to the state of a line just made with this code and number; the
  // room of its texts and fields stays for the next use.
  void reset(sxLineCode newCode, std::uint64_t newLineNumber) {
    code = newCode;
    lineNumber = newLineNumber;
    position = 0;
    text.clear();
    ident.clear();
    comment.clear();
    hasSemicolon = 0;
    syntaxOk = 0;
    contextOk = 0;
    mark = 0;
    count_ = 0;
    borrowed_ = std::string_view();
    merged_.clear();
    if (!copies_.empty()) dropCopies();
  }

  // Appends a field with empty (or the given) text and an empty value. A
  // text that lies in the line's text is kept as a view of it; any other is
  // copied into the line. text must not change while fields view it.
  void addField();
  void addField(std::string_view text) {
    if (within(text, this->text) || within(text, borrowed_))
      nextField().text = text;
    else
      addCopiedField(text);
  }
  // Appends a field that views the line's text or its borrowed bytes.
  void addViewField(std::string_view text) { nextField().text = text; }
  // Lets the fields view bytes outside the line, which must stay valid and
  // unchanged while the line is used; until the next reset.
  void borrow(std::string_view bytes) { borrowed_ = bytes; }
  // Removes the last field, when there is one.
  void dropLastField() {
    if (count_ > 0) --count_;
  }
  // Field i counted from 0 (the identifier), or null past the last one.
  sxLineField* getField(std::size_t i) { return i < count_ ? &fields_[i] : nullptr; }
  const sxLineField* getField(std::size_t i) const { return i < count_ ? &fields_[i] : nullptr; }
  std::uint32_t getFieldCount() const { return count_; }

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
  static bool within(std::string_view part, std::string_view whole) {
    return whole.data() != nullptr && part.data() >= whole.data() &&
           part.data() + part.size() <= whole.data() + whole.size();
  }
  void addCopiedField(std::string_view text);
  void dropCopies();
  // The next field, cleared; the field records stay for the next use of
  // the line.
  sxLineField& nextField() {
    if (count_ == fields_.size()) fields_.emplace_back();
    sxLineField& f = fields_[count_++];
    f.value.clear();
    return f;
  }

  std::vector<sxLineField> fields_;
  std::uint32_t count_ = 0;       // fields in use
  std::string_view borrowed_;     // bytes outside the line that fields may view
  AnsiString merged_;             // the text of a field made by mergeFields
  std::list<AnsiString> copies_;  // field texts from outside the line's text
};

}  // namespace swde
