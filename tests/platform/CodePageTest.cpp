#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace {

std::string allBytes() {
  std::string s;
  for (int b = 0; b < 256; ++b) s.push_back(static_cast<char>(b));
  return s;
}

TEST(CodePage, Cp1250RoundTripsEveryByte) {
  const std::string bytes = allBytes();
  EXPECT_EQ(plat::utf16ToCp1250(plat::cp1250ToUtf16(bytes)), bytes);
  EXPECT_EQ(plat::utf8ToCp1250(plat::cp1250ToUtf8(bytes)), bytes);
  EXPECT_EQ(plat::utf16ToUtf8(plat::utf8ToUtf16(plat::cp1250ToUtf8(bytes))),
            plat::cp1250ToUtf8(bytes));
}

TEST(CodePage, KnownCodePoints) {
  struct Case {
    unsigned char byte;
    char32_t cp;
  };
  const Case cases[] = {
      {0x41, U'A'},
      {0x80, U'\u20AC'},
      {0x8C, U'\u015A'},
      {0x9C, U'\u015B'},
      {0xA5, U'\u0104'},
      {0xB9, U'\u0105'},
      {0xF3, U'\u00F3'},
      {0xFF, U'\u02D9'},
      // the five bytes cp1250 leaves undefined
      {0x81, 0x81},
      {0x83, 0x83},
      {0x88, 0x88},
      {0x90, 0x90},
      {0x98, 0x98},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(plat::cp1250ToUnicode(c.byte), c.cp) << int(c.byte);
    unsigned char back = 0;
    ASSERT_TRUE(plat::unicodeToCp1250(c.cp, back));
    EXPECT_EQ(back, c.byte);
  }
  unsigned char b;
  EXPECT_FALSE(plat::unicodeToCp1250(U'\u4E2D', b));
}

TEST(CodePage, PolishSourceTextBecomesCp1250Bytes) {
  EXPECT_EQ(plat::cp("średnik"),
            "\x9C"
            "rednik");
  EXPECT_EQ(plat::cp("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ"),
            std::string(reinterpret_cast<const char*>(plat::kPolishLetterTable[0]), 18));
}

TEST(CodePage, UnmappableAndMalformedTextBecomesQuestionMark) {
  EXPECT_EQ(plat::utf8ToCp1250("a\xE4\xB8\xAD"
                               "b"),
            "a?b");                                      // a CJK letter
  EXPECT_EQ(plat::utf8ToCp1250("a\xC3"), "a?");          // cut sequence
  EXPECT_EQ(plat::utf8ToCp1250("\xC0\x80"), "??");       // overlong NUL
  EXPECT_EQ(plat::utf8ToCp1250("\xED\xA0\x80"), "???");  // encoded surrogate
  EXPECT_EQ(plat::utf16ToCp1250(u"x\xD800y"), "x?y");
}

TEST(CodePage, Utf16HandlesSupplementaryPlane) {
  const std::string g = "\xF0\x9F\x98\x80";  // U+1F600
  const std::u16string u = plat::utf8ToUtf16(g);
  ASSERT_EQ(u.size(), 2u);
  EXPECT_EQ(plat::utf16ToUtf8(u), g);
}

TEST(CodePage, Iso88592LettersMoveToCp1250) {
  // "Śląsk źródło" in ISO-8859-2
  EXPECT_EQ(plat::iso88592ToCp1250("\xA6l\xB1sk \xBCr\xF3"
                                   "d\xB3o"),
            plat::cp("Śląsk źródło"));
  // Every Polish letter of the ISO row lands on the cp1250 row.
  std::string iso(reinterpret_cast<const char*>(plat::kPolishLetterTable[3]), 18);
  EXPECT_EQ(plat::iso88592ToCp1250(iso),
            std::string(reinterpret_cast<const char*>(plat::kPolishLetterTable[0]), 18));
  EXPECT_EQ(plat::iso88592ToCp1250("plain, 123;"), "plain, 123;");
}

}  // namespace
