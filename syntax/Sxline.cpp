#include "syntax/Sxline.h"

namespace swde {

namespace {
constexpr std::size_t kReservedFields = 8;
}

sxLine::sxLine(sxLineCode code, std::uint64_t lineNumber) : code(code), lineNumber(lineNumber) {
  fields_.reserve(kReservedFields);
}

sxLine::sxLine(sxLineCode code, std::uint64_t lineNumber, const AnsiString& text)
    : code(code), lineNumber(lineNumber), text(text) {
  fields_.reserve(kReservedFields);
}

const plat::VARIANT* sxFieldValue::box() const {
  boxed_ = plat::Variant::fromCp1250(text_);
  return boxed_->raw();
}

void sxLine::reset(sxLineCode newCode, std::uint64_t newLineNumber) {
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
  fields_.clear();
  merged_.clear();
  copies_.clear();
}

void sxLine::addField() {
  fields_.emplace_back();
}

void sxLine::addField(std::string_view t) {
  const char* const b = text.data();
  if (t.data() >= b && t.data() + t.size() <= b + text.size()) {
    fields_.push_back(sxLineField{t, {}});
    return;
  }
  copies_.emplace_back(t);
  fields_.push_back(sxLineField{copies_.back(), {}});
}

void sxLine::mergeFields(std::size_t i) {
  if (i >= fields_.size()) return;
  // Built aside (field i may view the text of an earlier merge), then
  // trimmed of the bytes up to the space on both sides, as plat::Trim does.
  AnsiString merged(fields_[i].text);
  for (std::size_t k = i + 1; k < fields_.size(); ++k) {
    merged += ',';
    merged += fields_[k].text;
  }
  if (hasSemicolon) {
    merged += ';';
    hasSemicolon = 0;
  }
  merged += comment;
  comment.clear();
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  std::size_t e = merged.size();
  while (e > 0 && blank(merged[e - 1])) --e;
  std::size_t b = 0;
  while (b < e && blank(merged[b])) ++b;
  merged.erase(e);
  merged.erase(0, b);
  merged_ = std::move(merged);
  fields_[i].text = merged_;
  fields_[i].setTextValue();
  fields_.resize(i + 1);
}

}  // namespace swde
