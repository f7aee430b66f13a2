#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxexception.h"

using namespace swde;

namespace {

TEST(SyntaxErrors, TableMessagesAreFormattedCp1250) {
  struct Case {
    int code;
    std::vector<TVarRec> args;
    const char* utf8;
  };
  const std::vector<Case> cases = {
      {121, {TVarRec("QQ")}, "Nierozpoznany typ linii : QQ"},
      {124, {TVarRec(2)}, "Pole nr 2 ma nieprawidłową wartość"},
      {131,
       {TVarRec(3), TVarRec(200u)},
       "Pole nr 3 ma nieprawidłową wartość. Niedozwolony znak o kodzie 200 w nazwie lub "
       "identyfikatorze"},
      {208,
       {TVarRec("OB"), TVarRec("RO")},
       "Nieprawidłowe wystąpienie podrekordu OB w rekordzie RO"},
      {203,
       {},
       "Nieprawidłowe wystąpienie poczatku sekcji. Brak linii nagłówka pliku lub końca "
       "poprzedniej sekcji"},
      {150, {TVarRec(1)}, "Brak opisu błędu!"},
      {0, {}, "Brak opisu błędu!"},
  };
  for (const Case& c : cases) {
    sxError e(7, scSP, static_cast<std::uint8_t>(c.code), c.args.empty() ? nullptr : c.args.data(),
              static_cast<int>(c.args.size()) - 1);
    EXPECT_EQ(e.message, plat::cp(c.utf8)) << c.code;
    EXPECT_EQ(e.line, 7u);
    EXPECT_EQ(e.section, scSP);
    EXPECT_EQ(e.code, c.code);
  }
}

TEST(SyntaxErrors, StoredTextIsCp1250Bytes) {
  // "ś" of "średnika" is 0x9C in cp1250.
  EXPECT_EQ(sxErrorText(123),
            "Brak \x9Crednika na ko\xF1"
            "cu linii");
  // Without an argument array the stored text stays unformatted.
  sxError e(1, 0, 124, nullptr, 0);
  EXPECT_EQ(e.message, sxErrorText(124));
  // Every code of the three groups has a text.
  for (int c : {101, 102, 103, 104, 105, 106, 107}) EXPECT_FALSE(sxErrorText(c).empty()) << c;
  for (int c = 120; c <= 132; ++c) EXPECT_FALSE(sxErrorText(c).empty()) << c;
  for (int c = 201; c <= 213; ++c) EXPECT_FALSE(sxErrorText(c).empty()) << c;
  for (int c : {100, 108, 119, 133, 200, 214}) EXPECT_TRUE(sxErrorText(c).empty()) << c;
}

TEST(SyntaxErrors, TextAndFormatForms) {
  sxError plain(3, 0, 101, "as %d is");
  EXPECT_EQ(plain.message, "as %d is");
  const TVarRec args[] = {TVarRec(9)};
  sxError formatted(3, 0, 101, AnsiString("kod %d"), args, 0);
  EXPECT_EQ(formatted.message, "kod 9");
}

TEST(SyntaxErrors, MismatchedArgumentsRaiseFormatsFailure) {
  const TVarRec args[] = {TVarRec("text")};
  EXPECT_THROW(sxError(1, 0, 124, args, 0), plat::EFormatError);
}

TEST(SyntaxException, Forms) {
  EXPECT_EQ(sxException("m").Message(), "m");
  EXPECT_EQ(sxException(AnsiString("m2")).Message(), "m2");
  const TVarRec args[] = {TVarRec("QQ")};
  EXPECT_EQ(sxException("Brak metody: %s", args, 0).Message(), "Brak metody: QQ");
  EXPECT_EQ(sxException("x", "a", 7).Message(), "Assertion failed: x FILE:a, LINE: 7");
  // Caught as the platform's base exception too.
  try {
    throw sxException("base");
  } catch (const plat::Exception& e) {
    EXPECT_STREQ(e.what(), "base");
  }
}

}  // namespace
