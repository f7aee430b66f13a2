#include "syntax/Sxerrors.h"

#include <map>

#include "platform/CodePage.h"

namespace swde {
namespace {

using plat::cp;

const std::map<int, AnsiString>& messageTable() {
  static const std::map<int, AnsiString> table = {
      {101, cp("Niedozwolony znak o kodzie: %d")},
      {102, cp("Długość linii przekracza dopuszczalny rozmiar")},
      {103, cp("Niespodziewany koniec pliku")},
      {104, cp("Nierozpoznany format pliku")},
      {105, cp("Długość nazwy '%s' przekracza 32 znaki")},
      {106, cp("Brak identyfikatora obiektu")},
      {107, cp("Identyfikator '%s' jest zbyt długi")},
      {120, cp("Brak wyróżnika linii")},
      {121, cp("Nierozpoznany typ linii : %s")},
      {122, cp("Nieprawidłowa liczba pól")},
      {123, cp("Brak średnika na końcu linii")},
      {124, cp("Pole nr %d ma nieprawidłową wartość")},
      {125, cp("Pole nr %d ma nieprawidłową wartość, spodziewana jest liczba całkowita")},
      {126, cp("Pole nr %d ma nieprawidłową wartość, spodziewana jest liczba rzeczywista")},
      {127, cp("Pole nr %d ma nieprawidłową wartość, spodziewana jest liczba całkowita nieujemna")},
      {128, cp("Pole nr %d ma nieprawidłową wartość, spodziewana jest liczba całkowita dodatnia")},
      {129, cp("Pole nr %d zawiera nieprawidłową wartość (zapomniany separator pól?)")},
      {130, cp("Pole nr %d nie może być puste")},
      {131, cp("Pole nr %d ma nieprawidłową wartość. Niedozwolony znak o kodzie %u w nazwie lub "
               "identyfikatorze")},
      {132, cp("Linia TR powinna zawierać różne numery wierzchołków")},
      {201, cp("Nieprawidłowe wystąpienie linii nagłówka pliku")},
      {202, cp("Nieprawidłowe wystąpienie linii końca pliku. Brak końca sekcji")},
      {203, cp("Nieprawidłowe wystąpienie poczatku sekcji. Brak linii nagłówka pliku lub końca "
               "poprzedniej sekcji")},
      {204, cp("Nieprawidłowe wystąpienie końca sekcji. Brak początku sekcji")},
      {205, cp("Nieprawidłowe wystąpienie początku rekordu. Brak sekcji lub końca poprzedniego "
               "rekordu")},
      {206, cp("Nieprawidłowe wystąpienie końca rekordu")},
      {207, cp("Nieprawidłowe wystąpienie rekordu %s poza sekcją")},
      {208, cp("Nieprawidłowe wystąpienie podrekordu %s w rekordzie %s")},
      {209, cp("Nieprawidłowe wystąpienie linii %s w bieżącym kontekście")},
      {210, cp("Nieprawidłowe zakończenie pliku. Brak domknięcia rekordu")},
      {211, cp("Nieprawidłowe zakończenie pliku. Brak domknięcia sekcji")},
      {212, cp("Nieprawidłowe zakończenie pliku")},
      {213, cp("Nieprawidłowe wystąpienie linii %s w bieżącym kontekście. Przypuszczalnie brak "
               "geometrii lub podrekord geometrii niepoprawnie zbudowany")},
  };
  return table;
}

AnsiString tableMessage(int code, const TVarRec* args, int argsHigh) {
  return plat::ErrorMessage(sxErrorText(code), args, argsHigh);
}

}  // namespace

const AnsiString& sxErrorText(int code) {
  static const AnsiString none;
  const auto& table = messageTable();
  auto it = table.lower_bound(code);
  if (it == table.end() || it->first != code) return none;
  return it->second;
}

const AnsiString& sxNoErrorDescription() {
  return plat::NoErrorDescription();
}

sxError::sxError(std::uint64_t line, std::uint8_t section, std::uint8_t code,
                 const AnsiString& text)
    : line(line), section(section), code(code), message(text) {}

sxError::sxError(std::uint64_t line, std::uint8_t section, std::uint8_t code,
                 const AnsiString& format, const TVarRec* args, int argsHigh)
    : line(line), section(section), code(code), message(plat::Format(format, args, argsHigh)) {}

sxError::sxError(std::uint64_t line, std::uint8_t section, std::uint8_t code, const TVarRec* args,
                 int argsHigh)
    : line(line), section(section), code(code), message(tableMessage(code, args, argsHigh)) {}

}  // namespace swde
