#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <utility>

namespace plat {

const unsigned char kPolishLetterTable[kPolishCodePages][kPolishLetters] = {
    // ą     ć     ę     ł     ń     ó     ś     ź     ż     Ą     Ć     Ę     Ł     Ń     Ó     Ś
    // Ź     Ż
    {0xB9, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0x9C, 0x9F, 0xBF, 0xA5, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0x8C,
     0x8F, 0xAF},
    {0xA5, 0x86, 0xA9, 0x88, 0xE4, 0xA2, 0x98, 0xAB, 0xBE, 0xA4, 0x8F, 0xA8, 0x9D, 0xE3, 0xE0, 0x97,
     0x8D, 0xBD},
    {0x86, 0x8D, 0x91, 0x92, 0xA4, 0xA2, 0x9E, 0xA6, 0xA7, 0x8F, 0x95, 0x90, 0x9C, 0xA5, 0xA3, 0x98,
     0xA0, 0xA1},
    {0xB1, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0xB6, 0xBC, 0xBF, 0xA1, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0xA6,
     0xAC, 0xAF},
    {'a', 'c', 'e', 'l', 'n', 'o', 's', 'z', 'z', 'A', 'C', 'E', 'L', 'N', 'O', 'S', 'Z', 'Z'},
};

namespace {

// Code points of the bytes 0x80..0xFF.
constexpr std::array<char16_t, 128> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// For every pair of rows of the letter table, the byte each byte turns into.
struct LetterMaps {
  std::array<std::array<std::array<unsigned char, 256>, kPolishCodePages>, kPolishCodePages> map{};
  LetterMaps() {
    for (int from = 0; from < kPolishCodePages; ++from)
      for (int to = 0; to < kPolishCodePages; ++to) {
        auto& m = map[from][to];
        for (int b = 0; b < 256; ++b) m[b] = static_cast<unsigned char>(b);
        // Walk the columns backwards so that the first column holding a byte wins.
        for (int col = kPolishLetters - 1; col >= 0; --col)
          m[kPolishLetterTable[from][col]] = kPolishLetterTable[to][col];
      }
  }
};

const LetterMaps& letterMaps() {
  static const LetterMaps m;
  return m;
}

// The ISO-8859-2 signs other than Polish letters that stand elsewhere in
// cp1250, with their cp1250 bytes.
constexpr std::pair<unsigned char, unsigned char> kIsoOtherSigns[] = {
    {0xA5, 0xBC},  // Ľ
    {0xA9, 0x8A},  // Š
    {0xAB, 0x8D},  // Ť
    {0xAE, 0x8E},  // Ž
    {0xB5, 0xBE},  // ľ
    {0xB7, 0xA1},  // ˇ
    {0xB9, 0x9A},  // š
    {0xBB, 0x9D},  // ť
    {0xBE, 0x9E},  // ž
};

// ISO-8859-2 byte -> cp1250 byte, for each choice of signs.
struct IsoMaps {
  std::array<unsigned char, 256> polish{};
  std::array<unsigned char, 256> all{};
  IsoMaps() : polish(letterMaps().map[kRowIso88592][kRowCp1250]), all(polish) {
    for (const auto& [iso, win] : kIsoOtherSigns) all[iso] = win;
  }
  const std::array<unsigned char, 256>& of(IsoSigns signs) const {
    return signs == IsoSigns::PolishLetters ? polish : all;
  }
};

const IsoMaps& isoMaps() {
  static const IsoMaps m;
  return m;
}

void applyMap(std::string& s, const std::array<unsigned char, 256>& m) {
  for (char& c : s) c = static_cast<char>(m[static_cast<unsigned char>(c)]);
}

// Code point -> byte for the upper half, sorted by code point.
struct Reverse {
  std::array<std::pair<char32_t, unsigned char>, 128> map{};
  Reverse() {
    for (std::size_t i = 0; i < 128; ++i) map[i] = {kHigh[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(map.begin(), map.end());
  }
};

const Reverse& reverse() {
  static const Reverse r;
  return r;
}

void putUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

constexpr char32_t kBad = 0xFFFFFFFF;

// Next code point of UTF-8 text at i; kBad for a malformed sequence (one byte
// is consumed then).
char32_t nextUtf8(std::string_view s, std::size_t& i) {
  const unsigned char b0 = static_cast<unsigned char>(s[i++]);
  if (b0 < 0x80) return b0;
  int extra;
  char32_t cp;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0)
    extra = 1, cp = b0 & 0x1F, min = 0x80;
  else if ((b0 & 0xF0) == 0xE0)
    extra = 2, cp = b0 & 0x0F, min = 0x800;
  else if ((b0 & 0xF8) == 0xF0)
    extra = 3, cp = b0 & 0x07, min = 0x10000;
  else
    return kBad;
  std::size_t j = i;
  for (int k = 0; k < extra; ++k, ++j) {
    if (j >= s.size()) return kBad;
    const unsigned char b = static_cast<unsigned char>(s[j]);
    if ((b & 0xC0) != 0x80) return kBad;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kBad;
  i = j;
  return cp;
}

}  // namespace

bool tryUtf8ToCodePoints(std::string_view text, std::u32string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = nextUtf8(text, i);
    if (cp == kBad) return false;
    out.push_back(cp);
  }
  return true;
}

char32_t cp1250ToUnicode(unsigned char byte) {
  return byte < 0x80 ? byte : kHigh[byte - 0x80u];
}

bool unicodeToCp1250(char32_t cp, unsigned char& byte) {
  if (cp < 0x80) {
    byte = static_cast<unsigned char>(cp);
    return true;
  }
  const auto& m = reverse().map;
  auto it = std::lower_bound(m.begin(), m.end(), std::pair<char32_t, unsigned char>{cp, 0});
  if (it == m.end() || it->first != cp) return false;
  byte = it->second;
  return true;
}

std::u16string cp1250ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text)
    out.push_back(static_cast<char16_t>(cp1250ToUnicode(static_cast<unsigned char>(c))));
  return out;
}

std::string utf16ToCp1250(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t u : text) {
    unsigned char b;
    // A surrogate (either half) has no cp1250 byte.
    out.push_back(unicodeToCp1250(u, b) ? static_cast<char>(b) : '?');
  }
  return out;
}

bool tryUtf16ToCp1250(std::u16string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (char16_t u : text) {
    unsigned char b;
    if (!unicodeToCp1250(u, b)) return false;
    out.push_back(static_cast<char>(b));
  }
  return true;
}

std::string cp1250ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char c : text) putUtf8(out, cp1250ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::string utf8ToCp1250(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = nextUtf8(text, i);
    unsigned char b;
    out.push_back(cp != kBad && unicodeToCp1250(cp, b) ? static_cast<char>(b) : '?');
  }
  return out;
}

std::u16string utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = nextUtf8(text, i);
    if (cp == kBad) cp = u'?';
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = u'?';
    }
    putUtf8(out, cp);
  }
  return out;
}

void convertPolishLetters(std::string& s, int fromRow, int toRow) {
  if (fromRow < 0 || fromRow >= kPolishCodePages || toRow < 0 || toRow >= kPolishCodePages ||
      fromRow == toRow)
    return;
  applyMap(s, letterMaps().map[fromRow][toRow]);
}

void iso88592ToCp1250InPlace(std::string& text, IsoSigns signs) {
  applyMap(text, isoMaps().of(signs));
}

std::string iso88592ToCp1250(std::string_view text, IsoSigns signs) {
  std::string out(text);
  iso88592ToCp1250InPlace(out, signs);
  return out;
}

}  // namespace plat
