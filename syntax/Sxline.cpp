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
  boxed_ = std::make_unique<plat::Variant>(plat::Variant::fromCp1250(text_));
  return boxed_->raw();
}

void sxLine::addField() {
  nextField().text = std::string_view();
}

void sxLine::dropCopies() {
  copies_.clear();
}

void sxLine::addCopiedField(std::string_view t) {
  copies_.emplace_back(t);
  nextField().text = copies_.back();
}

void sxLine::mergeFields(std::size_t i) {
  if (i >= count_) return;
  // Built in the line's own store, which keeps its room from line to line;
  // aside only when a field to join views the text of an earlier merge.
  bool aside = false;
  for (std::size_t k = i; k < count_ && !aside; ++k)
    aside = !merged_.empty() && within(fields_[k].text, merged_);
  AnsiString spare;
  AnsiString& merged = aside ? spare : merged_;
  merged.assign(fields_[i].text);
  for (std::size_t k = i + 1; k < count_; ++k) {
    merged += ',';
    merged += fields_[k].text;
  }
  if (hasSemicolon) {
    merged += ';';
    hasSemicolon = 0;
  }
  merged += comment;
  comment.clear();
  // Trimmed of the bytes up to the space on both sides, as plat::Trim does.
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  std::size_t e = merged.size();
  while (e > 0 && blank(merged[e - 1])) --e;
  std::size_t b = 0;
  while (b < e && blank(merged[b])) ++b;
  merged.erase(e);
  merged.erase(0, b);
  if (aside) merged_ = std::move(spare);
  fields_[i].text = merged_;
  fields_[i].setTextValue();
  count_ = static_cast<std::uint32_t>(i + 1);
}

}  // namespace swde
