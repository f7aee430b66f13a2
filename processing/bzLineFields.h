// What the semantic check reads of one reader line: its code, number and
// place, and its fields as text. A failing reader call raises bzCOMException
// naming the unit that asked.
#pragma once

#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/Com.h"
#include "processing/bzException.h"
#include "processing/bzProcessThread.h"
#include "reader/LiniaSW.h"

namespace swde {

class bzLineFields {
 public:
  bzLineFields(LiniaSW* line, const char* unit) : line_(line), unit_(unit) {}

  int code() const {
    std::int32_t code = 0;
    checkReaderStatus(line_->dajTypLinii(&code), unit_, __LINE__);
    return code;
  }
  std::uint64_t number() const {
    std::uint64_t n = 0;
    checkReaderStatus(line_->dajNumerLinii(&n), unit_, __LINE__);
    return n;
  }
  std::uint64_t position() const {
    std::uint64_t n = 0;
    checkReaderStatus(line_->dajPozycjeWPliku(&n), unit_, __LINE__);
    return n;
  }
  // The number of fields, read once.
  std::uint32_t count() const {
    if (count_ < 0) {
      std::uint32_t n = 0;
      checkReaderStatus(line_->dajIloscPol(&n), unit_, __LINE__);
      count_ = n;
    }
    return static_cast<std::uint32_t>(count_);
  }
  // Field index as read; "" for an empty field or one the line does not have.
  AnsiString operator[](std::uint32_t index) const {
    if (index >= count()) return AnsiString();
    plat::Variant value;
    plat::BSTR text = nullptr;
    const plat::HRESULT hr = line_->dajPole(index, value.raw(), &text);
    plat::BStr held(text);
    checkReaderStatus(hr, unit_, __LINE__);
    return plat::cp1250FromBstr(text);
  }
  // A name: ISO 8859-2 letters moved to Windows-1250.
  AnsiString name(std::uint32_t index) const { return isoToWin1250((*this)[index]); }

 private:
  LiniaSW* line_;
  const char* unit_;
  mutable std::int64_t count_ = -1;
};

}  // namespace swde
