// Generated SWDE and SWING documents for tests that run the syntax check over
// many inputs: a seeded generator of valid documents (the sections in their
// order, records with their sub-records, complex records), the byte damage
// done to them, and lines of a given raw length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// splitmix64: the same numbers on every compiler and library.
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
  std::uint32_t between(std::uint32_t lo, std::uint32_t hi) { return lo + below(hi - lo + 1); }
  bool oneIn(std::uint32_t n) { return below(n) == 0; }
  template <class T, std::size_t N>
  const T& pick(const T (&list)[N]) {
    return list[below(static_cast<std::uint32_t>(N))];
  }

 private:
  std::uint64_t state_;
};

// Polish letters ą ć ę ł ń ó ś ź ż Ą Ć Ę Ł Ń Ó Ś Ź Ż in the two code pages.
enum class Letters { Ascii, Iso, Cp1250 };
inline constexpr unsigned char kIsoLetters[18] = {0xB1, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3,
                                                  0xB6, 0xBC, 0xBF, 0xA1, 0xC6, 0xCA,
                                                  0xA3, 0xD1, 0xD3, 0xA6, 0xAC, 0xAF};
inline constexpr unsigned char kCpLetters[18] = {0xB9, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3,
                                                 0x9C, 0x9F, 0xBF, 0xA5, 0xC6, 0xCA,
                                                 0xA3, 0xD1, 0xD3, 0x8C, 0x8F, 0xAF};

struct DocShape {
  bool swing = false;
  std::size_t size = 2000;  // records are added until the lines hold this many bytes
  Letters letters = Letters::Ascii;
};

// A document the check accepts, one line a string without its line end. With
// letters other than Ascii the texts (and, rarely, names) hold Polish letters.
class DocGen {
 public:
  DocGen(Rng& r, const DocShape& shape) : r_(r), shape_(shape) {}

  std::vector<std::string> document() {
    lines_.push_back((shape_.swing ? "SWING.W.1.2.0;" : "SWDE.W.1.13.0;") + text(1, 5));
    if (r_.oneIn(2)) sectionSN();
    if (shape_.swing && r_.oneIn(2)) sectionSD();
    sectionSP();
    sectionST();
    if (shape_.swing && r_.oneIn(2)) sectionSG();
    sectionSO();
    line(shape_.swing ? "SWINGX;" : "SWDEX;");
    return lines_;
  }

 private:
  std::string num(std::uint64_t v) { return std::to_string(v); }

  std::string letter() {
    const std::uint32_t i = r_.below(18);
    return std::string(
        1, static_cast<char>(shape_.letters == Letters::Iso ? kIsoLetters[i] : kCpLetters[i]));
  }

