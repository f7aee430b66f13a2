#include "semantics/Smerrors.h"

#include <map>

#include "platform/CodePage.h"

namespace swde {
namespace {

using plat::cp;

const std::map<int, AnsiString>& messageTable() {
  static const std::map<int, AnsiString> table = {
      {2001, cp("Atrybut %s zadeklarowany wcześniej")},
      {2002, cp("Niezgodność typu atrybutu %s z załącznikiem")},
      {2003, cp("Dodatkowy atrybut %s - brak w załączniku")},
      {2004, cp("Relacja %s zadeklarowana wcześniej")},
      {2005, cp("Dodatkowe wiązanie %s - brak w załączniku")},
      {2006, cp("Brak deklaracji typu atrybutu %s")},
      {2007, cp("Brak deklaracji typu wiązania %s")},
      {2008, cp("Brak sekcji deklaracji atrybutów i wiązań (SP)")},
      {3001, cp("Dodatkowy typ aplikacyjny %s - brak takiego typu w załączniku")},
      {3002, cp("Typ bazowy rekordu %s niezgodny z załącznikiem")},
      {3003, cp("Brak wymaganego atrybutu %s w definicji typu %s - niezgodność z załącznikiem")},
      {3004, cp("Brak wymaganego wiązania %s w definicji typu %s - niezgodność z załącznikiem")},
      {3005, cp("Brak definicji typu rekordu %s w sekcji ST")},
      {3006, cp("Nieprawidłowa krotność relacji %s w definicji typu %s")},
      {3007, cp("Dodatkowy atrybut %s w definicji typu aplikacyjnego %s")},
      {3008, cp("Dodatkowa relacja %s w definicji typu aplikacyjnego %s")},
      {3009, cp("Atrybut %s nie jest zadeklarowany w sekcji SP")},
      {3010, cp("Relacja %s nie jest zadeklarowana w sekcji SP")},
      {3011, cp("Wielokrotne wystąpienie wiązania %s w definicji typu rekordu %s")},
      {3012, cp("Wielokrotne wystąpienie atrybutu %s w definicji typu rekordu %s")},
      {3013, cp("Wielokrotne wystąpienie definicji rekordu %s")},
      {3014, cp("Brak sekcji definicji typów (ST)")},
      {6001, cp("Atrybut %s nie jest zdefiniowany dla rekordu %s")},
      {6002, cp("Relacja %s nie jest zdefinowana dla rekordu %s")},
      {6003, cp("Data utworzenia obiektu %s nie może być pusta")},
      {6004, cp("Data weryfikacji obiektu %s nie może być pusta")},
      {6005, cp("Data weryfikacji obiektu %s wcześniejsza niż data jego utworzenia")},
      {6006, cp("Niepoprawny typ bazowy rekordu %s")},
      {6007, cp("Brak definicji rekordu %s w sekcji metadanych")},
      {6008, cp("Brak wymaganego atrybutu %s w rekordzie %s")},
      {6009, cp("Brak wymaganej relacji %s w rekordzie %s")},
      {6010, cp("Typ wskazywany przez wiązanie %s w obiekcie %s niezgodny z załącznikiem")},
      {6011, cp("Niepoprawna ilość wystąpień atrybutu %s w rekordzie %s")},
      {6012, cp("Niepoprawna ilość wystąpień relacji %s w rekordzie %s")},
      {6013, cp("Niepoprawna wartość atrybutu %s w obiekcie %s lub nieprawidłowy znak - "
                "spodziewana jest liczba rzeczywista")},
      {6014, cp("Niepoprawna wartość atrybutu %s w obiekcie %s lub nieprawidłowy znak - "
                "spodziewana jest liczba całkowita")},
      {6015, cp("Niepoprawna wartość atrybutu %s w obiekcie %s lub nieprawidłowy znak - "
                "spodziewana wartość logiczna 0 lub 1")},
      {6016, cp("Niepoprawna wartość atrybutu %s w obiekcie %s lub nieprawidłowy znak - "
                "spodziewana wartość ułamkowa")},
      {6017, cp("Niepoprawna wartość atrybutu %s w obiekcie %s lub nieprawidłowy znak - "
                "spodziewany ułamek właściwy")},
      {6018, cp("Niepoprawny format daty atrybutu %s w obiekcie %s lub nieprawidłowy znak - "
                "spodziewana data w formacie: rrrr.mm.dd")},
      {6019, cp("Niepoprawny format czasu atrybutu %s w obiekcie %s lub nieprawidłowy znak - "
                "spodziewany czas w formacie: gg:mm:ss[.sssss]")},
      {6020, cp("Niepoprawny format daty i czasu atrybutu %s w obiekcie %s lub nieprawidłowy "
                "znak - spodziewana data i czas w formacie: rrrr.mm.dd-gg:mm:ss[.sssss]")},
      {6021, cp("Wartość atrybutu %s w obiekcie %s spoza zakresu wartości dopuszczalnych")},
      {6022, cp("Wartość atrybutu %s w obiekcie %s nie może być pusta")},
      {6023, cp("Obiekt wskazywany przez relację %s z obiektu %s nie istnieje")},
      {6024, cp("Niepoprawne oznaczenie statusu obiektu %s")},
      {6025, cp("Wiązanie %s z obiektu %s wskazuje na nieaktualną wersję obiektu")},
      {6026, cp("Obiekt %s nie wskazuje i nie jest wskazywany przez żaden inny")},
      {6027, cp("Niepoprawna ilość obiektów składowych wskazujących na obiekt %s, poprzez "
                "relację %s. Spodziewana krotność '%s'")},
      {6028, cp("Niepoprawny format kodu pocztowego w rekordzie %s")},
      {6029, cp("Brak rekordów składowych wskazujących na obiekt %s")},
      {6030, cp("Obiekt wskazywany przez relację topologiczną z obiektu %s nie istnieje ")},
      {6031, cp("Relacja topologiczna z obiektu %s wskazuje na nieaktualną wersję obiektu")},
      {6032, cp("Relacja topologiczna z obiektu %s wskazuje na obiekt nie będący punktem")},
      {6033, cp("Nieprawidłowy znak w wartości atrybutu %s w obiekcie %s")},
      {6034, cp("Wielokrotne wystąpienie aktualnej wersji obiektu %s o identyfikatorze obiektu "
                "równym: %s")},
      {6035, cp("Wielokrotne wystąpienie obiektu o identyfikatorze rekordu równym: %s")},
      {6036, cp("Obiekt %s powinien posiadać wypełnione pole identyfikatora obiektu")},
  };
  return table;
}

AnsiString tableMessage(int code, const TVarRec* args, int high) {
  return plat::ErrorMessage(smErrorText(code), args, high);
}

}  // namespace

const AnsiString& smErrorText(int code) {
  static const AnsiString none;
  const auto& table = messageTable();
  auto it = table.find(code);
  return it == table.end() ? none : it->second;
}

const AnsiString& smNoErrorDescription() {
  return plat::NoErrorDescription();
}

smError::smError(smErrorCode code) : code(code), message(tableMessage(code, nullptr, -1)) {}

smError::smError(smErrorCode code, const TVarRec* args, int high)
    : code(code), message(tableMessage(code, args, high)) {}

smError::smError(smErrorCode code, ReportSectionType section, ReportMsgType kind,
                 std::uint64_t line, std::uint64_t position, const TVarRec* args, int high,
                 const AnsiString& objectName)
    : line(line),
      objectName(objectName),
      position(position),
      section(section),
      code(code),
      kind(kind),
      message(tableMessage(code, args, high)) {}

smError::~smError() = default;

}  // namespace swde
