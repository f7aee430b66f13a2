// Reads the interface definition of the component server (the grammar is
// described at the top of reader/olvenlib.idl) and writes, for a file
// NAME.idl, into the output folder:
//   NAME_i.h    GUID constants, ProgIDs and the C++ interface classes (pure
//               virtual methods in slot order), the declarations of the
//               tables below;
//   NAME_d.cpp  the dispatch tables (names, DISPIDs, parameter kinds and an
//               invoker per method) used by the server's IDispatch, the
//               type-library description registered by the server, and the
//               interfaces' destructors, so that their vtables and type
//               information live in the one library that compiles it;
//   NAME_p.cpp  the interface entries of the proxy/stub library with its
//               DllRegisterServer and DllUnregisterServer.
//
//   olvidl [--namespace NS] [--export MACRO] NAME.idl OUTPUT-FOLDER
//
// With --export, the interface classes and the tables carry MACRO (defined by
// platform/Export.h), so that the library compiling NAME_d.cpp exports them.
//
// Errors are printed as "file:line: error: text", one per line; then nothing
// is written and the exit status is 1. The outputs are replaced whole (each
// written to a temporary file and renamed), so a failed run leaves the
// previous ones intact.

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Model

struct Guid {
  std::uint32_t d1 = 0;
  std::uint16_t d2 = 0, d3 = 0;
  std::uint8_t d4[8] = {};
  std::string text;  // as written, upper case
};

enum class Dir { kIn, kOut, kRetval };

// Base types of parameters.
enum class Base { kBstr, kI4, kUI4, kR8, kBool, kVariant, kIid, kInterface };

struct Param {
  std::string name;
  Dir dir = Dir::kIn;
  Base base = Base::kI4;
  std::string typeText;  // as written, for messages
  std::string itf;       // kInterface: the interface's name
  int stars = 0;
  int line = 0;
};

struct Method {
  std::string name;
  int dispid = 0;  // 0: none
  std::vector<Param> params;
  int line = 0;
};

struct Interface {
  std::string name;
  Guid iid;
  bool dual = false;  // derived from IDispatch
  std::vector<Method> methods;
  int line = 0;
};

struct CoClassItf {
  std::string name;
  bool isDefault = false;
  int line = 0;
};

struct CoClass {
  std::string name;
  Guid clsid;
  std::string progId;
  int version = 0;
  std::string helpString;
  std::vector<CoClassItf> interfaces;
  int line = 0;
};

struct Model {
  std::string libName, libHelp;
  Guid libId, appId, proxy;
  int libMajor = 0, libMinor = 0;
  int libLine = 0, appLine = 0, proxyLine = 0;
  std::vector<Interface> interfaces;
  std::vector<CoClass> coclasses;
};

// ---------------------------------------------------------------------------
// Errors

class Diagnostics {
 public:
  explicit Diagnostics(std::string file) : file_(std::move(file)) {}
  void error(int line, const std::string& text) {
    std::fprintf(stderr, "%s:%d: error: %s\n", file_.c_str(), line, text.c_str());
    ++count_;
  }
  int count() const { return count_; }

 private:
  std::string file_;
  int count_ = 0;
};

// A syntax error: parsing stops at the first one.
struct SyntaxError {
  int line;
  std::string text;
};

// ---------------------------------------------------------------------------
// Lexer

enum class Tok { kIdent, kNumber, kVersion, kGuid, kString, kPunct, kEnd };

struct Token {
  Tok kind = Tok::kEnd;
  std::string text;
  int line = 0;
};

