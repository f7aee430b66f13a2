// Code pages: the Windows-1250 text of the system against Unicode, UTF-8 and
// the other code pages in which Polish letters reach us.
#pragma once

#include <string>
#include <string_view>

#include "platform/Export.h"

namespace plat {

// Unicode code point of a cp1250 byte. The five bytes that cp1250 leaves
// undefined (0x81, 0x83, 0x88, 0x90, 0x98) map to the C1 controls of the same
// value, so the mapping is lossless for all 256 bytes.
PLAT_API char32_t cp1250ToUnicode(unsigned char byte);

// cp1250 byte of a code point; false when the code point has none.
PLAT_API bool unicodeToCp1250(char32_t cp, unsigned char& byte);

// Whole texts. Characters without a cp1250 byte become '?'; malformed UTF-8
// and lone surrogates become '?' as well.
PLAT_API std::u16string cp1250ToUtf16(std::string_view text);
PLAT_API std::string utf16ToCp1250(std::u16string_view text);
PLAT_API std::string cp1250ToUtf8(std::string_view text);
PLAT_API std::string utf8ToCp1250(std::string_view text);

// Strict UTF-16 -> cp1250: false, at the first character that cp1250 lacks
// (a surrogate, either half, is one), with out holding the bytes before it;
// true with out holding the whole text otherwise. For text that must reach
// us unchanged or not at all.
PLAT_API bool tryUtf16ToCp1250(std::u16string_view text, std::string& out);

// The code points of text when it is valid UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF); false otherwise.
PLAT_API bool tryUtf8ToCodePoints(std::string_view text, std::u32string& out);

// UTF-8 <-> UTF-16, for the file system's names against BSTR texts.
PLAT_API std::u16string utf8ToUtf16(std::string_view text);
PLAT_API std::string utf16ToUtf8(std::u16string_view text);

// The 18 Polish letters (ą ć ę ł ń ó ś ź ż Ą Ć Ę Ł Ń Ó Ś Ź Ż) in five code
// pages, one row each.
constexpr int kPolishLetters = 18;
constexpr int kPolishCodePages = 5;
constexpr int kRowCp1250 = 0;
constexpr int kRowCp852 = 1;
constexpr int kRowMazovia = 2;
constexpr int kRowIso88592 = 3;
constexpr int kRowAscii = 4;
extern PLAT_API const unsigned char kPolishLetterTable[kPolishCodePages][kPolishLetters];

// Moves the Polish letters of s from one row of the table to another, in
// place: a byte of the from row becomes the byte of the same column in the to
// row (the first column holding it, where a row holds a byte twice, as the
// ASCII row does z and Z); every other byte passes unchanged. Rows outside
// 0..4 change nothing.
PLAT_API void convertPolishLetters(std::string& s, int fromRow, int toRow);

// Which signs of ISO-8859-2 text move to their cp1250 bytes; every other byte
// passes unchanged (the two code pages agree on 0xC0..0xFF, and 0x80..0x9F
// are controls in ISO-8859-2).
enum class IsoSigns : unsigned char {
  // The six Polish letters that stand elsewhere in cp1250, Ą Ś Ź ą ś ź: the
  // ISO row of the letter table to the cp1250 row. Names and codes read from
  // exchange files are converted so.
  PolishLetters,
  // Every sign that stands elsewhere: the six and Ľ Š Ť Ž ľ š ť ž ˇ. For text
  // typed on an ISO-8859-2 console.
  All,
};

// ISO-8859-2 text to cp1250, in place or as a copy.
PLAT_API void iso88592ToCp1250InPlace(std::string& text, IsoSigns signs);
PLAT_API std::string iso88592ToCp1250(std::string_view text, IsoSigns signs = IsoSigns::All);

// Text of a UTF-8 source literal as cp1250 bytes. For building message tables
// once; not for per-line work.
inline std::string cp(std::string_view utf8) {
  return utf8ToCp1250(utf8);
}

}  // namespace plat
