#include <gtest/gtest.h>

#include "platform/AnsiString.h"
#include "platform/Exception.h"

namespace {

TEST(AnsiString, TrimCutsEveryByteUpToBlankAndKeepsHighBytes) {
  EXPECT_EQ(plat::Trim(std::string("\x01\t \r\n ab c \x1f\x20", 11)), "ab c");
  // 0xA0 (no-break space in cp1250) and Polish letters are above 0x20: kept.
  EXPECT_EQ(plat::Trim("\xA0\xB9 "), "\xA0\xB9");
  EXPECT_EQ(plat::Trim("    "), "");
  EXPECT_EQ(plat::TrimLeft("  a "), "a ");
  EXPECT_EQ(plat::TrimRight("  a "), "  a");
}

TEST(AnsiString, StrToIntIsStrictDecimal) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  };
  const Case cases[] = {
      {"0", true, 0},
      {"  42 ", true, 42},
      {"-17", true, -17},
      {"+5", true, 5},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},
      {"2147483648", false, 0},
      {"99999999999999999999", false, 0},
      {"", false, 0},
      {"  ", false, 0},
      {"12a", false, 0},
      {"0x10", false, 0},
      {"1.5", false, 0},
      {"-", false, 0},
      {"+-1", false, 0},
      {"1 2", false, 0},
  };
  for (const Case& c : cases) {
    int v = -999;
    EXPECT_EQ(plat::TryStrToInt(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
      EXPECT_EQ(plat::StrToInt(c.text), c.value);
    } else {
      EXPECT_THROW(plat::StrToInt(c.text), plat::EConvertError) << c.text;
    }
  }
}

TEST(AnsiString, IntToStrAndCase) {
  EXPECT_EQ(plat::IntToStr(-9000000000LL), "-9000000000");
  EXPECT_EQ(plat::UIntToStr(18446744073709551615ULL), "18446744073709551615");
  EXPECT_EQ(plat::UpperCase("-pwe \xB9"), "-PWE \xB9");
  EXPECT_EQ(plat::LowerCase("SK \xA5"), "sk \xA5");
}

}  // namespace
