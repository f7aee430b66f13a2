// Generated SWDE and SWING documents for the tests that run the syntax check
// over many inputs: seeded numbers, a generator of valid documents (the
// sections in their order, records with their sub-records, the fields within
// their rules), the damage done to bytes and lines, and lines of a given raw
// length.
//
// The recorded reports of processing/SyntaxGoldenTest.cpp are made from these
// documents: any change of what the generator or the damage draws, or of the
// order of the draws, is a change of that corpus, which then has to be
// recorded again. New features go behind a DocShape field that is off by
// default and draws nothing while it is off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testsupport {

// ---------------------------------------------------------------------------
// Seeded numbers: splitmix64, with every step written out, so that the
// documents are the same on every compiler and library.

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n - 1; n > 0.
  std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }
  // lo .. hi.
  std::uint32_t between(std::uint32_t lo, std::uint32_t hi) { return lo + below(hi - lo + 1); }
  bool oneIn(std::uint32_t n) { return below(n) == 0; }

 private:
  std::uint64_t state_;
};

// One element of the list, one draw.
template <class T, std::size_t N>
const T& pick(Rng& r, const T (&list)[N]) {
  return list[r.below(static_cast<std::uint32_t>(N))];
}
template <class T>
T pick(Rng& r, std::initializer_list<T> list) {
  return *(list.begin() + r.below(static_cast<std::uint32_t>(list.size())));
}

inline std::string num(std::uint64_t v) {
  return std::to_string(v);
}

// ---------------------------------------------------------------------------
// Lines: one a string, without its line end.

using Lines = std::vector<std::string>;

inline std::string joinLines(const Lines& lines, std::string_view eol, bool finalEol = true) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (i + 1 < lines.size() || finalEol) out += eol;
  }
  return out;
}

// ---------------------------------------------------------------------------
// Polish letters: ą ć ę ł ń ó ś ź ż Ą Ć Ę Ł Ń Ó Ś Ź Ż.

inline constexpr unsigned char kIsoLetters[18] = {0xB1, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3,
                                                  0xB6, 0xBC, 0xBF, 0xA1, 0xC6, 0xCA,
                                                  0xA3, 0xD1, 0xD3, 0xA6, 0xAC, 0xAF};
inline constexpr unsigned char kCpLetters[18] = {0xB9, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3,
                                                 0x9C, 0x9F, 0xBF, 0xA5, 0xC6, 0xCA,
                                                 0xA3, 0xD1, 0xD3, 0x8C, 0x8F, 0xAF};

enum class Letters { Ascii, Iso, Cp1250 };

// ---------------------------------------------------------------------------
// Valid documents. The generator keeps to the structure the check accepts:
// header, the sections in their order, records with their sub-records, the
// end line; the fields within their rules. With Letters::Cp1250 the names may
// hold the cp1250 letters that names do not admit, so only Ascii and Iso
// documents are free of findings.

struct DocShape {
  bool swing = false;
  std::size_t size = 2000;  // records are added until the document is this long
  Letters letters = Letters::Ascii;
  bool loose = false;  // blank lines, leading blanks, comments
  // ST always there, ending with object types that have parts (RC: WE, WP).
  bool complexTypes = false;
};

class DocGen {
 public:
  DocGen(Rng& r, const DocShape& shape) : r_(r), shape_(shape) {}

  Lines document() {
    std::string h = shape_.swing ? "SWING.W.1.2.0;" : "SWDE.W.1.13.0;";
    h += text(1, 6);
    lines_.push_back(h);
    if (r_.oneIn(2)) sectionSN();
    if (shape_.swing && r_.oneIn(2)) sectionSD();
    sectionSP();
    const bool types = r_.oneIn(2);
    if (types || shape_.complexTypes) sectionST();
    if (shape_.swing && r_.oneIn(2)) sectionSG();
    sectionSO();
    if (r_.oneIn(4)) {
      std::string e = shape_.swing ? "SWINGXC," : "SWDEXC,";
      e += num(r_.next() & 0xFFFFFFFFu);
      line(e + ";");
    } else {
      line(shape_.swing ? "SWINGX;" : "SWDEX;");
    }
    return lines_;
  }

