#include <gtest/gtest.h>

#include <vector>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "semantics/Smerrors.h"

using namespace swde;

namespace {

TEST(SemanticErrors, TableMessagesAreFormattedCp1250) {
  struct Case {
    int code;
    std::vector<TVarRec> args;
    const char* utf8;
  };
  const std::vector<Case> cases = {
      {2001, {TVarRec("G5IDD")}, "Atrybut G5IDD zadeklarowany wcześniej"},
      {2008, {}, "Brak sekcji deklaracji atrybutów i wiązań (SP)"},
      {3003,
       {TVarRec("G5IDD"), TVarRec("G5DZE")},
       "Brak wymaganego atrybutu G5IDD w definicji typu G5DZE - niezgodność z załącznikiem"},
      {3014, {}, "Brak sekcji definicji typów (ST)"},
      // the typo of the stored text stays
      {6002,
       {TVarRec("G5RPOD"), TVarRec("G5DZE")},
       "Relacja G5RPOD nie jest zdefinowana dla rekordu G5DZE"},
      // one placeholder, two arguments: the second is left out
      {6007,
       {TVarRec("G5DZE"), TVarRec("załączniku")},
       "Brak definicji rekordu G5DZE w sekcji metadanych"},
      {6020,
       {TVarRec("G5DTU"), TVarRec("G5DZE")},
       "Niepoprawny format daty i czasu atrybutu G5DTU w obiekcie G5DZE lub nieprawidłowy znak - "
       "spodziewana data i czas w formacie: rrrr.mm.dd-gg:mm:ss[.sssss]"},
      {6027,
       {TVarRec("G5KLU"), TVarRec("G5RKLU"), TVarRec("1+")},
       "Niepoprawna ilość obiektów składowych wskazujących na obiekt G5KLU, poprzez relację "
       "G5RKLU. Spodziewana krotność '1+'"},
      // the blank at the end stays
      {6030,
       {TVarRec("G5BUD")},
       "Obiekt wskazywany przez relację topologiczną z obiektu G5BUD nie istnieje "},
      {6034,
       {TVarRec("G5DZE"), TVarRec("PL.1")},
       "Wielokrotne wystąpienie aktualnej wersji obiektu G5DZE o identyfikatorze obiektu "
       "równym: PL.1"},
      {6036,
       {TVarRec("G5DZE")},
       "Obiekt G5DZE powinien posiadać wypełnione pole identyfikatora obiektu"},
      // a code without a text
      {6037, {TVarRec("x")}, "Brak opisu błędu!"},
      {2000, {}, "Brak opisu błędu!"},
  };
  for (const Case& c : cases) {
    smError e(static_cast<smErrorCode>(c.code), c.args.empty() ? nullptr : c.args.data(),
              static_cast<int>(c.args.size()) - 1);
    EXPECT_EQ(e.message, plat::cp(c.utf8)) << c.code;
    EXPECT_EQ(e.code, c.code);
  }
}

TEST(SemanticErrors, StoredTextsAreCp1250Bytes) {
  // In cp1250 "ś" is 0x9C, "ż" 0xBF, "ł" 0xB3 and "ę" 0xEA.
  EXPECT_EQ(smErrorText(2001), "Atrybut %s zadeklarowany wcze\x9Cniej");
  EXPECT_EQ(smErrorText(6005),
            "Data weryfikacji obiektu %s wcze\x9Cniejsza ni\xBF data jego utworzenia");
  EXPECT_EQ(smNoErrorDescription(),
            "Brak opisu b\xB3\xEA"
            "du!");
  // Without arguments the stored text stays as it is.
  smError bare(seImproperFraction);
  EXPECT_EQ(bare.message, smErrorText(6017));
  EXPECT_EQ(smError(static_cast<smErrorCode>(1)).message, smNoErrorDescription());

  // Every code of the three groups has a text, and only those.
  int count = 0;
  for (int c = 0; c < 7000; ++c)
    if (!smErrorText(c).empty()) ++count;
  EXPECT_EQ(count, 58);
  for (int c = 2001; c <= 2008; ++c) EXPECT_FALSE(smErrorText(c).empty()) << c;
  for (int c = 3001; c <= 3014; ++c) EXPECT_FALSE(smErrorText(c).empty()) << c;
  for (int c = 6001; c <= 6036; ++c) EXPECT_FALSE(smErrorText(c).empty()) << c;
}

TEST(SemanticErrors, FullFormCarriesPlaceAndObject) {
  const TVarRec args[] = {TVarRec("G5KOD"), TVarRec("G5ADR")};
  smError e(seBadCharInValue, smError::kSectionSO, smError::kWarning, 12, 5000000000ull, args, 1,
            "G5ADR");
  EXPECT_EQ(e.line, 12u);
  EXPECT_EQ(e.position, 5000000000ull);
  EXPECT_EQ(e.section, 49);
  EXPECT_EQ(e.kind, 1);
  EXPECT_EQ(e.code, 6033);
  EXPECT_EQ(e.objectName, "G5ADR");
  EXPECT_EQ(e.message, plat::cp("Nieprawidłowy znak w wartości atrybutu G5KOD w obiekcie G5ADR"));

  smError shortForm(seNoSectionST, nullptr, -1);
  EXPECT_EQ(shortForm.line, 0u);
  EXPECT_EQ(shortForm.position, 0u);
  EXPECT_EQ(shortForm.section, 0);
  EXPECT_EQ(shortForm.kind, 0);
  EXPECT_EQ(shortForm.objectName, "");
}

TEST(SemanticErrors, ArgumentsAreNeverReadAsFormat) {
  const TVarRec args[] = {TVarRec("%s%d%n"), TVarRec("T")};
  smError e(seMissingAttrib, args, 1);
  EXPECT_EQ(e.message, "Brak wymaganego atrybutu %s%d%n w rekordzie T");
  // Too few arguments is a fault of the caller, reported by the formatter.
  EXPECT_THROW(smError(seMissingAttrib, args, 0), plat::EFormatError);
}

}  // namespace
