// One line of a data file handed out by the file or a record: its type,
// text, fields with their typed values, comment, verdicts and error.
#pragma once

#include <cstdint>

#include "platform/Com.h"
#include "platform/Export.h"
#include "reader/ReaderObject.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxline.h"

namespace swde {

class OLVBRIDGE1_API LiniaSW : public ReaderObject {
 public:
  LiniaSW(counted_ptr<sxLine> line, counted_ptr<sxError> error);

  plat::HRESULT dajTypLinii(std::int32_t* typ);
  // Field count, the identifier being field 0; S_FALSE and 0 for a line with
  // an error.
  plat::HRESULT dajIloscPol(std::uint32_t* ilosc);
  // Field index: its typed value and its text (null when empty; trimmed while
  // insignificant characters are skipped).
  plat::HRESULT dajPole(std::uint32_t indeks, plat::VARIANT* wartosc, plat::BSTR* tekst);
  plat::HRESULT pomijajZnakiNieznaczace(std::int32_t stan, std::int32_t* poprzedni);
  plat::HRESULT dajKomentarz(plat::BSTR* tekst);
  plat::HRESULT jestSeparatorLinii(std::int32_t* jest);
  // The line as read, with its comment, without the line end.
  plat::HRESULT dajReprezentacje(plat::BSTR* tekst);
  plat::HRESULT dajNumerLinii(std::uint32_t* numer);
  plat::HRESULT dajNumerLinii(std::uint64_t* numer);
  plat::HRESULT dajPozycjeWPliku(std::uint32_t* pozycja);
  plat::HRESULT dajPozycjeWPliku(std::uint64_t* pozycja);
  plat::HRESULT jestPoprawnaSyntaktycznie(bool* jest);
  plat::HRESULT jestPoprawnaWKontekscie(bool* jest);
  plat::HRESULT dajOpisBledu(std::uint32_t* kod, std::uint32_t* numerLinii, plat::BSTR* opis);

  // For the processing layer: the line record and its error as read.
  const counted_ptr<sxLine>& line() const { return line_; }
  const counted_ptr<sxError>& error() const { return error_; }

 private:
  ~LiniaSW() override;
  bool hasError() const;

  counted_ptr<sxLine> line_;
  counted_ptr<sxError> error_;
  bool trim_ = true;
};

}  // namespace swde