 private:
  std::string letter() {
    const std::uint32_t i = r_.below(18);
    return std::string(
        1, static_cast<char>(shape_.letters == Letters::Iso ? kIsoLetters[i] : kCpLetters[i]));
  }

  std::string word() {
    static const char* const kWords[] = {"dzialka", "ulica", "obok",  "przy",  "pole",  "nr",
                                         "budynek", "lasu",  "rzeki", "drogi", "punkt", "opis"};
    std::string w = pick(r_, kWords);
    if (shape_.letters != Letters::Ascii && r_.oneIn(2)) w += letter();
    if (r_.oneIn(5)) w += num(r_.below(1000));
    return w;
  }

  // Free text: words, blanks, now and then a comma or a dash.
  std::string text(std::uint32_t lo, std::uint32_t hi) {
    const std::uint32_t n = r_.between(lo, hi);
    std::string t;
    for (std::uint32_t i = 0; i < n; ++i) {
      if (i > 0) t += r_.oneIn(6) ? ", " : " ";
      t += word();
    }
    return t;
  }

  std::string name() {
    static const char* const kNames[] = {"G5IDD",  "G5OPIS", "G5NRP",  "G5PEW", "G5DWR", "G5STI",
                                         "G5RBUD", "G5ADR",  "G5RDZE", "G5KLU", "G5PKT", "G5_KLU"};
    std::string n = pick(r_, kNames);
    if (shape_.letters != Letters::Ascii && r_.oneIn(3)) n += letter();
    return n;
  }

  std::string type() {
    static const char* const kTypes[] = {"G5DZE", "G5BUD", "G5KLU", "G5JEW",  "G5OBR",
                                         "G5PKT", "G5UZG", "G5KKL", "G5O_DZE"};
    return pick(r_, kTypes);
  }

  std::string id() {
    std::string s = "146501_1.0001.";
    s += num(r_.between(1, 99999));
    if (r_.oneIn(4)) s += "_BUD";
    return s;
  }

  std::string coordinate() {
    std::string c = num(r_.between(5600000, 6800000));
    c += ".";
    c += num(r_.between(10, 99));
    return c;
  }

  std::string real() {
    std::string c = num(r_.below(100));
    c += ".";
    c += num(r_.below(10));
    return c;
  }

  // The comment after a line's semicolon, mostly none.
  std::string comment() { return r_.oneIn(5) ? text(1, 3) : std::string(); }

  void line(const std::string& l) {
    std::string out;
    if (shape_.loose && r_.oneIn(8)) out += r_.oneIn(2) ? "  " : "\t";
    out += l;
    lines_.push_back(out);
    size_ += lines_.back().size() + 1;
    if (shape_.loose && r_.oneIn(20)) lines_.push_back(r_.oneIn(2) ? "" : "   ");
  }
  void line(const std::string& l, bool commented) { line(commented ? l + comment() : l); }

  // The end of a section or a record: now and then the one with a check sum
  // (head, then the sum), else the plain one.
  void end(const char* withSum, const char* plain, bool commented) {
    if (r_.oneIn(6)) {
      std::string e = withSum;
      e += num(r_.next() & 0xFFFFFFFFu);
      line(e + ";");
    } else {
      line(plain, commented);
    }
  }
  void sectionEnd() { end("SXC,", "SX;", false); }
  void recordEnd() { end("XC,", "X;", true); }

  void sectionSN() {
    static const char* const kNs[] = {"DN", "TR", "TN", "ZN", "OP", "OR", "UX", "NX"};
    line("SN;");
    const std::uint32_t n = r_.between(1, 4);
    for (std::uint32_t i = 0; i < n; ++i) {
      if (r_.oneIn(2)) {
        std::string l = "NS,";
        l += pick(r_, kNs);
        l += ",";
        l += text(1, 3);
        line(l + ";", true);
      } else {
        std::string l = "NU,";
        l += name();
        l += ",";
        l += text(1, 4);
        line(l + ";", true);
      }
    }
    sectionEnd();
  }

