#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "merge/Mgerrors.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"

namespace {

using plat::cp;
using plat::TVarRec;
using swde::mgError;
using swde::mgErrorCode;

mgErrorCode code(int c) {
  return static_cast<mgErrorCode>(c);
}

TEST(mgError, MessagesOfTheMapWithAndWithoutArguments) {
  const std::vector<TVarRec> one = {"G5DZE_1"};
  const std::vector<TVarRec> two = {"G5KKL", "opisowej"};
  struct Case {
    int code;
    const std::vector<TVarRec>* args;  // null: the form without arguments
    bool nullList;                     // the form with arguments, given a null list
    std::string expected;
  };
  const Case cases[] = {
      {20005, &one, false, cp("Obiekt G5DZE_1 został scalony już wcześniej")},
      {20011, nullptr, true,
       cp("Próba scalenia dwóch pilków z opisem lub dwóch plików z geometrią")},
      {20001, nullptr, true, cp("Obiekt %s nie został scalony. Brak %s dla tego typu obiektu")},
      {20009, &two, false,
       cp("Obiekt G5KKL typowy dla pliku scalonego wystąpił w pliku zawierajacym obiekty z "
          "części opisowej")},
      {20010, nullptr, false,
       cp("Nie udało się określić rodzaju pliku. Prawdopodobnie plik zawiera obiekty z części "
          "opisowej i z części geometrycznej")},
      {20004, &one, false,
       cp("Obiekt G5DZE_1 nie został scalony. Obiekt nie znajduje się w katalogu bazy danych "
          "ewidencyjnych")},
      // A code outside the map: two blanks in every form.
      {19999, nullptr, false, "  "},
      {19999, nullptr, true, "  "},
      {19999, &one, false, "  "},
      {20012, nullptr, false, "  "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    if (c.args == nullptr && !c.nullList) {
      mgError plain(code(c.code));
      EXPECT_EQ(plain.message, c.expected);
      EXPECT_EQ(plain.code, c.code);
      EXPECT_EQ(plain.line, 0u);
      EXPECT_EQ(plain.position, 0u);
      EXPECT_EQ(plain.section, mgError::rsNone);
      EXPECT_EQ(plain.type, mgError::rmError);
      mgError placed(code(c.code), mgError::rsSO, mgError::rmWarning, 7, 1234);
      EXPECT_EQ(placed.message, c.expected);
    } else {
      const TVarRec* args = c.args ? c.args->data() : nullptr;
      const int last = c.args ? static_cast<int>(c.args->size()) - 1 : -1;
      mgError plain(code(c.code), args, last);
      EXPECT_EQ(plain.message, c.expected);
      EXPECT_EQ(plain.code, c.code);
      EXPECT_EQ(plain.line, 0u);
      mgError placed(code(c.code), mgError::rsSO, mgError::rmWarning, 7, 1234, args, last);
      EXPECT_EQ(placed.message, c.expected);
      EXPECT_EQ(placed.line, 7u);
      EXPECT_EQ(placed.position, 1234u);
      EXPECT_EQ(placed.section, 49);
      EXPECT_EQ(placed.type, 1);
    }
  }
}

TEST(mgError, PositionsAndLinesAre64Bit) {
  const std::uint64_t far = 5'000'000'000ull;
  mgError e(swde::meGeometricInDescriptive, mgError::rsSO, mgError::rmError, far + 1, far);
  EXPECT_EQ(e.line, far + 1);
  EXPECT_EQ(e.position, far);
}

TEST(mgError, GivenTextFormsWithoutTheMap) {
  const TVarRec kept[] = {"O123"};
  mgError e(12, code(107), cp("Identyfikator '%s' jest zbyt długi"), kept, 0);
  EXPECT_EQ(e.message, cp("Identyfikator 'O123' jest zbyt długi"));
  EXPECT_EQ(e.code, 107);
  EXPECT_EQ(e.line, 12u);
  EXPECT_EQ(e.section, mgError::rsNone);

  mgError unformatted(1, swde::meObjectMergedBefore, "%s stays", nullptr, -1);
  EXPECT_EQ(unformatted.message, "%s stays");
  // Too few arguments for the text are the caller's fault, never a read past them.
  EXPECT_THROW(mgError(swde::meNoTypeForObject, kept, 0), plat::EFormatError);
}

TEST(mgError, TextsOfTheMapAreStoredInCp1250) {
  // "ł" of "został" and "ą" of "wystąpił" as Windows-1250 bytes.
  EXPECT_NE(swde::mgErrorText(20005).find("zosta\xB3"), std::string::npos);
  EXPECT_NE(swde::mgErrorText(20007).find("wyst\xB9pi\xB3"), std::string::npos);
  EXPECT_EQ(swde::mgErrorText(20010).find('\xC5'), std::string::npos);  // no UTF-8 lead byte
  for (int c = 20001; c <= 20011; ++c) EXPECT_NE(swde::mgErrorText(c), "  ") << c;
  EXPECT_EQ(swde::mgErrorText(20000), "  ");
}

}  // namespace
