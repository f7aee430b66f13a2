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
    const std::size_t at = lineAt(indeks);
    return at < lines_.size() ? &lines_[at] : nullptr;
  }
  std::uint8_t recordType() const { return type_; }
  // The record ended with its end line (or is a one-line record).
  bool complete() const { return complete_; }
  // An error was held after one of the reads that made the record.
  bool errorSeen() const { return errorSeen_; }
  bool contextFlag() const { return contextFlag_; }

 private:
  ~RekordSW() override;
  // Lines counted as dajLinie counts them.
  std::size_t visibleCount() const {
    return skip_ && !allSignificant_ ? significant_.size() : lines_.size();
  }
  // Index into lines_ of line indeks as dajLinie counts it; lines_.size()
  // beyond the last.
  std::size_t lineAt(std::uint32_t indeks) const {
    if (!skip_ || allSignificant_) return indeks < lines_.size() ? indeks : lines_.size();
    return indeks < significant_.size() ? significant_[indeks] : lines_.size();
  }

  std::uint8_t type_;
  std::vector<LineInfo> lines_;
  // Indexes into lines_ of the lines that count while comments are skipped;
  // made only when some line does not (most records have none).
  std::vector<std::uint32_t> significant_;
  bool allSignificant_ = true;
  counted_ptr<sxError> lastError_;
  bool complete_, errorSeen_, contextFlag_;
  bool skip_ = true;
};

}  // namespace swde