  void sectionSD() {
    line("SD;");
    const std::uint32_t n = r_.between(1, 2);
    for (std::uint32_t i = 0; i < n; ++i) {
      line("DS," + name() + ";");
      const std::uint32_t k = r_.between(1, 4);
      for (std::uint32_t j = 0; j < k; ++j) {
        std::string l = "ES,";
        l += num(j);
        l += ",";
        if (j > 0 || r_.oneIn(2)) l += "POZ" + num(j);
        l += ",";
        l += text(1, 4);
        line(l);
      }
      recordEnd();
    }
    sectionEnd();
  }

  void sectionSP() {
    static const char* const kKinds[] = {"ZN", "NO", "UL", "DN", "HR", "DH"};
    line("SP;");
    const std::uint32_t n = r_.between(1, 6);
    for (std::uint32_t i = 0; i < n; ++i) {
      switch (r_.below(5)) {
        case 0:
          line("W," + name() + ";", true);
          break;
        case 1:
          line("B," + name() + ",LN,1;");
          break;
        case 2: {
          std::string l = "B," + name();
          l += ",FL,";
          l += num(r_.between(1, 20));
          l += ",";
          l += num(r_.below(5));
          line(l + ";");
          break;
        }
        default: {
          std::string l = "B," + name();
          l += ",";
          l += pick(r_, kKinds);
          l += ",";
          if (r_.oneIn(3)) l += num(r_.between(1, 50));
          line(l + ";", true);
          break;
        }
      }
    }
    sectionEnd();
  }

  void sectionST() {
    line("ST;");
    const std::uint32_t n = r_.between(1, 2);
    for (std::uint32_t i = 0; i < n; ++i) {
      std::string td = "TD," + type();
      td += ",R";
      td +=
          shape_.swing ? pick(r_, {'D', 'P', 'L', 'O', 'M', 'R'}) : pick(r_, {'D', 'P', 'L', 'O'});
      line(td + ";", true);
      const std::uint32_t k = r_.between(1, 3);
      for (std::uint32_t j = 0; j < k; ++j) line("TP," + name() + ";", true);
      if (r_.oneIn(2)) line("TPW;");
      if (r_.oneIn(2)) line("TPN," + name() + ";");
      if (r_.oneIn(2)) {
        line("WR," + name() + ";");
        if (r_.oneIn(2)) line("WW;");
        if (r_.oneIn(2)) line("WN," + name() + ";");
      }
      recordEnd();
    }
    if (shape_.complexTypes)
      for (std::uint32_t i = r_.between(1, 2); i > 0; --i) complexType();
    sectionEnd();
  }

  // An object type with parts: its attributes and relations, then the types
  // of its parts (WE), each now and then with WP.
  void complexType() {
    line("TD," + type() + ",RC;", true);
    for (std::uint32_t j = r_.between(1, 3); j > 0; --j) line("TP," + name() + ";", true);
    if (r_.oneIn(2)) line("WR," + name() + ";");
    for (std::uint32_t j = r_.between(1, 3); j > 0; --j) {
      line("WE," + type() + ";");
      if (r_.oneIn(2)) line("WP;");
    }
    recordEnd();
  }

  // The head of a style line in SG: its name with a number, then a colour
  // and a width.
  std::string style(const char* head) {
    std::string l = head;
    l += num(r_.below(9));
    l += ",";
    l += num(r_.below(256));
    l += ",";
    l += real();
    return l;
  }

  void sectionSG() {
    line("SG;");
    line("A," + num(r_.between(0, 9)) + ";");
    const std::uint32_t n = r_.between(1, 6);
    for (std::uint32_t i = 0; i < n; ++i) {
      std::string l;
      switch (r_.below(5)) {
        case 0:
          l = "NK,";
          l += num(r_.below(20));
          l += ",";
          l += text(1, 3);
          line(l);
          continue;
        case 1:
          l = style("FD,LINIA");
          l += ",";
          l += num(r_.below(2));
          break;
        case 2:
          l = style("ZD,ZNAK");
          l += ",";
          l += num(r_.below(2));
          l += ",";
          l += num(r_.between(1, 9));
          break;
        case 3:
          l = style("VD,WZOR");
          break;
        default:
          l = "JD,JEDN";
          l += num(r_.below(9));
          l += ",";
          l += num(r_.below(256));
          break;
      }
      line(l + ";");
    }
    sectionEnd();
  }

