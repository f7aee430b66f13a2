#include "app/iuCommandToken.h"

namespace swde {

using plat::Trim;

namespace {

// Past the line end that begins at i ("\r\n" is one).
std::size_t pastLineEnd(const AnsiString& text, std::size_t i) {
  return text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? i + 2 : i + 1;
}

}  // namespace

bool isCommandSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

AnsiString nextToken(const AnsiString& text, int& pos) {
  bool quoted = false;
  return readToken(text, pos, quoted);
}

AnsiString readToken(const AnsiString& text, int& pos, bool& quoted) {
  quoted = false;
  const std::size_t len = text.size();
  if (pos < 1 || static_cast<std::size_t>(pos) > len) return AnsiString();
  std::size_t start = static_cast<std::size_t>(pos) - 1;
  while (start < len && static_cast<unsigned char>(text[start]) <= 32) ++start;
  pos = static_cast<int>(start) + 1;
  AnsiString token;
  for (std::size_t i = start; i < len; ++i) {
    const char c = text[i];
    if (c == ';' || isCommandSeparator(c)) {
      pos = static_cast<int>(pastLineEnd(text, i)) + 1;
      return Trim(token);
    }
    if (c == '"') {
      // A quoted name: kept as it stands, up to the closing quote or ";".
      quoted = true;
      std::size_t j = i + 1;
      while (j < len && text[j] != '"' && text[j] != ';') ++j;
      token.append(text, i + 1, j - i - 1);
      pos = j < len ? static_cast<int>(j) + 2 : static_cast<int>(len) + 1;
      return token;
    }
    if (c == '#') {
      // A comment: the rest of the line, whichever its line end.
      const std::size_t end = text.find_first_of("\r\n", i);
      if (end == AnsiString::npos) {
        pos = static_cast<int>(len) + 1;
        return Trim(token + text.substr(i));
      }
      pos = static_cast<int>(pastLineEnd(text, end)) + 1;
      return Trim(token + text.substr(i, end - i));
    }
    token += c;
    token = Trim(token);
    pos = static_cast<int>(i) + 2;
  }
  pos = static_cast<int>(len) + 1;
  return token;
}

}  // namespace swde