bool isHex(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isIdentChar(char c) {
  return isIdentStart(c) || isDigit(c);
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" at pos.
bool guidAt(const std::string& s, std::size_t pos) {
  if (pos + 38 > s.size() || s[pos] != '{' || s[pos + 37] != '}') return false;
  for (std::size_t i = 1; i < 37; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? s[pos + i] != '-' : !isHex(s[pos + i])) return false;
  }
  return true;
}

// What follows the '{' at pos up to the next '}' on the line is hex digits and
// at least one '-': meant as a GUID, whether or not it is a good one.
bool guidLike(const std::string& s, std::size_t pos) {
  bool dash = false;
  for (std::size_t i = pos + 1; i < s.size() && i < pos + 48; ++i) {
    if (s[i] == '}') return dash;
    if (s[i] == '-') {
      dash = true;
    } else if (!isHex(s[i])) {
      return false;
    }
  }
  return false;
}

std::vector<Token> lex(const std::string& src) {
  std::vector<Token> out;
  int line = 1;
  std::size_t i = 0;
  while (i < src.size()) {
    const char c = src[i];
    if (c == '\n') {
      ++line;
      ++i;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      ++i;
      continue;
    }
    if (c == '/' && i + 1 < src.size() && src[i + 1] == '/') {
      while (i < src.size() && src[i] != '\n') ++i;
      continue;
    }
    Token t;
    t.line = line;
    if (isIdentStart(c)) {
      const std::size_t start = i;
      while (i < src.size() && isIdentChar(src[i])) ++i;
      t.kind = Tok::kIdent;
      t.text = src.substr(start, i - start);
    } else if (isDigit(c)) {
      const std::size_t start = i;
      while (i < src.size() && isDigit(src[i])) ++i;
      t.kind = Tok::kNumber;
      if (i + 1 < src.size() && src[i] == '.' && isDigit(src[i + 1])) {
        ++i;
        while (i < src.size() && isDigit(src[i])) ++i;
        t.kind = Tok::kVersion;
      }
      if (i < src.size() && isIdentChar(src[i]))
        throw SyntaxError{line, "malformed number '" + src.substr(start, i + 1 - start) + "'"};
      t.text = src.substr(start, i - start);
    } else if (c == '{' && guidLike(src, i)) {
      if (!guidAt(src, i)) {
        std::size_t end = i;
        while (end < src.size() && src[end] != '}' && src[end] != '\n' && end - i < 40) ++end;
        throw SyntaxError{line, "malformed GUID '" + src.substr(i, end + 1 - i) +
                                    "' (expected {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX})"};
      }
      t.kind = Tok::kGuid;
      t.text = src.substr(i, 38);
      for (char& ch : t.text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      i += 38;
    } else if (c == '"') {
      ++i;
      const std::size_t start = i;
      while (i < src.size() && src[i] != '"') {
        const unsigned char b = static_cast<unsigned char>(src[i]);
        if (b == '\n') throw SyntaxError{line, "string not closed on its line"};
        if (b < 0x20 || b > 0x7E || b == '\\')
          throw SyntaxError{line, "strings hold printable ASCII only, without '\\'"};
        ++i;
      }
      if (i >= src.size()) throw SyntaxError{line, "string not closed on its line"};
      t.kind = Tok::kString;
      t.text = src.substr(start, i - start);
      ++i;
    } else if (std::string("{}()[],;:*.").find(c) != std::string::npos) {
      t.kind = Tok::kPunct;
      t.text = std::string(1, c);
      ++i;
    } else {
      const unsigned char b = static_cast<unsigned char>(c);
      char buf[32];
      if (b >= 0x21 && b <= 0x7E) {
        std::snprintf(buf, sizeof buf, "'%c'", c);
      } else {
        std::snprintf(buf, sizeof buf, "byte 0x%02X", b);
      }
      throw SyntaxError{line, std::string("unexpected character ") + buf};
    }
    out.push_back(std::move(t));
  }
  Token end;
  end.kind = Tok::kEnd;
  end.line = line;
  out.push_back(end);
  return out;
}

Guid parseGuid(const std::string& text) {
  Guid g;
  g.text = text;
  std::string hex;
  for (char c : text)
    if (isHex(c)) hex += c;
  auto part = [&](std::size_t pos, std::size_t len) {
    return static_cast<std::uint32_t>(std::stoul(hex.substr(pos, len), nullptr, 16));
  };
  g.d1 = part(0, 8);
  g.d2 = static_cast<std::uint16_t>(part(8, 4));
  g.d3 = static_cast<std::uint16_t>(part(12, 4));
  for (int k = 0; k < 8; ++k) g.d4[k] = static_cast<std::uint8_t>(part(16 + 2 * k, 2));
  return g;
}

// ---------------------------------------------------------------------------
// Parser

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  Model parse() {
    Model m;
    while (peek().kind != Tok::kEnd) {
      const Token& k = peek();
      if (isWord("library")) {
        libraryStatement(m);
      } else if (isWord("appid")) {
        next();
        if (m.appLine) throw SyntaxError{k.line, "second appid statement"};
        m.appLine = k.line;
        m.appId = guid();
        punct(";");
      } else if (isWord("proxy")) {
        next();
        if (m.proxyLine) throw SyntaxError{k.line, "second proxy statement"};
        m.proxyLine = k.line;
        m.proxy = guid();
        punct(";");
      } else if (isWord("interface")) {
        m.interfaces.push_back(interfaceStatement());
      } else if (isWord("coclass")) {
        m.coclasses.push_back(coclassStatement());
      } else {
        throw SyntaxError{
            k.line, "expected library, appid, proxy, interface or coclass, found " + describe(k)};
      }
    }
    const int endLine = peek().line;
    if (!m.libLine) throw SyntaxError{endLine, "no library statement"};
    if (!m.appLine) throw SyntaxError{endLine, "no appid statement"};
    if (!m.proxyLine) throw SyntaxError{endLine, "no proxy statement"};
    return m;
  }

 private:
  const Token& peek() const { return t_[pos_]; }
  const Token& next() {
    const Token& t = t_[pos_];
    if (t.kind != Tok::kEnd) ++pos_;
    return t;
  }
  bool isWord(const char* w) const { return peek().kind == Tok::kIdent && peek().text == w; }
  bool isPunct(const char* p) const { return peek().kind == Tok::kPunct && peek().text == p; }

  static std::string describe(const Token& t) {
    switch (t.kind) {
      case Tok::kEnd:
        return "the end of the file";
      case Tok::kString:
        return "\"" + t.text + "\"";
      default:
        return "'" + t.text + "'";
    }
  }
  [[noreturn]] void expected(const std::string& what) const {
    throw SyntaxError{peek().line, "expected " + what + ", found " + describe(peek())};
  }

  void punct(const char* p) {
    if (!isPunct(p)) expected(std::string("'") + p + "'");
    next();
  }
  void word(const char* w) {
    if (!isWord(w)) expected(std::string("'") + w + "'");
    next();
  }
  std::string name(const char* what) {
    if (peek().kind != Tok::kIdent) expected(what);
    return next().text;
  }
  Guid guid() {
    if (peek().kind != Tok::kGuid) expected("a GUID {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}");
    return parseGuid(next().text);
  }
  std::string string() {
    if (peek().kind != Tok::kString) expected("a string");
    return next().text;
  }
  int number(const char* what, long max) {
    if (peek().kind != Tok::kNumber) expected(what);
    const Token& t = next();
    if (t.text.size() > 9 || std::stol(t.text) > max)
      throw SyntaxError{t.line, std::string(what) + " " + t.text + " is too large"};
    return static_cast<int>(std::stol(t.text));
  }

  void libraryStatement(Model& m) {
    const int line = next().line;
    if (m.libLine) throw SyntaxError{line, "second library statement"};
    m.libLine = line;
    m.libName = name("the library's name");
    m.libId = guid();
    word("version");
    if (peek().kind != Tok::kVersion) expected("a version MAJOR.MINOR");
    const Token& v = next();
    const std::size_t dot = v.text.find('.');
    const std::string major = v.text.substr(0, dot), minor = v.text.substr(dot + 1);
    if (major.size() > 5 || minor.size() > 5 || std::stol(major) > 65535 ||
        std::stol(minor) > 65535)
      throw SyntaxError{v.line, "version " + v.text + " out of range (0.0 to 65535.65535)"};
    m.libMajor = static_cast<int>(std::stol(major));
    m.libMinor = static_cast<int>(std::stol(minor));
    if (isWord("helpstring")) {
      next();
      m.libHelp = string();
    }
    punct(";");
  }

  Interface interfaceStatement() {
    Interface itf;
    itf.line = next().line;
    itf.name = name("the interface's name");
    itf.iid = guid();
    punct(":");
    if (isWord("IDispatch")) {
      itf.dual = true;
    } else if (!isWord("IUnknown")) {
      expected("IDispatch or IUnknown");
    }
    next();
    punct("{");
    while (!isPunct("}")) {
      if (peek().kind == Tok::kEnd) expected("'}'");
      itf.methods.push_back(method());
    }
    next();
    return itf;
  }

  Method method() {
    Method m;
    m.line = peek().line;
    if (peek().kind == Tok::kNumber) m.dispid = number("DISPID", 0x7FFFFFFF);
    m.name = name("a method's name");
    punct("(");
    if (!isPunct(")")) {
      for (;;) {
        m.params.push_back(param());
        if (!isPunct(",")) break;
        next();
      }
    }
    punct(")");
    punct(";");
    return m;
  }

  Param param() {
    Param p;
    p.line = peek().line;
    punct("[");
    const std::string dir = name("in or out");
    if (dir == "in") {
      p.dir = Dir::kIn;
    } else if (dir == "out") {
      p.dir = Dir::kOut;
      if (isPunct(",")) {
        next();
        word("retval");
        p.dir = Dir::kRetval;
      }
    } else {
      throw SyntaxError{p.line, "expected in, out or out, retval, found '" + dir + "'"};
    }
    punct("]");
    const std::string base = name("a type");
    p.typeText = base;
    if (base == "BSTR") {
      p.base = Base::kBstr;
    } else if (base == "long" || base == "int") {
      p.base = Base::kI4;
    } else if (base == "unsigned") {
      p.base = Base::kUI4;
      if (isWord("long") || isWord("int")) p.typeText += " " + next().text;
    } else if (base == "double") {
      p.base = Base::kR8;
    } else if (base == "VARIANT_BOOL") {
      p.base = Base::kBool;
    } else if (base == "VARIANT") {
      p.base = Base::kVariant;
    } else if (base == "REFIID") {
      p.base = Base::kIid;
    } else {
      p.base = Base::kInterface;  // checked against the declared interfaces later
      p.itf = base;
    }
    while (isPunct("*")) {
      next();
      ++p.stars;
      p.typeText += "*";
    }
    p.name = name("a parameter's name");
    return p;
  }

  CoClass coclassStatement() {
    CoClass c;
    c.line = next().line;
    c.name = name("the coclass's name");
    c.clsid = guid();
    word("progid");
    c.progId = string();
    word("version");
    c.version = number("version", 65535);
    if (isWord("helpstring")) {
      next();
      c.helpString = string();
    }
    punct("{");
    while (!isPunct("}")) {
      CoClassItf i;
      i.line = peek().line;
      if (isWord("default")) {
        next();
        i.isDefault = true;
      }
      i.name = name("an interface's name");
      punct(";");
      c.interfaces.push_back(i);
    }
    next();
    return c;
  }

  std::vector<Token> t_;
  std::size_t pos_ = 0;
};

// ---------------------------------------------------------------------------
// Checks

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool isKeyword(const std::string& s) {
  static const std::set<std::string> kWords = {
      "alignas",   "alignof",  "and",      "asm",      "auto",     "bool",      "break",
      "case",      "catch",    "char",     "class",    "const",    "constexpr", "continue",
      "default",   "delete",   "do",       "double",   "else",     "enum",      "explicit",
      "export",    "extern",   "false",    "float",    "for",      "friend",    "goto",
      "if",        "inline",   "int",      "long",     "mutable",  "namespace", "new",
      "noexcept",  "not",      "nullptr",  "operator", "or",       "private",   "protected",
      "public",    "register", "return",   "short",    "signed",   "sizeof",    "static",
      "struct",    "switch",   "template", "this",     "throw",    "true",      "try",
      "typedef",   "typeid",   "typename", "union",    "unsigned", "using",     "virtual",
      "void",      "volatile", "while",    "xor",      "concept",  "requires",  "co_await",
      "co_return", "co_yield", "char8_t",  "char16_t", "char32_t", "wchar_t",   "decltype",
      "final",     "override", "import",   "module"};
  return kWords.count(s) != 0;
}

// A ProgID: letters, digits, '.' and '_', starting with a letter, at most 39
// characters with the version suffix.
bool validProgId(const std::string& s, int version) {
  if (s.empty() || !std::isalpha(static_cast<unsigned char>(s[0]))) return false;
  for (char c : s)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_') return false;
  return s.size() + 1 + std::to_string(version).size() <= 39;
}

void check(const Model& m, Diagnostics& d) {
  std::map<std::string, int> guids;  // text -> line
  auto guid = [&](const Guid& g, int line, const std::string& what) {
    auto [it, fresh] = guids.emplace(g.text, line);
    if (!fresh)
      d.error(line, what + " " + g.text + " already used on line " + std::to_string(it->second));
  };
  guid(m.libId, m.libLine, "LIBID");
  guid(m.appId, m.appLine, "AppID");
  guid(m.proxy, m.proxyLine, "proxy CLSID");

  std::map<std::string, const Interface*> itfs;
  for (const Interface& i : m.interfaces) {
    if (i.name == "IUnknown" || i.name == "IDispatch" || isKeyword(i.name))
      d.error(i.line, "interface name '" + i.name + "' is reserved");
    if (!itfs.emplace(i.name, &i).second)
      d.error(i.line, "interface " + i.name + " declared twice");
    guid(i.iid, i.line, "IID");
  }

  for (const Interface& i : m.interfaces) {
    std::map<std::string, int> names;  // lower case -> line
    std::map<int, std::string> dispids;
    for (const Method& me : i.methods) {
      if (isKeyword(me.name)) d.error(me.line, "method name '" + me.name + "' is reserved");
      const std::string key = lower(me.name);
      if (key == "queryinterface" || key == "addref" || key == "release" ||
          (i.dual && (key == "gettypeinfocount" || key == "gettypeinfo" || key == "getidsofnames" ||
                      key == "invoke")))
        d.error(me.line, "method " + me.name + " repeats a method of the base interface");
      if (auto [it, fresh] = names.emplace(key, me.line); !fresh)
        d.error(me.line, "method " + me.name + " already declared on line " +
                             std::to_string(it->second) +
                             " (names differ in case only or not at all)");
      if (i.dual) {
        if (me.dispid <= 0) {
          d.error(me.line,
                  "method " + me.name + " of an IDispatch interface needs a DISPID above 0");
        } else if (auto [it, fresh] = dispids.emplace(me.dispid, me.name); !fresh) {
          d.error(me.line,
                  "DISPID " + std::to_string(me.dispid) + " already used by " + it->second);
        }
      } else if (me.dispid != 0) {
        d.error(me.line, "method " + me.name + " of an IUnknown interface takes no DISPID");
      }

      std::set<std::string> params;
      for (std::size_t k = 0; k < me.params.size(); ++k) {
        const Param& p = me.params[k];
        const std::string where = "parameter " + p.name + " of " + me.name;
        if (isKeyword(p.name)) d.error(p.line, where + ": the name is reserved");
        if (!params.insert(p.name).second) d.error(p.line, where + " declared twice");
        if (p.dir == Dir::kRetval) {
          if (!i.dual) d.error(p.line, where + ": retval only in an IDispatch interface");
          if (k + 1 != me.params.size()) d.error(p.line, where + ": retval must be the last");
        }
        if (p.base == Base::kInterface) {
          if (p.itf != "IUnknown" && p.itf != "IDispatch" && !itfs.count(p.itf)) {
            d.error(p.line, where + ": unknown type '" + p.itf + "'");
            continue;
          }
        }
        const bool in = p.dir == Dir::kIn;
        if (p.base == Base::kIid) {
          if (i.dual) d.error(p.line, where + ": REFIID is not allowed in an IDispatch interface");
          if (!in || p.stars != 0) d.error(p.line, where + ": REFIID only as [in] without '*'");
          continue;
        }
        if (p.base == Base::kInterface) {
          if (in) {
            d.error(p.line, where + ": interface pointers only as [out] " + p.itf + "**");
          } else if (p.stars != 2) {
            d.error(p.line, where + ": an [out] interface pointer is written " + p.itf + "**");
          }
          continue;
        }
        if (in) {
          if (p.base == Base::kVariant)
            d.error(p.line, where + ": [in] VARIANT is not supported");
          else if (p.stars != 0)
            d.error(p.line, where + ": [in] " + p.typeText + " takes no '*'");
        } else if (p.stars != 1) {
          d.error(p.line, where + ": [out] " + p.typeText + " needs exactly one '*'");
        }
      }
    }
  }

  std::set<std::string> progIds;
  for (const CoClass& c : m.coclasses) {
    guid(c.clsid, c.line, "CLSID");
    if (!validProgId(c.progId, c.version))
      d.error(c.line, "ProgID \"" + c.progId +
                          "\" must be letters, digits, '.' and '_', starting with a letter, at "
                          "most 39 characters with its version");
    if (!progIds.insert(lower(c.progId)).second)
      d.error(c.line, "ProgID \"" + c.progId + "\" used twice");
    int defaults = 0;
    std::set<std::string> seen;
    for (const CoClassItf& i : c.interfaces) {
      if (!itfs.count(i.name))
        d.error(i.line, "coclass " + c.name + ": unknown interface " + i.name);
      if (!seen.insert(i.name).second)
        d.error(i.line, "coclass " + c.name + ": interface " + i.name + " listed twice");
      if (i.isDefault) ++defaults;
    }
    if (defaults != 1)
      d.error(c.line, "coclass " + c.name + " needs exactly one default interface");
  }
}

// ---------------------------------------------------------------------------
// Output

std::string guidInit(const Guid& g) {
  char buf[160];
  std::snprintf(buf, sizeof buf,
                "{0x%08X, 0x%04X, 0x%04X, {0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X, "
                "0x%02X, 0x%02X}}",
                g.d1, g.d2, g.d3, g.d4[0], g.d4[1], g.d4[2], g.d4[3], g.d4[4], g.d4[5], g.d4[6],
                g.d4[7]);
  return buf;
}

std::string cxxBase(const Param& p) {
  switch (p.base) {
    case Base::kBstr:
      return "plat::BSTR";
    case Base::kI4:
      return "std::int32_t";
    case Base::kUI4:
      return "std::uint32_t";
    case Base::kR8:
      return "double";
    case Base::kBool:
      return "plat::VARIANT_BOOL";
    case Base::kVariant:
      return "plat::VARIANT";
    case Base::kIid:
      return "plat::REFIID";
    case Base::kInterface:
      if (p.itf == "IUnknown" || p.itf == "IDispatch") return "plat::" + p.itf;
      return p.itf;
  }
  return "";
}

std::string cxxType(const Param& p) {
  return cxxBase(p) + std::string(static_cast<std::size_t>(p.stars), '*');
}

// The VARTYPE of a parameter as the dispatch sees it.
std::string varType(const Model& m, const Param& p) {
  switch (p.base) {
    case Base::kBstr:
      return "plat::VT_BSTR";
    case Base::kI4:
      return "plat::VT_I4";
    case Base::kUI4:
      return "plat::VT_UI4";
    case Base::kR8:
      return "plat::VT_R8";
    case Base::kBool:
      return "plat::VT_BOOL";
    case Base::kVariant:
      return "plat::VT_VARIANT";
    case Base::kIid:
      return "plat::VT_EMPTY";
    case Base::kInterface:
      break;
  }
  if (p.itf == "IDispatch") return "plat::VT_DISPATCH";
  if (p.itf == "IUnknown") return "plat::VT_UNKNOWN";
  for (const Interface& i : m.interfaces)
    if (i.name == p.itf) return i.dual ? "plat::VT_DISPATCH" : "plat::VT_UNKNOWN";
  return "plat::VT_UNKNOWN";
}

const char* dirName(Dir d) {
  switch (d) {
    case Dir::kIn:
      return "plat::DispDir::kIn";
    case Dir::kOut:
      return "plat::DispDir::kOut";
    case Dir::kRetval:
      return "plat::DispDir::kRetval";
  }
  return "";
}

int numMethods(const Interface& i) {
  return (i.dual ? 7 : 3) + static_cast<int>(i.methods.size());
}

std::string header(const Model& m, const std::string& ns, const std::string& idlName,
                   const std::string& exportMacro) {
  // The macro with the blank that follows it, or nothing.
  const std::string api = exportMacro.empty() ? "" : exportMacro + " ";
  std::ostringstream o;
  o << "// Generated by olvidl from " << idlName << "; do not edit.\n"
    << "#pragma once\n\n"
    << "#include <cstdint>\n\n"
    << "#include \"platform/Com.h\"\n"
    << "#include \"platform/Dispatch.h\"\n"
    << (api.empty() ? "" : "#include \"platform/Export.h\"\n")
    << "#include \"platform/Registration.h\"\n\n"
    << "namespace " << ns << " {\n\n";
  o << "// Type library " << m.libName << " " << m.libMajor << "." << m.libMinor << ".\n"
    << "inline constexpr plat::GUID LIBID_" << m.libName << " = " << guidInit(m.libId) << ";\n"
    << "inline constexpr plat::GUID APPID_" << m.libName << " = " << guidInit(m.appId) << ";\n"
    << "// The proxy/stub's class, named in the interfaces' ProxyStubClsid32.\n"
    << "inline constexpr plat::CLSID CLSID_" << m.libName << "Proxy = " << guidInit(m.proxy)
    << ";\n\n";
  for (const CoClass& c : m.coclasses) {
    o << "inline constexpr plat::CLSID CLSID_" << c.name << " = " << guidInit(c.clsid) << ";\n"
      << "inline constexpr const char* PROGID_" << c.name << " = \"" << c.progId << "\";\n"
      << "inline constexpr const char* PROGID_" << c.name << "_VERSIONED = \"" << c.progId << "."
      << c.version << "\";\n"
      << "inline constexpr const char* HELPSTRING_" << c.name << " = \"" << c.helpString
      << "\";\n\n";
  }
  for (const Interface& i : m.interfaces)
    o << "inline constexpr plat::IID IID_" << i.name << " = " << guidInit(i.iid) << ";\n";
  o << "\n";
  for (const Interface& i : m.interfaces) o << "class " << i.name << ";\n";
  for (const Interface& i : m.interfaces) {
    o << "\n// " << (i.dual ? "Dual" : "Custom") << " interface, " << numMethods(i) << " slots.\n"
      << "class " << api << i.name << " : public plat::" << (i.dual ? "IDispatch" : "IUnknown")
      << " {\n public:\n";
    int slot = i.dual ? 7 : 3;
    for (const Method& me : i.methods) {
      o << "  // slot " << slot++;
      if (me.dispid) o << ", DISPID " << me.dispid;
      o << "\n  virtual plat::HRESULT " << me.name << "(";
      for (std::size_t k = 0; k < me.params.size(); ++k) {
        if (k) o << ", ";
        o << cxxType(me.params[k]) << " " << me.params[k].name;
      }
      o << ") = 0;\n";
    }
    o << "\n protected:\n  ~" << i.name << "() override;\n};\n";
  }
  o << "\n// Dispatch tables of the IDispatch interfaces.\n";
  for (const Interface& i : m.interfaces)
    if (i.dual) o << "extern " << api << "const plat::DispInterface DISPATCH_" << i.name << ";\n";
  o << "\n// Description of the type library for its registration.\n"
    << "extern " << api << "const plat::TypeLibDesc TYPELIB_" << m.libName << ";\n\n"
    << "}  // namespace " << ns << "\n";
  return o.str();
}

// The invoker of one method: converts the [in] arguments, calls the method
// through the interface and hands the out-values to the call.
void invoker(std::ostringstream& o, const Model& m, const Interface& i, const Method& me) {
  o << "plat::HRESULT invoke_" << i.name << "_" << me.name << "(void* itf, plat::DispCall& "
    << (me.params.empty() ? "/*call*/" : "call") << ") {\n"
    << "  plat::HRESULT hr = plat::S_OK;\n";
  for (std::size_t k = 0; k < me.params.size(); ++k) {
    const Param& p = me.params[k];
    const std::string a = "a" + std::to_string(k);
    if (p.dir == Dir::kIn) {
      switch (p.base) {
        case Base::kBstr:
          o << "  plat::BStr " << a << ";\n  if (plat::FAILED(hr = call.inBstr(" << k << ", " << a
            << "))) return hr;\n";
          break;
        case Base::kI4:
          o << "  std::int32_t " << a << " = 0;\n  if (plat::FAILED(hr = call.inI4(" << k << ", "
            << a << "))) return hr;\n";
          break;
        case Base::kUI4:
          o << "  std::uint32_t " << a << " = 0;\n  if (plat::FAILED(hr = call.inUI4(" << k << ", "
            << a << "))) return hr;\n";
          break;
        case Base::kR8:
          o << "  double " << a << " = 0;\n  if (plat::FAILED(hr = call.inR8(" << k << ", " << a
            << "))) return hr;\n";
          break;
        case Base::kBool:
          o << "  plat::VARIANT_BOOL " << a << " = plat::VARIANT_FALSE;\n"
            << "  if (plat::FAILED(hr = call.inBool(" << k << ", " << a << "))) return hr;\n";
          break;
        default:
          break;
      }
    } else {
      switch (p.base) {
        case Base::kBstr:
          o << "  plat::BSTR " << a << " = nullptr;\n";
          break;
        case Base::kI4:
          o << "  std::int32_t " << a << " = 0;\n";
          break;
        case Base::kUI4:
          o << "  std::uint32_t " << a << " = 0;\n";
          break;
        case Base::kR8:
          o << "  double " << a << " = 0;\n";
          break;
        case Base::kBool:
          o << "  plat::VARIANT_BOOL " << a << " = plat::VARIANT_FALSE;\n";
          break;
        case Base::kVariant:
          o << "  plat::VARIANT " << a << ";\n  plat::VariantInit(&" << a << ");\n";
          break;
        case Base::kInterface:
          o << "  " << cxxBase(p) << "* " << a << " = nullptr;\n";
          break;
        default:
          break;
      }
    }
  }
  o << "  hr = static_cast<" << i.name << "*>(itf)->" << me.name << "(";
  for (std::size_t k = 0; k < me.params.size(); ++k) {
    const Param& p = me.params[k];
    if (k) o << ", ";
    if (p.dir == Dir::kIn) {
      o << "a" << k << (p.base == Base::kBstr ? ".get()" : "");
    } else {
      o << "&a" << k;
    }
  }
  o << ");\n";
  // Out-values are handed over only after a success; otherwise what the
  // method may have left in them is freed.
  for (std::size_t k = 0; k < me.params.size(); ++k) {
    const Param& p = me.params[k];
    if (p.dir == Dir::kIn) continue;
    const std::string a = "a" + std::to_string(k), ks = std::to_string(k);
    switch (p.base) {
      case Base::kBstr:
        o << "  call.putBstr(hr, " << ks << ", " << a << ");\n";
        break;
      case Base::kI4:
        o << "  call.putI4(hr, " << ks << ", " << a << ");\n";
        break;
      case Base::kUI4:
        o << "  call.putUI4(hr, " << ks << ", " << a << ");\n";
        break;
      case Base::kR8:
        o << "  call.putR8(hr, " << ks << ", " << a << ");\n";
        break;
      case Base::kBool:
        o << "  call.putBool(hr, " << ks << ", " << a << ");\n";
        break;
      case Base::kVariant:
        o << "  call.putVariant(hr, " << ks << ", " << a << ");\n";
        break;
      case Base::kInterface:
        if (varType(m, p) == "plat::VT_DISPATCH") {
          o << "  call.putDispatch(hr, " << ks << ", " << a << ");\n";
        } else {
          o << "  call.putUnknown(hr, " << ks << ", " << a << ");\n";
        }
        break;
      default:
        break;
    }
  }
  o << "  return hr;\n}\n\n";
}

std::string dispatchSource(const Model& m, const std::string& ns, const std::string& idlName,
                           const std::string& stem) {
  std::ostringstream o;
  o << "// Generated by olvidl from " << idlName << "; do not edit.\n"
    << "#include \"" << stem << "_i.h\"\n\n"
    << "namespace " << ns << " {\n\nnamespace {\n\n";
  for (const Interface& i : m.interfaces) {
    if (!i.dual) continue;
    for (const Method& me : i.methods) invoker(o, m, i, me);
  }
  for (const Interface& i : m.interfaces) {
    if (!i.dual) continue;
    for (const Method& me : i.methods) {
      if (me.params.empty()) continue;
      o << "const plat::DispParam params_" << i.name << "_" << me.name << "[] = {\n";
      for (const Param& p : me.params)
        o << "    {\"" << p.name << "\", " << varType(m, p) << ", " << dirName(p.dir) << "},\n";
      o << "};\n";
    }
    o << "\nconst plat::DispMethod methods_" << i.name << "[] = {\n";
    for (const Method& me : i.methods) {
      o << "    {\"" << me.name << "\", " << me.dispid << ", ";
      if (me.params.empty()) {
        o << "nullptr, 0";
      } else {
        o << "params_" << i.name << "_" << me.name << ", " << me.params.size();
      }
      o << ", &invoke_" << i.name << "_" << me.name << "},\n";
    }
    o << "};\n\n";
  }
  o << "}  // namespace\n\n";
  for (const Interface& i : m.interfaces) {
    if (!i.dual) continue;
    o << "const plat::DispInterface DISPATCH_" << i.name << " = {\"" << i.name << "\", &IID_"
      << i.name << ", methods_" << i.name << ", " << i.methods.size() << "};\n";
  }
  o << "\nconst plat::TypeLibDesc TYPELIB_" << m.libName << " = {\"" << m.libName << "\", \""
    << m.libHelp << "\", &LIBID_" << m.libName << ", " << m.libMajor << ", " << m.libMinor
    << "};\n\n";
  // The key functions of the interface classes.
  for (const Interface& i : m.interfaces) o << i.name << "::~" << i.name << "() = default;\n";
  o << "\n"
    << "}  // namespace " << ns << "\n";
  return o.str();
}

std::string proxySource(const Model& m, const std::string& ns, const std::string& idlName,
                        const std::string& stem) {
  std::ostringstream o;
  o << "// Generated by olvidl from " << idlName << "; do not edit.\n"
    << "//\n"
    << "// The proxy/stub library of " << m.libName
    << ". Calls never cross apartments here, so it\n"
    << "// carries no marshalling code: it registers and removes the interfaces'\n"
    << "// entries only. No exception leaves its entry points.\n"
    << "#include <iterator>\n\n"
    << "#include \"" << stem << "_i.h\"\n\n"
    << "namespace {\n\n"
    << "const plat::ProxyInterface kInterfaces[] = {\n";
  for (const Interface& i : m.interfaces)
    o << "    {\"" << i.name << "\", &" << ns << "::IID_" << i.name << ", " << numMethods(i)
      << "},\n";
  o << "};\n\n"
    << "constexpr const char* kSource = \"" << m.libName << "Proxy\";\n\n"
    << "}  // namespace\n\n"
    << "extern \"C\" __attribute__((visibility(\"default\"))) plat::HRESULT DllRegisterServer() "
       "noexcept {\n"
    << "  return plat::RegisterProxyInterfaces(kInterfaces, std::size(kInterfaces), " << ns
    << "::CLSID_" << m.libName << "Proxy,\n"
    << "                                       kSource);\n"
    << "}\n\n"
    << "extern \"C\" __attribute__((visibility(\"default\"))) plat::HRESULT DllUnregisterServer() "
       "noexcept {\n"
    << "  return plat::UnregisterProxyInterfaces(kInterfaces, std::size(kInterfaces), kSource);\n"
    << "}\n";
  return o.str();
}

bool writeFile(const std::filesystem::path& path, const std::string& text) {
  const std::filesystem::path tmp = path.string() + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      std::fprintf(stderr, "olvidl: cannot write %s\n", tmp.c_str());
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
  if (ec) {
    std::fprintf(stderr, "olvidl: cannot write %s: %s\n", path.c_str(), ec.message().c_str());
    std::filesystem::remove(tmp, ec);
    return false;
  }
  return true;
}

int usage() {
  std::fprintf(stderr, "usage: olvidl [--namespace NS] [--export MACRO] FILE.idl OUTPUT-FOLDER\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string ns = "swde";
  std::string exportMacro;
  std::vector<std::string> args;
  for (int k = 1; k < argc; ++k) {
    const std::string a = argv[k];
    if (a == "--namespace") {
      if (++k >= argc) return usage();
      ns = argv[k];
    } else if (a == "--export") {
      if (++k >= argc) return usage();
      exportMacro = argv[k];
      if (exportMacro.empty() || std::isdigit(static_cast<unsigned char>(exportMacro[0])) ||
          exportMacro.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                        "0123456789_") != std::string::npos)
        return usage();
    } else {
      args.push_back(a);
    }
  }
  if (args.size() != 2) return usage();
  const std::string& input = args[0];
  const std::filesystem::path outDir = args[1];

  std::ifstream in(input, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s:1: error: cannot read the file\n", input.c_str());
    return 1;
  }
  std::stringstream buffer;
  buffer << in.rdbuf();

  Diagnostics diag(input);
  Model model;
  try {
    model = Parser(lex(buffer.str())).parse();
  } catch (const SyntaxError& e) {
    diag.error(e.line, e.text);
    return 1;
  }
  check(model, diag);
  if (diag.count() > 0) return 1;

  const std::filesystem::path inPath(input);
  const std::string stem = inPath.stem().string();
  const std::string idlName = inPath.filename().string();
  std::error_code ec;
  std::filesystem::create_directories(outDir, ec);
  if (!writeFile(outDir / (stem + "_i.h"), header(model, ns, idlName, exportMacro)) ||
      !writeFile(outDir / (stem + "_d.cpp"), dispatchSource(model, ns, idlName, stem)) ||
      !writeFile(outDir / (stem + "_p.cpp"), proxySource(model, ns, idlName, stem)))
    return 1;
  return 0;
}
