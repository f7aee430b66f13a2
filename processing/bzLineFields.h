// What the semantic check reads of one reader line: its code, number and
// place, and its fields as text. A failing reader call raises bzCOMException
// naming the unit that asked.
//
// What the reader's line holds is read in place, as the reader's calls would
// give it: the fields' text trimmed while the line skips insignificant
// characters, no fields for a line with an error. Nothing is copied or
// converted until the caller keeps a field as a string; a line object
// without its line goes through the reader's calls.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/CodePage.h"
#include "platform/Com.h"
#include "processing/bzException.h"
#include "processing/bzProcessThread.h"
#include "reader/LiniaSW.h"

namespace swde {

class bzLineFields {
 public:
  bzLineFields(LiniaSW* line, const char* unit) : line_(line), unit_(unit) {}

  int code() const {
    if (const sxLine* held = line_->line().get()) return held->code;
    std::int32_t code = 0;
    checkReaderStatus(line_->dajTypLinii(&code), unit_, __LINE__);
    return code;
  }
  std::uint64_t number() const {
    if (const sxLine* held = line_->line().get()) return held->lineNumber;
    std::uint64_t n = 0;
    checkReaderStatus(line_->dajNumerLinii(&n), unit_, __LINE__);
    return n;
  }
  std::uint64_t position() const {
    if (const sxLine* held = line_->line().get()) return held->position;
    std::uint64_t n = 0;
    checkReaderStatus(line_->dajPozycjeWPliku(&n), unit_, __LINE__);
    return n;
  }
  // The number of fields, read once: none for a line with an error.
  std::uint32_t count() const {
    if (count_ < 0) {
      const sxLine* held = line_->line().get();
      if (held) {
        count_ = line_->error() || !held->syntaxOk || !held->contextOk ? 0 : held->getFieldCount();
      } else {
        std::uint32_t n = 0;
        checkReaderStatus(line_->dajIloscPol(&n), unit_, __LINE__);
        count_ = n;
      }
    }
    return static_cast<std::uint32_t>(count_);
  }
  // Field index as read, a view into the line valid while the line lives;
  // "" for an empty field or one the line does not have.
  std::string_view view(std::uint32_t index) const {
    if (index >= count()) return {};
    const sxLineField* field = line_->line() ? line_->line()->getField(index) : nullptr;
    if (!field) checkReaderStatus(plat::E_INVALIDARG, unit_, __LINE__);
    return trims() ? plat::TrimView(field->text) : field->text;
  }
  // The same as a string.
  AnsiString operator[](std::uint32_t index) const { return AnsiString(view(index)); }
  // A name: ISO 8859-2 letters moved to Windows-1250.
  AnsiString name(std::uint32_t index) const {
    return plat::iso88592ToCp1250(view(index), plat::IsoSigns::PolishLetters);
  }

 private:
  // Whether the line skips insignificant characters, asked once; the line
  // is left as it was.
  bool trims() const {
    if (trims_ < 0) {
      std::int32_t previous = 0;
      checkReaderStatus(line_->pomijajZnakiNieznaczace(1, &previous), unit_, __LINE__);
      if (!previous) {
        std::int32_t ignored = 0;
        checkReaderStatus(line_->pomijajZnakiNieznaczace(0, &ignored), unit_, __LINE__);
      }
      trims_ = previous ? 1 : 0;
    }
    return trims_ > 0;
  }

  LiniaSW* line_;
  const char* unit_;
  mutable std::int64_t count_ = -1;
  mutable int trims_ = -1;
};

}  // namespace swde
