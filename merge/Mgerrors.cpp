#include "merge/Mgerrors.h"

#include <map>

#include "platform/CodePage.h"

namespace swde {
namespace {

using plat::cp;

// Built at the first use and read-only afterwards (the initialization of a
// function-local static is thread-safe).
const std::map<int, AnsiString>& messageMap() {
  static const std::map<int, AnsiString> map = {
      {20001, cp("Obiekt %s nie został scalony. Brak %s dla tego typu obiektu")},
      {20002, cp("Obiekt %s nie został scalony. Brak %s dla tego obiektu")},
      {20003, cp("Obiekt %s nie został scalony. Wersja obiektu nie jest aktualna")},
      {20004, cp("Obiekt %s nie został scalony. Obiekt nie znajduje się w katalogu bazy danych "
                 "ewidencyjnych")},
      {20005, cp("Obiekt %s został scalony już wcześniej")},
      {20006, cp("Nie znaleziono obrębu dla obiektu %s")},
      {20007, cp("Obiekt geometryczny %s wystąpił w pliku zawierającym obiekty z części opisowej")},
      {20008, cp("Obiekt opisowy %s wystąpił w pliku zawierającym obiekty z części geometrycznej")},
      {20009, cp("Obiekt %s typowy dla pliku scalonego wystąpił w pliku zawierajacym obiekty z "
                 "części %s")},
      {20010, cp("Nie udało się określić rodzaju pliku. Prawdopodobnie plik zawiera obiekty z "
                 "części opisowej i z części geometrycznej")},
      {20011, cp("Próba scalenia dwóch pilków z opisem lub dwóch plików z geometrią")},
  };
  return map;
}

AnsiString mapMessage(int code, const TVarRec* args, int last) {
  return plat::ErrorMessage(mgErrorText(code), args, last);
}

}  // namespace

const AnsiString& mgErrorText(int code) {
  static const AnsiString absent = "  ";
  const auto& map = messageMap();
  const auto it = map.find(code);
  return it == map.end() ? absent : it->second;
}

mgError::mgError(mgErrorCode code) : code(code), message(mgErrorText(code)) {}

mgError::mgError(mgErrorCode code, ReportSectionType section, ReportMsgType type,
                 std::uint64_t line, std::uint64_t position)
    : line(line),
      position(position),
      section(section),
      code(code),
      type(type),
      message(mgErrorText(code)) {}

mgError::mgError(std::uint64_t line, mgErrorCode code, const AnsiString& text, const TVarRec* args,
                 int last)
    : line(line), code(code), message(plat::Format(text, args, last)) {}

mgError::mgError(mgErrorCode code, const TVarRec* args, int last)
    : code(code), message(mapMessage(code, args, last)) {}

mgError::mgError(mgErrorCode code, ReportSectionType section, ReportMsgType type,
                 std::uint64_t line, std::uint64_t position, const TVarRec* args, int last)
    : line(line),
      position(position),
      section(section),
      code(code),
      type(type),
      message(mapMessage(code, args, last)) {}

mgError::~mgError() = default;

}  // namespace swde
