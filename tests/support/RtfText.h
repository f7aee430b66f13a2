// Reads the text of an RTF document as a reader would see it, as UTF-8: \par
// and \tab become line ends and tabs, \'hh a cp1250 byte, \uN? a code point,
// the font table and every other control word nothing. Also tells whether
// the braces of the document balance.
#pragma once

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace testsupport {

inline void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// True when every "{" has its "}" and the document is one group.
inline bool rtfBalanced(std::string_view rtf) {
  int depth = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;  // an escaped character or the first letter of a word
    } else if (rtf[i] == '{') {
      ++depth;
    } else if (rtf[i] == '}') {
      if (--depth < 0) return false;
      if (depth == 0 && i + 1 != rtf.size()) return false;
    }
  }
  return depth == 0 && !rtf.empty() && rtf.front() == '{';
}

inline std::string rtfToText(std::string_view rtf) {
  std::string out;
  char16_t high = 0;
  for (std::size_t i = 0; i < rtf.size();) {
    const char c = rtf[i];
    if (c == '{' || c == '}') {
      if (rtf.substr(i, 9) == "{\\fonttbl") {
        int depth = 0;
        for (; i < rtf.size(); ++i) {
          if (rtf[i] == '{') ++depth;
          if (rtf[i] == '}' && --depth == 0) break;
        }
      }
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c != '\\') {
      out += c;
      ++i;
      continue;
    }
    const char n = i + 1 < rtf.size() ? rtf[i + 1] : '\0';
    if (n == '\\' || n == '{' || n == '}') {
      out += n;
      i += 2;
    } else if (n == '\'') {
      const auto byte = static_cast<unsigned char>(
          std::strtoul(std::string(rtf.substr(i + 2, 2)).c_str(), nullptr, 16));
      appendUtf8(out, plat::cp1250ToUnicode(byte));
      i += 4;
    } else {
      std::size_t j = i + 1;
      while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
      const std::string word(rtf.substr(i + 1, j - i - 1));
      std::size_t k = j;
      if (k < rtf.size() && (rtf[k] == '-' || std::isdigit(static_cast<unsigned char>(rtf[k])))) {
        ++k;
        while (k < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[k]))) ++k;
      }
      const std::string param(rtf.substr(j, k - j));
      if (k < rtf.size() && rtf[k] == ' ') ++k;
      if (word == "par") out += '\n';
      if (word == "tab") out += '\t';
      if (word == "u") {
        const auto unit = static_cast<char16_t>(static_cast<std::int16_t>(std::stoi(param)));
        if (unit >= 0xD800 && unit < 0xDC00) {
          high = unit;
        } else if (unit >= 0xDC00 && unit < 0xE000) {
          appendUtf8(out, 0x10000 + ((char32_t(high) - 0xD800) << 10) + (unit - 0xDC00));
        } else {
          appendUtf8(out, unit);
        }
        if (k < rtf.size() && rtf[k] == '?') ++k;  // the stand-in for old readers
      }
      i = k;
    }
  }
  return out;
}

}  // namespace testsupport