  std::string word() {
    static const char* const kWords[] = {"dzialka", "ulica", "obok",  "przy",  "pole",  "nr",
                                         "budynek", "lasu",  "rzeki", "drogi", "punkt", "opis"};
    std::string w = r_.pick(kWords);
    if (shape_.letters != Letters::Ascii && r_.oneIn(2)) w += letter();
    if (r_.oneIn(5)) w += num(r_.below(1000));
    return w;
  }

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
    std::string n = r_.pick(kNames);
    if (shape_.letters != Letters::Ascii && r_.oneIn(40)) n += letter();
    return n;
  }

  std::string type() {
    static const char* const kTypes[] = {"G5DZE", "G5BUD", "G5KLU", "G5JEW",
                                         "G5OBR", "G5PKT", "G5UZG", "G5KKL"};
    return r_.pick(kTypes);
  }

  std::string id() {
    std::string s = "146501_1.0001." + num(r_.between(1, 99999));
    if (r_.oneIn(4)) s += "_BUD";
    return s;
  }

  std::string coordinate() {
    return num(r_.between(5600000, 6800000)) + "." + num(r_.between(10, 99));
  }
  std::string real() { return num(r_.below(100)) + "." + num(r_.below(10)); }

  void line(const std::string& l) {
    lines_.push_back(l);
    size_ += l.size() + 1;
  }
  // The line with, now and then, a comment after its semicolon.
  void commented(const std::string& l) { line(r_.oneIn(5) ? l + text(1, 3) : l); }

  void sectionEnd() { line(r_.oneIn(6) ? "SXC," + num(r_.next() & 0xFFFFFFFFu) + ";" : "SX;"); }
  void recordEnd() {
    if (r_.oneIn(6))
      line("XC," + num(r_.next() & 0xFFFFFFFFu) + ";");
    else
      commented("X;");
  }

  void sectionSN() {
    static const char* const kNs[] = {"DN", "TR", "TN", "ZN", "OP", "OR"};
    line("SN;");
    for (std::uint32_t i = r_.between(1, 4); i > 0; --i) {
      if (r_.oneIn(2))
        commented("NS," + std::string(r_.pick(kNs)) + "," + text(1, 3) + ";");
      else
        commented("NU," + name() + "," + text(1, 4) + ";");
    }
    sectionEnd();
  }

  void sectionSD() {
    line("SD;");
    for (std::uint32_t i = r_.between(1, 2); i > 0; --i) {
      line("DS," + name() + ";");
      const std::uint32_t k = r_.between(1, 4);
      for (std::uint32_t j = 0; j < k; ++j)
        line("ES," + num(j) + "," + (j > 0 ? "POZ" + num(j) : std::string()) + "," + text(1, 4));
      recordEnd();
    }
    sectionEnd();
  }

  void sectionSP() {
    static const char* const kKinds[] = {"ZN", "NO", "UL", "DN", "HR", "DH"};
    line("SP;");
    for (std::uint32_t i = r_.between(1, 6); i > 0; --i) {
      switch (r_.below(4)) {
        case 0:
          commented("W," + name() + ";");
          break;
        case 1:
          line("B," + name() + ",LN,1;");
          break;
        case 2:
          line("B," + name() + ",FL," + num(r_.between(1, 20)) + "," + num(r_.below(5)) + ";");
          break;
        default:
          commented("B," + name() + "," + r_.pick(kKinds) + "," +
                    (r_.oneIn(3) ? num(r_.between(1, 50)) : std::string()) + ";");
          break;
      }
    }
    sectionEnd();
  }

  // Object types; a complex one (RC) has its parts (WE, WP) besides the
  // attributes and relations of any type.
  void sectionST() {
    static const char* const kKinds[] = {"RD", "RP", "RL", "RO", "RC", "RC"};
    line("ST;");
    for (std::uint32_t i = r_.between(1, 3); i > 0; --i) {
      const std::string kind = r_.pick(kKinds);
      commented("TD," + type() + "," + kind + ";");
      for (std::uint32_t j = r_.between(1, 3); j > 0; --j) commented("TP," + name() + ";");
      if (r_.oneIn(2)) line("TPW;");
      if (r_.oneIn(2)) line("TPN," + name() + ";");
      if (r_.oneIn(2)) {
        line("WR," + name() + ";");
        if (r_.oneIn(2)) line("WW;");
        if (r_.oneIn(2)) line("WN," + name() + ";");
      }
      if (kind == "RC") {
        for (std::uint32_t j = r_.between(1, 3); j > 0; --j) {
          line("WE," + type() + ";");
          if (r_.oneIn(2)) line("WP;");
        }
      }
      recordEnd();
    }
    sectionEnd();
  }

  void sectionSG() {
    line("SG;");
    line("A," + num(r_.between(0, 9)) + ";");
    for (std::uint32_t i = r_.between(1, 5); i > 0; --i) {
      switch (r_.below(3)) {
        case 0:
          line("NK," + num(r_.below(20)) + "," + text(1, 3));
          break;
        case 1:
          line("FD,LINIA" + num(r_.below(9)) + "," + num(r_.below(256)) + "," + real() + "," +
               num(r_.below(2)) + ";");
          break;
        default:
          line("JD,JEDN" + num(r_.below(9)) + "," + num(r_.below(256)) + ";");
          break;
      }
    }
    sectionEnd();
  }

  void attributes() {
    for (std::uint32_t i = r_.below(5); i > 0; --i)
      commented("D," + name() + ",D," + text(1, 5) + ";");
    if (r_.oneIn(4)) line("WG,G5RPKT,G5PKT," + id() + ";");
    if (r_.oneIn(4)) line("WL," + name() + "," + id() + ";");
  }

  std::string recordStart(const char* kind) {
    std::string l = std::string(kind) + "," + type() + ",";
    if (r_.oneIn(4)) l += "G5O_DZE";
    l += "," + id() + ",";
    if (r_.oneIn(4)) l += num(r_.between(1, 99));
    l += ",";
    if (r_.oneIn(4)) l += num(r_.below(3)) + num(r_.below(3));
    return l + ";";
  }

  std::string point() {
    switch (r_.below(3)) {
      case 0:
        return "P,P,G5PKT," + id() + ";";
      case 1:
        return "P,K," + id() + ";";
      default:
        return "P,G," + coordinate() + "," + coordinate() + "," +
               (r_.oneIn(4) ? real() : std::string()) + ";";
    }
  }

  void geometry(bool area) {
    line("GL;");
    if (area && r_.oneIn(5)) line(r_.oneIn(2) ? "K,+;" : "K,-;");
    for (std::uint32_t n = r_.between(area ? 3 : 2, 7); n > 0; --n) line(point());
    if (area) line("PZ;");
    line("GX;");
  }

  void recordRR() {
    line(recordStart("RR"));
    line(r_.oneIn(2) ? "RKM," + num(r_.between(1, 32000)) + "," + num(r_.below(256)) + "," +
                           num(r_.below(256)) + ";"
                     : "RKC," + num(r_.between(1, 32000)) + ";");
    line("P,G," + coordinate() + "," + coordinate() + ",;");
    line("OO," + real() + "," + real() + "," + real() + ";");
    line("RF,plik" + num(r_.below(100)) + ".tif,1F," + num(r_.below(100)) + ";");
    attributes();
    recordEnd();
  }

  void recordRM() {
    line(recordStart("RM"));
    for (std::uint32_t n = r_.between(1, 4); n > 0; --n)
      line("H," + (r_.oneIn(2) ? num(r_.below(50)) : std::string()) + ",K," + id() + ";");
    const std::uint32_t a = r_.between(1, 100);
    if (r_.oneIn(2)) line("TR," + num(a) + "," + num(a + 1) + "," + num(a + 2) + ";");
    attributes();
    recordEnd();
  }

  void sectionSO() {
    line("SO;");
    while (size_ < shape_.size) {
      switch (r_.below(shape_.swing ? 8 : 6)) {
        case 0:
          line(recordStart("RO"));
          geometry(true);
          attributes();
          recordEnd();
          break;
        case 1:
          line(recordStart("RL"));
          geometry(false);
          attributes();
          recordEnd();
          break;
        case 2:
          line(recordStart("RP"));
          line("P,G," + coordinate() + "," + coordinate() + ",;");
          attributes();
          recordEnd();
          break;
        case 3:
          line(recordStart("RC"));
          attributes();
          recordEnd();
          break;
        case 6:
          recordRR();
          break;
        case 7:
          recordRM();
          break;
        default:
          line(recordStart("RD"));
          attributes();
          recordEnd();
          break;
      }
    }
    sectionEnd();
  }

  Rng& r_;
  DocShape shape_;
  std::vector<std::string> lines_;
  std::size_t size_ = 0;
};

