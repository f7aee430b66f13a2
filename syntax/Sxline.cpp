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

void sxLine::addField() {
  fields_.emplace_back();
}

void sxLine::addField(const AnsiString& text) {
  fields_.emplace_back(text);
}

void sxLine::mergeFields(std::size_t i) {
  if (i >= fields_.size()) return;
  AnsiString merged = fields_[i].text;
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
  merged = plat::Trim(merged);
  fields_[i].value = plat::Variant::fromCp1250(merged);
  fields_[i].text = std::move(merged);
  fields_.resize(i + 1);
}

}  // namespace swde
