// One record of a data file (record start line to record end line, or a
// one-line record) with the errors met while it was read.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Com.h"
#include "platform/Export.h"
#include "reader/LiniaSW.h"
#include "reader/ReaderObject.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxline.h"

namespace swde {

// A line and the error raised on it.
struct OLVBRIDGE1_API LineInfo {
  counted_ptr<sxLine> line;
  counted_ptr<sxError> error;
};

class OLVBRIDGE1_API RekordSW : public ReaderObject {
 public:
  RekordSW(std::uint8_t recordType, std::vector<LineInfo> lines, counted_ptr<sxError> lastError,
           bool complete, bool errorSeen, bool contextFlag);

  // Lines of the record; comment lines and lines without identifier do not
  // count while comments are skipped.
  plat::HRESULT dajIloscLinii(std::uint32_t* ilosc);
  plat::HRESULT dajLinie(std::uint32_t indeks, LiniaSW** linia);
  plat::HRESULT pomijajKomentarze(std::int32_t stan, std::int32_t* poprzedni);
  plat::HRESULT dajOpisBledu(std::uint32_t* kod, std::uint32_t* numerLinii, plat::BSTR* opis);
  // Byte position of the record's first line.
  plat::HRESULT dajPozycjeWPliku(std::uint32_t* pozycja);
  plat::HRESULT dajPozycjeWPliku(std::uint64_t* pozycja);

  // For the processing layer: line indeks as dajLinie counts it, with its
  // error, read in place; null beyond the record's lines.
  const LineInfo* lineInfo(std::uint32_t indeks) const {
    const auto& v = visible();
    return indeks < v.size() ? &lines_[v[indeks]] : nullptr;
  }
  std::uint8_t recordType() const { return type_; }
  // The record ended with its end line (or is a one-line record).
  bool complete() const { return complete_; }
  // An error was held after one of the reads that made the record.
  bool errorSeen() const { return errorSeen_; }
  bool contextFlag() const { return contextFlag_; }

 private:
  ~RekordSW() override;
  const std::vector<std::uint32_t>& visible() const { return skip_ ? significant_ : all_; }

  std::uint8_t type_;
  std::vector<LineInfo> lines_;
  std::vector<std::uint32_t> all_, significant_;  // indexes into lines_
  counted_ptr<sxError> lastError_;
  bool complete_, errorSeen_, contextFlag_;
  bool skip_ = true;
};

}  // namespace swde
