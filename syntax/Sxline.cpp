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
}

void sxLine::addField() {
  fields_.emplace_back();
}

void sxLine::addField(const AnsiString& text) {
  fields_.emplace_back(text);
}

void sxLine::mergeFields(std::size_t i) {
  if (i >= fields_.size()) return;
  // Built in place in field i, then trimmed of the bytes up to the space on
  // both sides, as plat::Trim does.
  AnsiString& merged = fields_[i].text;
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
  fields_[i].setTextValue();
  fields_.resize(i + 1);
}

}  // namespace swde
