#include "platform/Format.h"

#include <charconv>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/Exception.h"

namespace plat {
namespace {

[[noreturn]] void fail(std::string_view fmt, const char* whyUtf8) {
  const std::string why = cp(whyUtf8);
  throw EFormatError(cp("Błąd formatu '") + std::string(fmt) + "': " + why);
}

void pad(AnsiString& out, std::string_view body, std::size_t width, bool left, char fill) {
  std::size_t n = body.size() < width ? width - body.size() : 0;
  if (left) {
    out.append(body);
    out.append(n, ' ');
  } else if (fill == '0' && !body.empty() && body[0] == '-') {
    out.push_back('-');
    out.append(n, '0');
    out.append(body.substr(1));
  } else {
    out.append(n, fill);
    out.append(body);
  }
}

std::string digits(std::uint64_t v, int base, bool upper) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v, base);
  std::string s(buf, r.ptr);
  if (upper)
    for (char& c : s)
      if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// Value of an integer argument as the unsigned bit pattern of its own width.
std::uint64_t asUnsigned(const TVarRec& a) {
  switch (a.kind) {
    case TVarRec::Kind::Int:
      return static_cast<std::uint32_t>(static_cast<std::int32_t>(a.i64));
    case TVarRec::Kind::UInt:
      return static_cast<std::uint32_t>(a.u64);
    case TVarRec::Kind::Int64:
      return static_cast<std::uint64_t>(a.i64);
    default:
      return a.u64;
  }
}

}  // namespace

AnsiString Format(std::string_view fmt, const TVarRec* args, int argsHigh) {
  if (args == nullptr || argsHigh < 0) return AnsiString(fmt);
  const std::size_t count = static_cast<std::size_t>(argsHigh) + 1;
  std::size_t next = 0;
  AnsiString out;
  out.reserve(fmt.size() + 16);

  for (std::size_t i = 0; i < fmt.size(); ++i) {
    char c = fmt[i];
    if (c != '%') {
      out.push_back(c);
      continue;
    }
    if (++i >= fmt.size()) fail(fmt, "niedokończony znacznik");
    if (fmt[i] == '%') {
      out.push_back('%');
      continue;
    }
    bool left = false;
    char fill = ' ';
    for (; i < fmt.size() && (fmt[i] == '-' || fmt[i] == '0'); ++i) {
      if (fmt[i] == '-')
        left = true;
      else
        fill = '0';
    }
    std::size_t width = 0;
    for (; i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9'; ++i) {
      width = width * 10 + static_cast<std::size_t>(fmt[i] - '0');
      if (width > 4096) fail(fmt, "za duża szerokość");
    }
    int precision = -1;
    if (i < fmt.size() && fmt[i] == '.') {
      precision = 0;
      for (++i; i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9'; ++i) {
        precision = precision * 10 + (fmt[i] - '0');
        if (precision > 4096) fail(fmt, "za duża precyzja");
      }
    }
    while (i < fmt.size() && fmt[i] == 'l') ++i;  // length modifiers carry no meaning here
    if (i >= fmt.size()) fail(fmt, "niedokończony znacznik");
    const char conv = fmt[i];
    if (next >= count) fail(fmt, "za mało argumentów");
    const TVarRec& a = args[next++];
    if (left) fill = ' ';

    std::string body;
    switch (conv) {
      case 'd': {
        if (!a.isInteger()) fail(fmt, "%d wymaga liczby całkowitej");
        bool neg = false;
        std::uint64_t mag;
        if (a.kind == TVarRec::Kind::Int || a.kind == TVarRec::Kind::Int64) {
          neg = a.i64 < 0;
          mag = neg ? 0 - static_cast<std::uint64_t>(a.i64) : static_cast<std::uint64_t>(a.i64);
        } else {
          mag = a.u64;
        }
        body = digits(mag, 10, false);
        if (precision >= 0 && body.size() < static_cast<std::size_t>(precision))
          body.insert(0, static_cast<std::size_t>(precision) - body.size(), '0');
        if (neg) body.insert(0, 1, '-');
        break;
      }
      case 'u':
      case 'x':
      case 'X': {
        if (!a.isInteger()) fail(fmt, "%u i %x wymagają liczby całkowitej");
        body = digits(asUnsigned(a), conv == 'u' ? 10 : 16, conv == 'X');
        if (precision >= 0 && body.size() < static_cast<std::size_t>(precision))
          body.insert(0, static_cast<std::size_t>(precision) - body.size(), '0');
        break;
      }
      case 's': {
        if (a.kind == TVarRec::Kind::Text)
          body = a.text;
        else if (a.kind == TVarRec::Kind::Char)
          body.assign(1, static_cast<char>(a.ch));
        else
          fail(fmt, "%s wymaga tekstu");
        if (precision >= 0 && body.size() > static_cast<std::size_t>(precision))
          body.resize(static_cast<std::size_t>(precision));
        fill = ' ';
        break;
      }
      case 'c': {
        if (a.kind != TVarRec::Kind::Char) fail(fmt, "%c wymaga znaku");
        body.assign(1, static_cast<char>(a.ch));
        fill = ' ';
        break;
      }
      case 'f': {
        if (a.kind != TVarRec::Kind::Double) fail(fmt, "%f wymaga liczby rzeczywistej");
        char buf[512];
        auto r = std::to_chars(buf, buf + sizeof buf, a.dbl, std::chars_format::fixed,
                               precision < 0 ? 2 : std::min(precision, 64));
        if (r.ec != std::errc()) fail(fmt, "za duża liczba");
        body.assign(buf, r.ptr);
        break;
      }
      default:
        fail(fmt, "nieznany znacznik");
    }
    pad(out, body, width, left, fill);
  }
  return out;
}

AnsiString Format(std::string_view fmt, std::initializer_list<TVarRec> args) {
  if (args.size() == 0) return AnsiString(fmt);
  return Format(fmt, args.begin(), static_cast<int>(args.size()) - 1);
}

const AnsiString& NoErrorDescription() {
  static const AnsiString text = cp("Brak opisu błędu!");
  return text;
}

AnsiString ErrorMessage(const AnsiString& tableText, const TVarRec* args, int argsHigh) {
  if (tableText.empty()) return NoErrorDescription();
  if (args == nullptr) return tableText;
  return Format(tableText, args, argsHigh);
}

}  // namespace plat