  void attributes() {
    const std::uint32_t n = r_.between(0, 4);
    for (std::uint32_t i = 0; i < n; ++i) {
      std::string l = "D," + name();
      l += ",D,";
      l += text(1, 5);
      line(l + ";", true);
    }
    if (r_.oneIn(4)) {
      std::string l = "WG,G5RPKT,G5PKT,";
      l += id();
      line(l + ";");
    }
    if (r_.oneIn(4)) {
      std::string l = "WL," + name();
      l += ",";
      l += id();
      line(l + ";");
    }
  }

  std::string recordStart(const char* kind) {
    std::string l = kind;
    l += ",";
    l += type();
    l += ",";
    if (r_.oneIn(4)) l += "G5O_DZE";
    l += ",";
    l += id();
    l += ",";
    if (r_.oneIn(4)) l += num(r_.between(1, 99));
    l += ",";
    if (r_.oneIn(4)) {
      l += pick(r_, {'0', '1', '2'});
      l += pick(r_, {'0', '1', '2'});
    }
    return l + ";";
  }

  std::string point() {
    switch (r_.below(3)) {
      case 0:
        return "P,P,G5PKT," + id() + ";";
      case 1:
        return "P,K," + id() + ";";
      default: {
        std::string l = "P,G," + coordinate();
        l += ",";
        l += coordinate();
        l += ",";
        if (r_.oneIn(4)) l += real();
        return l + ";";
      }
    }
  }

  // A ring or a line: GL, points, what may follow a point, the end.
  void geometry(bool area) {
    line("GL;");
    if (area && r_.oneIn(5)) line(r_.oneIn(2) ? "K,+;" : "K,-;");
    if (r_.oneIn(6)) line("IL," + name() + ",;");
    const std::uint32_t n = r_.between(area ? 3 : 2, 7);
    for (std::uint32_t i = 0; i < n; ++i) {
      line(point());
      if (r_.oneIn(8)) line("IP," + name() + ",;");
    }
    if (r_.oneIn(6)) line("OL;");
    if (area) line("PZ;");
    line("GX;");
  }

  void recordRO() {
    line(recordStart("RO"));
    if (shape_.swing && r_.oneIn(4)) line("JK,JEDN1," + num(r_.below(256)) + ";");
    geometry(true);
    if (r_.oneIn(5)) geometry(true);
    attributes();
    recordEnd();
  }

  void recordRL() {
    line(recordStart("RL"));
    geometry(false);
    attributes();
    recordEnd();
  }

  void recordRP() {
    line(recordStart("RP"));
    if (!r_.oneIn(6)) {
      std::string l = "P,G," + coordinate();
      l += ",";
      l += coordinate();
      line(l + ",;");
      attributes();
    }
    recordEnd();
  }

  void recordRD(const char* kind) {
    line(recordStart(kind));
    attributes();
    recordEnd();
  }

  void recordRR() {
    line(recordStart("RR"));
    if (r_.oneIn(2)) {
      std::string l = "RKM," + num(r_.between(1, 32000));
      l += ",";
      l += num(r_.below(256));
      l += ",";
      l += num(r_.below(256));
      line(l + ";");
    } else {
      line("RKC," + num(r_.between(1, 32000)) + ";");
    }
    std::string p = "P,G," + coordinate();
    p += ",";
    p += coordinate();
    line(p + ",;");
    std::string o = "OO," + real();
    o += ",";
    o += real();
    o += ",";
    o += real();
    line(o + ";");
    std::string f = "RF,plik" + num(r_.below(100));
    f += ".tif,";
    f += pick(r_, {"1F", "0", "ff", "7A3"});
    f += ",";
    f += num(r_.below(100));
    line(f + ";");
    attributes();
    recordEnd();
  }