inline std::vector<std::string> validDocument(std::uint64_t seed, const DocShape& shape) {
  Rng r(seed);
  return DocGen(r, shape).document();
}

inline std::string joinLines(const std::vector<std::string>& lines, std::string_view eol,
                             bool finalEol = true) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (i + 1 < lines.size() || finalEol) out += eol;
  }
  return out;
}

// Bytes the damage puts in: the delimiters, blanks, line ends, NUL and other
// control bytes, letters of both code pages and other bytes past 0x7F.
inline constexpr unsigned char kDamageBytes[] = {',',  ';',  ' ',  '\r', '\n', 0x00,
                                                 0x7F, 0xA5, 0xB9, 0xB1, '\t', 0x9C,
                                                 0xB6, 0xFF, 0x80, '.',  'X',  '0'};

// count single-byte changes at random places: a byte deleted, inserted,
// replaced or one bit of it turned.
inline void mutateBytes(Rng& r, std::string& s, std::uint32_t count) {
  for (std::uint32_t k = 0; k < count; ++k) {
    if (s.empty()) {
      s.push_back(static_cast<char>(r.pick(kDamageBytes)));
      continue;
    }
    const std::uint32_t at = r.below(static_cast<std::uint32_t>(s.size()));
    switch (r.below(4)) {
      case 0:
        s.erase(at, 1);
        break;
      case 1:
        s[at] = static_cast<char>(r.pick(kDamageBytes));
        break;
      case 2:
        s[at] = static_cast<char>(static_cast<unsigned char>(s[at]) ^ (1u << r.below(8)));
        break;
      default:
        s.insert(s.begin() + at, static_cast<char>(r.pick(kDamageBytes)));
        break;
    }
  }
}

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
