#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/ConsoleOutput.h"

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

TEST(CodePage, StrictUtf16ConversionFailsAtACharacterCp1250Lacks) {
  std::string out;
  // Every byte comes back from its code point.
  const std::string bytes = allBytes();
  ASSERT_TRUE(plat::tryUtf16ToCp1250(plat::cp1250ToUtf16(bytes), out));
  EXPECT_EQ(out, bytes);
  ASSERT_TRUE(plat::tryUtf16ToCp1250(u"", out));
  EXPECT_EQ(out, "");

  struct Case {
    std::u16string text;
    std::string before;  // what out holds after the failure
  };
  const Case cases[] = {
      {u"ab\u4E2Dc", "ab"},                 // a CJK letter
      {u"\u00E5", ""},                      // a Latin letter of other code pages
      {u"x\xD83D\xDE00", "x"},              // a supplementary character
      {u"x\xDE00", "x"},                    // a lone low surrogate
      {u"\u0105\u20AC\u2603", "\xB9\x80"},  // ą and the euro sign pass, the snowman not
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(plat::utf16ToUtf8(c.text));
    out = "old";
    EXPECT_FALSE(plat::tryUtf16ToCp1250(c.text, out));
    EXPECT_EQ(out, c.before);
  }
}

TEST(CodePage, StrictUtf8DecodingRefusesEveryMalformedForm) {
  struct Case {
    std::string text;
    bool valid;
    std::u32string points;
  };
  const Case cases[] = {
      {"", true, U""},
      {"a\x7F", true, U"a\x7F"},
      {"\xC5\x82\xC4\x85ka", true, U"\u0142\u0105ka"},  // łąka
      {"\xD0\xB6", true, U"\u0436"},
      {"\xF0\x9F\x98\x80", true, U"\U0001F600"},
      {"\xC0\xAF", false, U""},          // overlong "/"
      {"\xE0\x80\xAF", false, U""},      // overlong, three bytes
      {"\xED\xA0\x80", false, U""},      // a surrogate
      {"\xF4\x90\x80\x80", false, U""},  // above U+10FFFF
      {"\xC5", false, U""},              // cut short
      {"ab\x80", false, U""},            // a lone continuation byte
      {"\xB9ka", false, U""},            // cp1250 bytes are no UTF-8
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::u32string points;
    EXPECT_EQ(plat::tryUtf8ToCodePoints(c.text, points), c.valid);
    if (c.valid) {
      EXPECT_EQ(points, c.points);
    }
  }
}

TEST(CodePage, Utf16HandlesSupplementaryPlane) {
  const std::string g = "\xF0\x9F\x98\x80";  // U+1F600
  const std::u16string u = plat::utf8ToUtf16(g);
  ASSERT_EQ(u.size(), 2u);
  EXPECT_EQ(plat::utf16ToUtf8(u), g);
}

TEST(CodePage, Iso88592LettersMoveToCp1250) {
  // "Śląsk źródło" in ISO-8859-2
  for (plat::IsoSigns signs : {plat::IsoSigns::PolishLetters, plat::IsoSigns::All})
    EXPECT_EQ(plat::iso88592ToCp1250("\xA6l\xB1sk \xBCr\xF3"
                                     "d\xB3o",
                                     signs),
              plat::cp("Śląsk źródło"));
  // Every Polish letter of the ISO row lands on the cp1250 row.
  const std::string iso(reinterpret_cast<const char*>(plat::kPolishLetterTable[3]), 18);
  const std::string win(reinterpret_cast<const char*>(plat::kPolishLetterTable[0]), 18);
  EXPECT_EQ(plat::iso88592ToCp1250(iso, plat::IsoSigns::PolishLetters), win);
  EXPECT_EQ(plat::iso88592ToCp1250(iso, plat::IsoSigns::All), win);
  std::string inPlace = iso;
  plat::iso88592ToCp1250InPlace(inPlace, plat::IsoSigns::PolishLetters);
  EXPECT_EQ(inPlace, win);
}

TEST(CodePage, Iso88592BytesThatMoveForEachChoiceOfSigns) {
  struct Move {
    unsigned char iso, win;
    bool polish;  // one of the six Polish letters
  };
  const Move moves[] = {
      {0xA1, 0xA5, true},   // Ą
      {0xA5, 0xBC, false},  // Ľ
      {0xA6, 0x8C, true},   // Ś
      {0xA9, 0x8A, false},  // Š
      {0xAB, 0x8D, false},  // Ť
      {0xAC, 0x8F, true},   // Ź
      {0xAE, 0x8E, false},  // Ž
      {0xB1, 0xB9, true},   // ą
      {0xB5, 0xBE, false},  // ľ
      {0xB6, 0x9C, true},   // ś
      {0xB7, 0xA1, false},  // ˇ
      {0xB9, 0x9A, false},  // š
      {0xBB, 0x9D, false},  // ť
      {0xBC, 0x9F, true},   // ź
      {0xBE, 0x9E, false},  // ž
  };
  std::string polish = allBytes(), all = allBytes();
  for (const Move& m : moves) {
    all[m.iso] = static_cast<char>(m.win);
    if (m.polish) polish[m.iso] = static_cast<char>(m.win);
  }
  // Every byte of the table and only those move, each by its choice.
  EXPECT_EQ(plat::iso88592ToCp1250(allBytes(), plat::IsoSigns::PolishLetters), polish);
  EXPECT_EQ(plat::iso88592ToCp1250(allBytes(), plat::IsoSigns::All), all);
  EXPECT_EQ(plat::iso88592ToCp1250(allBytes()), all);

  // The whole mapping keeps each sign: the console's own ISO-8859-2 table
  // takes every converted sign back to its byte.
  const std::string upper = allBytes().substr(0xA0);
  EXPECT_EQ(plat::cp1250ToIso88592(plat::iso88592ToCp1250(upper, plat::IsoSigns::All)), upper);
}

}  // namespace