  void recordRM() {
    line(recordStart("RM"));
    const std::uint32_t n = r_.between(1, 4);
    for (std::uint32_t i = 0; i < n; ++i) {
      std::string l = "H,";
      if (r_.oneIn(2)) l += num(r_.below(50));
      l += ",";
      switch (r_.below(3)) {
        case 0:
          l += "P,G5PKT,";
          l += id();
          break;
        case 1:
          l += "K,";
          l += id();
          break;
        default:
          l += real();
          l += ",";
          l += real();
          l += ",";
          l += real();
          break;
      }
      line(l + ";");
    }
    const std::uint32_t t = r_.below(3);
    for (std::uint32_t i = 0; i < t; ++i) {
      const std::uint32_t a = r_.between(1, 100);
      std::string l = "TR," + num(a);
      l += ",";
      l += num(a + 1);
      l += ",";
      l += num(a + 2);
      line(l + ";");
    }
    attributes();
    recordEnd();
  }

  void sectionSO() {
    line("SO;");
    while (size_ < shape_.size) {
      switch (r_.below(shape_.swing ? 8 : 6)) {
        case 0:
          recordRO();
          break;
        case 1:
          recordRL();
          break;
        case 2:
          recordRP();
          break;
        case 3:
          recordRD("RC");
          break;
        case 6:
          recordRR();
          break;
        case 7:
          recordRM();
          break;
        default:
          recordRD("RD");
          break;
      }
    }
    sectionEnd();
  }

  Rng& r_;
  DocShape shape_;
  Lines lines_;
  std::size_t size_ = 0;
};

// The document of a seed.
inline Lines validDocument(std::uint64_t seed, const DocShape& shape) {
  Rng r(seed);
  return DocGen(r, shape).document();
}

// ---------------------------------------------------------------------------
// Damage

// Bytes the damage puts in: the delimiters, line ends, control bytes, cp1250
// and ISO-8859-2 letters, blanks.
inline constexpr unsigned char kDamageBytes[] = {',',  ';',  '"', '\r', '\n', 0x00, 0x7F, 0xA5,
                                                 0xB9, 0xB1, ' ', '\t', 0x9C, 0xB6, 0xFF, '.'};

// count single-byte changes at random places: one bit of a byte turned, a
// byte deleted, replaced or inserted.
inline void mutateBytes(Rng& r, std::string& s, std::uint32_t count) {
  for (std::uint32_t k = 0; k < count; ++k) {
    if (s.empty()) {
      s.push_back(static_cast<char>(pick(r, kDamageBytes)));
      continue;
    }
    const std::uint32_t at = r.below(static_cast<std::uint32_t>(s.size()));
    switch (r.below(5)) {
      case 0: {
        const std::uint32_t bit = r.below(8);
        s[at] = static_cast<char>(static_cast<unsigned char>(s[at]) ^ (1u << bit));
        break;
      }
      case 1:
        s.erase(at, 1);
        break;
      case 2:
        s[at] = static_cast<char>(pick(r, kDamageBytes));
        break;
      default:
        s.insert(s.begin() + at, static_cast<char>(pick(r, kDamageBytes)));
        break;
    }
  }
}

// count changes of whole lines: a line deleted, doubled or swapped with
// another.
inline void mutateLines(Rng& r, Lines& lines, std::uint32_t count) {
  for (std::uint32_t k = 0; k < count && lines.size() > 1; ++k) {
    const std::uint32_t n = static_cast<std::uint32_t>(lines.size());
    const std::uint32_t i = r.below(n);
    switch (r.below(3)) {
      case 0:
        lines.erase(lines.begin() + i);
        break;
      case 1: {
        const std::string copy = lines[i];
        lines.insert(lines.begin() + i, copy);
        break;
      }
      default: {
        const std::uint32_t j = r.below(n);
        std::swap(lines[i], lines[j]);
        break;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// An attribute line of exactly length bytes (its line end not counted) whose
// text is filled with fill; with carriageReturns, that many carriage returns
// stand spread over the text besides.
inline std::string lineOfLength(std::size_t length, char fill = 'x',
                                std::size_t carriageReturns = 0) {
  const std::string head = "D,G5OPIS,D,";
  std::string l = head + std::string(length - head.size() - 1 - carriageReturns, fill) + ";";
  for (std::size_t k = 1; k <= carriageReturns; ++k)
    l.insert(head.size() + k * (l.size() - head.size()) / (carriageReturns + 2), 1, '\r');
  return l;
}

}  // namespace testsupport
