// The syntax check's report, recorded: a corpus of a few hundred small SWDE
// and SWING files (valid ones, damaged ones, odd ones) is made here, each case
// is checked by bzRun<bzSyntaxProcess> as the main program runs it, the saved
// report is read back and turned into a canonical text, and the length and
// CRC-32 of that text must be what tests/data/syntax/golden.txt holds for the
// case. Any change of a finding, a message, a line number, a position, a file
// index or a free line of the report shows here.
//
// The canonical text of a case: one line per input file (its name, size and
// CRC-32, or "missing" / "folder"), the file list of the report's header, then
// every record of the report as "lineNo fileIdx position text", and how the
// reading of the report ended. The folder the case ran in is shown as <DIR>,
// the times of the START and STOP lines as <czas>; every byte outside
// printable ASCII (and the backslash) is written as \xHH. The digest is
// plat::crc32Update from kCrc32Start over those bytes, the raw register as
// lowercase hex.
//
// The corpus is made by the test alone: from the sample files of the
// repository (samples/, tests/data/merge/), from a small generator of valid
// documents, from a table of faulty lines and from a seeded generator
// (splitmix64) of damage. Nothing outside this file and those samples decides
// its bytes: a change to the generator is a change of the corpus, which then
// has to be recorded again.
//
// Recording again, for a change of the report that is meant: with
// OLV_WRITE_GOLDEN set to a path, the digests of the whole corpus are written
// there and nothing is compared. From the top of the clone:
//
//   OLV_WRITE_GOLDEN=$PWD/tests/data/syntax/golden.txt ctest --test-dir build -R SyntaxGolden
//
// (build/bin/test_processing --gtest_filter='SyntaxGolden*' does the same.)
// OLV_GOLDEN_TEXTS set to a folder as well writes each case's canonical text
// there, so that the texts of two versions can be compared with diff -r.
// Look at what changed before recording: the failing cases print their
// canonical text.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Crc32.h"
#include "platform/FileSystem.h"
#include "processing/bzReport.h"
#include "processing/bzSyntaxProcess.h"
#include "support/Files.h"
#include "support/PolishLocale.h"
#include "support/RunObjects.h"

using namespace swde;
using namespace std::string_literals;
using namespace std::string_view_literals;

namespace {

// ---------------------------------------------------------------------------
// Seeded numbers: splitmix64, with every step written out, so that the corpus
// is the same on every compiler and library.

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

// The seed of case i of a family: FNV-1a of the family's tag, then i.
std::uint64_t seedOf(std::string_view tag, std::uint64_t i) {
  std::uint64_t h = 0xCBF29CE484222325ull;
  for (unsigned char c : tag) {
    h ^= c;
    h *= 0x100000001B3ull;
  }
  h ^= i;
  h *= 0x100000001B3ull;
  return h;
}

template <class T, std::size_t N>
const T& pick(Rng& r, const T (&list)[N]) {
  return list[r.below(static_cast<std::uint32_t>(N))];
}

std::string num(std::uint64_t v) {
  return std::to_string(v);
}

// ---------------------------------------------------------------------------
// The cases

enum class InputKind { File, Missing, Folder };

struct Input {
  std::string name;
  std::string bytes;
  InputKind kind = InputKind::File;
};

struct Options {
  bool skipComments = true;
  bool skipWhiteChars = true;
  bool condensed = true;
  std::int32_t maxErrors = 100;
  bool polishLocale = false;
};

struct Case {
  std::string name;
  std::vector<Input> inputs;
  Options options;
  bool clean = false;  // a valid document: its report has no finding
};

class Corpus {
 public:
  explicit Corpus(std::string family) : family_(std::move(family)) {}
  Case& add(const std::string& name, std::vector<Input> inputs, Options options = {}) {
    cases_.push_back({family_ + "/" + name, std::move(inputs), options, false});
    return cases_.back();
  }
  // One input file, dane.swd.
  Case& one(const std::string& name, std::string bytes, Options options = {}) {
    return add(name, {Input{"dane.swd", std::move(bytes)}}, options);
  }
  std::vector<Case>& cases() { return cases_; }

 private:
  std::string family_;
  std::vector<Case> cases_;
};

// ---------------------------------------------------------------------------
// Lines

using Lines = std::vector<std::string>;

std::string join(const Lines& lines, std::string_view eol, bool finalEol = true) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (i + 1 < lines.size() || finalEol) out += eol;
  }
  return out;
}

// The lines of a text each with its own line end, as they stand.
Lines rawLines(std::string_view text) {
  Lines out;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t lf = text.find('\n', from);
    lf = lf == std::string_view::npos ? text.size() : lf + 1;
    out.emplace_back(text.substr(from, lf - from));
    from = lf;
  }
  return out;
}

// The lines of a text without their line ends ("\r\n" or "\n"); a last line
// without a line feed is a line too.
Lines splitLines(std::string_view text) {
  Lines out = rawLines(text);
  for (std::string& l : out) {
    if (!l.empty() && l.back() == '\n') l.pop_back();
    if (!l.empty() && l.back() == '\r') l.pop_back();
  }
  return out;
}

std::string concat(const Lines& lines) {
  std::string out;
  for (const std::string& l : lines) out += l;
  return out;
}

// ---------------------------------------------------------------------------
// The samples of the repository, read as they are.

struct Doc {
  std::string name;
  std::string bytes;
};

const std::vector<Doc>& samples() {
  static const std::vector<Doc> docs = [] {
    const std::string s = std::string(OLV_SAMPLES) + "/";
    const std::string merge = s + "../tests/data/merge/";
    std::vector<Doc> out = {
        {"przyklad.swd", testsupport::readFile(s + "przyklad.swd")},
        {"przyklad.swg", testsupport::readFile(s + "przyklad.swg")},
        {"bledy.swd", testsupport::readFile(s + "bledy.swd")},
        {"opis.swd", testsupport::readFile(merge + "opis.swd")},
        {"geometria.swd", testsupport::readFile(merge + "geometria.swd")},
    };
    return out;
  }();
  return docs;
}

const std::string& sample(std::string_view name) {
  for (const Doc& d : samples())
    if (d.name == name) return d.bytes;
  static const std::string none;
  return none;
}

// ---------------------------------------------------------------------------
// Polish letters: ą ć ę ł ń ó ś ź ż Ą Ć Ę Ł Ń Ó Ś Ź Ż.

constexpr unsigned char kIsoLetters[18] = {0xB1, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0xB6, 0xBC, 0xBF,
                                           0xA1, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0xA6, 0xAC, 0xAF};
constexpr unsigned char kCpLetters[18] = {0xB9, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0x9C, 0x9F, 0xBF,
                                          0xA5, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0x8C, 0x8F, 0xAF};

enum class Letters { Ascii, Iso, Cp1250 };

// The text with its cp1250 letters as ISO-8859-2 bytes.
std::string toIso(std::string s) {
  for (char& c : s)
    for (int i = 0; i < 18; ++i)
      if (static_cast<unsigned char>(c) == kCpLetters[i]) {
        c = static_cast<char>(kIsoLetters[i]);
        break;
      }
  return s;
}

// ---------------------------------------------------------------------------
// Valid documents. The generator keeps to the structure the check accepts:
// header, the sections in their order, records with their sub-records, the
// end line; the fields within their rules. With Letters::Cp1250 the names may
// hold the cp1250 letters that names do not admit.

struct DocShape {
  bool swing = false;
  std::size_t size = 2000;  // records are added until the document is this long
  Letters letters = Letters::Ascii;
  bool loose = false;  // blank lines, leading blanks, comments
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
    if (r_.oneIn(2)) sectionST();
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

  void sectionEnd() {
    if (r_.oneIn(6)) {
      std::string e = "SXC,";
      e += num(r_.next() & 0xFFFFFFFFu);
      line(e + ";");
    } else {
      line("SX;");
    }
  }

  void recordEnd() {
    if (r_.oneIn(6)) {
      std::string e = "XC,";
      e += num(r_.next() & 0xFFFFFFFFu);
      line(e + ";");
    } else {
      line("X;", true);
    }
  }

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
    sectionEnd();
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
          l = "FD,LINIA";
          l += num(r_.below(9));
          l += ",";
          l += num(r_.below(256));
          l += ",";
          l += real();
          l += ",";
          l += num(r_.below(2));
          break;
        case 2:
          l = "ZD,ZNAK";
          l += num(r_.below(9));
          l += ",";
          l += num(r_.below(256));
          l += ",";
          l += real();
          l += ",";
          l += num(r_.below(2));
          l += ",";
          l += num(r_.between(1, 9));
          break;
        case 3:
          l = "VD,WZOR";
          l += num(r_.below(9));
          l += ",";
          l += num(r_.below(256));
          l += ",";
          l += real();
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

  template <class T>
  T pick(Rng& r, std::initializer_list<T> list) {
    return *(list.begin() + r.below(static_cast<std::uint32_t>(list.size())));
  }
  template <class T, std::size_t N>
  const T& pick(Rng& r, const T (&list)[N]) {
    return ::pick(r, list);
  }

  Rng& r_;
  DocShape shape_;
  Lines lines_;
  std::size_t size_ = 0;
};

Lines generate(std::string_view tag, std::uint64_t i, const DocShape& shape) {
  Rng r(seedOf(tag, i));
  return DocGen(r, shape).document();
}

// ---------------------------------------------------------------------------
// Damage

// Bytes the damage puts in: the delimiters, line ends, control bytes, cp1250
// and ISO-8859-2 letters, blanks.
constexpr unsigned char kDamageBytes[] = {',',  ';',  '"', '\r', '\n', 0x00, 0x7F, 0xA5,
                                          0xB9, 0xB1, ' ', '\t', 0x9C, 0xB6, 0xFF, '.'};

void mutateBytes(Rng& r, std::string& s, std::uint32_t count) {
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

void mutateLines(Rng& r, Lines& lines, std::uint32_t count) {
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

// Documents the damage starts from: the samples and a few generated ones.
std::vector<Doc> damageBases() {
  std::vector<Doc> out = samples();
  for (std::uint64_t i = 0; i < 4; ++i) {
    DocShape shape;
    shape.swing = i % 2 == 1;
    shape.size = 1200 + 900 * i;
    shape.loose = i >= 2;
    out.push_back(
        {"gen" + num(i), join(generate("damage-base", i, shape), i == 1 ? "\n" : "\r\n")});
  }
  DocShape iso;
  iso.letters = Letters::Iso;
  iso.size = 1500;
  out.push_back({"iso", join(generate("damage-base-iso", 0, iso), "\r\n")});
  return out;
}

// ---------------------------------------------------------------------------
// The families

void addValid(Corpus& c) {
  for (const Doc& d : samples())
    if (d.name != "bledy.swd") c.one(d.name, d.bytes).clean = true;
  c.one("bledy.swd", sample("bledy.swd"));
  for (std::uint64_t i = 0; i < 16; ++i) {
    DocShape shape;
    shape.swing = i % 2 == 1;
    shape.size = 300 + 400 * i;
    shape.loose = i % 4 >= 2;
    const Lines lines = generate("valid", i, shape);
    c.one(std::string(shape.swing ? "swing" : "swde") + num(i), join(lines, "\r\n")).clean = true;
  }
}

void addLineEnds(Corpus& c) {
  struct Ending {
    const char* name;
    const char* eol;
    bool final;       // a line end after the last line
    bool lastCrOnly;  // ... of which the line feed is missing
  };
  const Ending kEndings[] = {
      {"lf", "\n", true, false},
      {"crlf", "\r\n", true, false},
      {"cr", "\r", true, false},
      {"crcrlf", "\r\r\n", true, false},
      {"lf-nofinal", "\n", false, false},
      {"crlf-nofinal", "\r\n", false, false},
      {"crlf-last-cr", "\r\n", true, true},
  };
  std::vector<Doc> docs = samples();
  for (std::uint64_t i = 0; i < 2; ++i) {
    DocShape shape;
    shape.swing = i == 1;
    shape.size = 1500;
    shape.loose = true;
    docs.push_back({"gen" + num(i), join(generate("eol-base", i, shape), "\n")});
  }
  for (std::size_t k = 0; k < docs.size(); ++k) {
    const Lines lines = splitLines(docs[k].bytes);
    const std::string& n = docs[k].name;
    const bool isSample = k < samples().size();  // run as it is in "valid"
    for (const Ending& e : kEndings) {
      std::string bytes = join(lines, e.eol, e.final);
      if (e.lastCrOnly) bytes.pop_back();
      if (!isSample || bytes != docs[k].bytes) c.one(n + "-" + e.name, bytes);
    }
    Rng r(seedOf("eol-mixed", k));
    std::string mixed;
    for (const std::string& l : lines) {
      mixed += l;
      mixed += pick(r, {"\n", "\r\n", "\r", "\n\n", "\r\r\n"});
    }
    c.one(n + "-mixed", mixed);
  }
}

void addLetters(Corpus& c) {
  for (const Doc& d : samples())
    if (toIso(d.bytes) != d.bytes) c.one(d.name + "-iso", toIso(d.bytes));
  for (std::uint64_t i = 0; i < 12; ++i) {
    DocShape shape;
    shape.swing = i % 2 == 1;
    shape.size = 1000 + 300 * i;
    shape.letters = i < 6 ? Letters::Iso : Letters::Cp1250;
    const Lines lines = generate("letters", i, shape);
    Case& k = c.one(std::string(i < 6 ? "iso" : "cp1250") + num(i), join(lines, "\r\n"));
    k.clean = shape.letters == Letters::Iso;
  }
}

// Faulty lines (and a few sound ones) in the place where they belong, so that
// the line's own rules are what is checked.
struct RuleRow {
  bool swing;
  const char* where;  // the block the line goes in; '@' stands for the line
  const char* line;
};

// Blocks by section: "SN:" ... "SO:" before the block's lines, '|' between
// lines, '#' a running record number.
constexpr const char* kSN = "SN:@";
constexpr const char* kSD = "SD:DS,SLOWNIK;|@|X;";
constexpr const char* kSDHead = "SD:@|ES,0,,opis|X;";
constexpr const char* kSP = "SP:@";
constexpr const char* kST = "ST:TD,G5DZE,RD;|TP,G5IDD;|@|X;";
constexpr const char* kSTHead = "ST:@|TP,G5IDD;|X;";
constexpr const char* kSG = "SG:@";
constexpr const char* kRec = "SO:RD,G5KLU,,#,,;|D,G5IDD,D,1;|@|X;";
constexpr const char* kStart = "SO:@|X;";
constexpr const char* kEnd = "SO:RD,G5KLU,,#,,;|D,G5IDD,D,1;|@";
constexpr const char* kGeom = "SO:RO,G5DZE,,#,,;|GL;|P,G,1,2,;|@|P,G,3,4,;|PZ;|GX;|X;";
constexpr const char* kGeomHead = "SO:RO,G5DZE,,#,,;|GL;|@|P,G,1,2,;|P,G,3,4,;|PZ;|GX;|X;";
constexpr const char* kRing = "SO:RO,G5DZE,,#,,;|@|GL;|P,G,1,2,;|P,G,3,4,;|PZ;|GX;|X;";
constexpr const char* kRM = "SO:RM,G5TIN,,#,,;|@|X;";
constexpr const char* kRMTri = "SO:RM,G5TIN,,#,,;|H,1,K,ID1;|@|X;";
constexpr const char* kRRHead = "SO:RR,G5BUD,,#,,;|@|P,G,1,2,;|OO,1,2,3;|RF,p.tif,1F,5;|X;";
constexpr const char* kRROO = "SO:RR,G5BUD,,#,,;|RKM,1,0,0;|P,G,1,2,;|@|RF,p.tif,1F,5;|X;";
constexpr const char* kRRRF = "SO:RR,G5BUD,,#,,;|RKC,7;|P,G,1,2,;|OO,1,2,3;|@|X;";

const RuleRow kRuleRows[] = {
    // SWDE: the descriptive sections
    {false, kSN, "NS,XX,wartosc;"},
    {false, kSN, "NS,,x;"},
    {false, kSN, "NS,DN"},
    {false, kSN, "NS,DN,2024-01-15, z przecinkiem;i komentarzem"},
    {false, kSN, "NU,,tekst;"},
    {false, kSN, "NU,OP\x9C,tekst;"},
    {false, kSN, "NU,OP ER,tekst;"},
    {false, kSP, "B,G5IDD,XX,;"},
    {false, kSP, "B,,ZN,;"},
    {false, kSP, "B,G5IDD,ZN"},
    {false, kSP, "B,G5IDD,ZN,12"},
    {false, kSP, "B,G5IDD,ZN,-1;"},
    {false, kSP, "B,G5IDD,ZN,+7;"},
    {false, kSP, "B,G5IDD,LN,2;"},
    {false, kSP, "B,G5IDD,FL,1;"},
    {false, kSP, "B,G5IDD,FL,1,2,3;"},
    {false, kSP, "B,G5IDD,SL,G5X;"},
    {false, kSP, "B,G5 IDD,ZN,;"},
    {false, kSP, "B,G5ID\xB9,ZN,;"},
    {false, kSP, "B,G5ID\xB1,ZN,;"},
    {false, kSP, "B,G5IDD,,;"},
    {false, kSP, "W,;"},
    {false, kSP, "W,A,B;"},
    {false, kSP, "W,G5RDZE"},
    {false, kSP, "W,G5$X;"},
    {false, kSP, "W,G5\"X\";"},
    {false, kSTHead, "TD,G5DZE,RX;"},
    {false, kSTHead, "TD,G5DZE,RM;"},
    {false, kSTHead, "TD,G5DZE,R;"},
    {false, kSTHead, "TD,G5DZE,RDD;"},
    {false, kSTHead, "TD,G5DZE,RD"},
    {false, kSTHead, "TD,,RD;"},
    {false, kST, "TP;"},
    {false, kST, "TP,;"},
    {false, kST, "TPW,1;"},
    {false, kST, "TPN,G5KLUCZ"},
    {false, kST, "WR,G5R DZE;"},
    {false, kST, "WN,G5IDD;"},
    // SWDE: records
    {false, kRec, "D,G5IDD,X,1;"},
    {false, kRec, "D,G5IDD,D"},
    {false, kRec, "D,,D,1;"},
    {false, kRec, "D,G5 IDD,D,1;"},
    {false, kRec, "D,G5IDD,D,a,b,c;"},
    {false, kRec, "D,G5IDD,D,  odst\xEApy  i\ttaby  ;"},
    {false, kRec, "D,G5IDD, D,1;"},
    {false, kRec, "D,G5IDD,D,"},
    {false, kRec, "WG,A,B,123456789012345678901234567890123;"},
    {false, kRec, "WG,A,B,12345678901234567890123456789012;"},
    {false, kRec, "WG,A,B,;"},
    {false, kRec, "WL,A,id\xA5;"},
    {false, kRec, "WL,A,B,C;"},
    {false, kRec, "WL,A,B"},
    {false, kRec, "QQ,1;"},
    {false, kRec, ",D,1;"},
    {false, kRec, " ;"},
    {false, kRec, ";sam komentarz"},
    {false, kRec, "d,G5IDD,D,1;"},
    {false, kRec, "\x7F"},
    {false, kRec, "D\t,G5IDD,D,1;"},
    {false, kRec, "D ,G5IDD,D,1;"},
    {false, kRec, "RR,G5BUD,,1,,;"},
    {false, kStart, "RD,G5KLU,,,,;"},
    {false, kStart, "RD,G5KLU,,1,,3;"},
    {false, kStart, "RD,G5KLU,,1,,22;"},
    {false, kStart, "RD,G5KLU,,1,,012;"},
    {false, kStart, "RD,G5KLU,,1,,2x;"},
    {false, kStart, "RD,G5KLU,,1;"},
    {false, kStart, "RD,G5KLU,,1,,"},
    {false, kStart, "RD,G5 KLU,,1,,;"},
    {false, kStart, "RD,G5KLU,,123456789012345678901234567890123,,;"},
    {false, kStart, "RD,G5KLU,,1,123456789012345678901234567890123,;"},
    {false, kStart, "RD,G5K\x8FLU,,1,,;"},
    {false, kStart, "RX,G5KLU,,1,,;"},
    {false, kStart, "RC,G5KLU,,1,,;"},
    {false, kStart, "RD,G5KLU,,1,,,;"},
    {false, kEnd, "XC,abc;"},
    {false, kEnd, "XC,-5;"},
    {false, kEnd, "XC,4294967296;"},
    {false, kEnd, "XC,4294967295;"},
    {false, kEnd, "XC, 12;"},
    {false, kEnd, "XC,12 34;"},
    {false, kEnd, "XC,0x12;"},
    {false, kEnd, "XC;"},
    {false, kGeom, "P,P,G5PKT,;"},
    {false, kGeom, "P,X,1,2,;"},
    {false, kGeom, "P,G,1,2;"},
    {false, kGeom, "P,G,1,2,"},
    {false, kGeom, "P,G,1e400,2,;"},
    {false, kGeom, "P,G,1e-400,2,;"},
    {false, kGeom, "P,G,NaN,2,;"},
    {false, kGeom, "P,G,INF,2,;"},
    {false, kGeom, "P,G,+INF0,2,;"},
    {false, kGeom, "P,G,-nan(1),2,;"},
    {false, kGeom, "P,G,0x1p3,2,;"},
    {false, kGeom, "P,G,1.5abc,2,;"},
    {false, kGeom, "P,G,1,5,2,;"},
    {false, kGeom, "P,G,,2,;"},
    {false, kGeom, "P,G, 1.5,2,;"},
    {false, kGeom, "P,G,1.5 ,2,;"},
    {false, kGeom, "P,G,1.,.5,-.5e2;"},
    {false, kGeom, "P,G,1,2,x;"},
    {false, kGeom, "P,K,;"},
    {false, kGeom, "P,K,A,B;"},
    {false, kGeom, "P,,1,2;"},
    {false, kGeom, "P;"},
    {false, kGeom, "OL,1;"},
    {false, kGeom, "OAM,x;"},
    {false, kGeom, "OAD;"},
    {false, kGeom, "IP,;"},
    {false, kGeom, "IP,A,B,C;"},
    {false, kGeom, "S,1,2,3,N,256,1,0;"},
    {false, kGeom, "S,1,2,3,N,1,1,2;"},
    {false, kGeom, "S,,,,,,,;"},
    {false, kGeom, "GL;"},
    {false, kGeom, "GX;"},
    {false, kGeom, "PZ,1;"},
    {false, kGeomHead, "K,*;"},
    {false, kGeomHead, "K,;"},
    {false, kGeomHead, "K,+,-;"},
    {false, kGeomHead, "IL,N,;"},
    {false, kGeomHead, "IL,,;"},
    {false, kRing, "GX;"},
    {false, kRing, "P,G,1,2,;"},
    {false, kRing, "JK,J,1;"},
    // A section's end closes it: alone in its section.
    {false, kSN, "SXC,x;"},
    // SWING
    {true, kSN, "NS,UH,1;"},
    {true, kSDHead, "DS,;"},
    {true, kSDHead, "DS,A B;"},
    {true, kSD, "ES,x,,tekst"},
    {true, kSD, "ES,1,,tekst"},
    {true, kSD, "ES,0,,tekst;z komentarzem"},
    {true, kSD, "ES,-3,P\xB1,tekst, z przecinkiem"},
    {true, kSD, "ES,2147483648,P,t"},
    {true, kSD, "ES,-2147483648,P,t"},
    {true, kSD, "ES"},
    {true, kSP, "B,G5IDD,SL,G5X;"},
    {true, kSP, "B,G5IDD,SL,;"},
    {true, kSP, "B,G5IDD,SL,A,B;"},
    {true, kSTHead, "TD,G5DZE,RM;"},
    {true, kSTHead, "TD,G5DZE,RR;"},
    {true, kSG, "A,-1;"},
    {true, kSG, "A,1;"},
    {true, kSG, "NK,x,tekst"},
    {true, kSG, "NK,1,tekst, z przecinkiem;komentarz"},
    {true, kSG, "FD,L,256,0.5,1;"},
    {true, kSG, "FD,L,1,0.5,2;"},
    {true, kSG, "FD,L,,,;"},
    {true, kSG, "ZD,Z,1,0.5,1,0;"},
    {true, kSG, "ZD,Z,1,0.5,1,10;"},
    {true, kSG, "VD,V,1;"},
    {true, kSG, "VD,V,1,x;"},
    {true, kSG, "JD,J,300;"},
    {true, kSG, "JD,J,1"},
    {true, kSG, "JD,,1;"},
    {true, kRRHead, "RKM,0,0,0;"},
    {true, kRRHead, "RKM,1,-2,0;"},
    {true, kRRHead, "RKM,1,-1,255;"},
    {true, kRRHead, "RKM,1,0"},
    {true, kRRHead, "RKC,32001;"},
    {true, kRRHead, "RKC,32000;"},
    {true, kRROO, "OO,1,2;"},
    {true, kRROO, "OO,1,2,x;"},
    {true, kRRRF, "RF,,1F,5;"},
    {true, kRRRF, "RF,p,XYZ,5;"},
    {true, kRRRF, "RF,p,0x1F,5;"},
    {true, kRRRF, "RF,p,FFFFFFFFF,5;"},
    {true, kRRRF, "RF,p,,;"},
    {true, kRM, "H,1,P,G5PKT,;"},
    {true, kRM, "H,x,P,A,B;"},
    {true, kRM, "H,1,K,id;"},
    {true, kRM, "H,,1.0,2.0,3.0;"},
    {true, kRM, "H,1,Q,1;"},
    {true, kRM, "H,1,K,A,B;"},
    {true, kRM, "H,1,;"},
    {true, kRMTri, "TR,1,1,2;"},
    {true, kRMTri, "TR,1,2;"},
    {true, kRMTri, "TR,1,2,-3;"},
    {true, kRMTri, "TR,3,2,1;"},
    {true, kRing, "JK,J,256;"},
    {true, kRing, "JK,,;"},
    {true, kGeom, "OB,1;"},
    {true, kGeom, "OK,1;"},
    {true, kGeom, "OK,1,2;"},
    {true, kGeomHead, "VK,N,1.5,3,Q;"},
    {true, kGeomHead, "VK,N,1.5,3,Z;"},
    {true, kRec, "E,1,2,3,N,1,1,1,1,D,tekst"},
    {true, kRec, "PR,1;"},
};

// A document of the rows given: the sections in their order, each with the
// blocks of its rows.
std::string ruleDocument(bool swing, const std::vector<const RuleRow*>& rows) {
  static const char* const kOrder[] = {"SN", "SD", "SP", "ST", "SG", "SO"};
  Lines lines = {swing ? "SWING.W.1.2.0;" : "SWDE.W.1.13.0;"};
  std::uint32_t record = 1;
  for (const char* section : kOrder) {
    Lines block;
    for (const RuleRow* row : rows) {
      const std::string_view where(row->where);
      if (where.substr(0, where.find(':')) != section) continue;
      std::string_view rest = where.substr(where.find(':') + 1);
      for (;;) {
        const std::size_t bar = rest.find('|');
        const std::string_view item = rest.substr(0, bar);
        if (item == "@") {
          block.emplace_back(row->line);
        } else {
          std::string l(item);
          const std::size_t hash = l.find('#');
          if (hash != std::string::npos) l.replace(hash, 1, num(record++));
          block.push_back(l);
        }
        if (bar == std::string_view::npos) break;
        rest = rest.substr(bar + 1);
      }
    }
    if (block.empty()) continue;
    lines.push_back(std::string(section) + ";");
    if (std::string_view(section) == "SG") lines.push_back("A,1;");
    lines.insert(lines.end(), block.begin(), block.end());
    lines.push_back("SX;");
  }
  lines.push_back(swing ? "SWINGX;" : "SWDEX;");
  return join(lines, "\r\n");
}

void addRules(Corpus& c) {
  for (bool swing : {false, true}) {
    std::vector<const RuleRow*> rows;
    for (const RuleRow& row : kRuleRows)
      if (row.swing == swing) rows.push_back(&row);
    for (std::size_t from = 0; from < rows.size(); from += 6) {
      const std::vector<const RuleRow*> chunk(
          rows.begin() + static_cast<std::ptrdiff_t>(from),
          rows.begin() + static_cast<std::ptrdiff_t>(std::min(from + 6, rows.size())));
      c.one(std::string(swing ? "swing" : "swde") + "-" + num(from / 6),
            ruleDocument(swing, chunk));
    }
  }
  // Lines with NUL bytes, which the table's strings cannot hold.
  const std::string head = "SWDE.W.1.13.0;\r\nSO;\r\nRD,G5KLU,,1,,;\r\n";
  const std::string tail = "X;\r\nSX;\r\nSWDEX;\r\n";
  c.one("nul-ident", head + "D\0,G5IDD,D,1;\r\n"s + tail);
  c.one("nul-value", head + "D,G5IDD,D,a\0b;\r\n"s + tail);
  c.one("nul-name", head + "D,G5\0IDD,D,1;\r\n"s + tail);
  c.one("nul-comment", head + "D,G5IDD,D,1;\0\0\r\n"s + tail);
  c.one("nul-line", head + "\0\r\n"s + tail);
  c.one("nul-after-ident", head + "X\0;\r\nSX;\r\nSWDEX;\r\n"s);
}

void addHeaders(Corpus& c) {
  static const char* const kHeaders[] = {
      "SWDE.W.1.13.0;",
      "SWDE.w.1.13.0;",
      "swde.W.1.13.0;",
      "SWDE.W.1.13;",
      "SWDE.W.1.13.0",
      "SWDE.W.1.13.0.1;",
      "SWDE.W.01.013.x;",
      "SWDE.W.a.1.0;",
      "SWDE.X.1.13.0;",
      "SWDE.W..13.0;",
      "SWDE.W.1..0;",
      "SWDE.W.1.13.;",
      " SWDE.W.1.13.0;",
      "SWDE .W.1.13.0;",
      "SWDE.W.1.13.0 ;",
      "SWDE.W.1.13.0;;;",
      "SWDE.W.1.13.0,x;",
      "\xEF\xBB\xBFSWDE.W.1.13.0;",
      "SWING.W.1.2.0;",
      "SWING.W.1.2.0",
      "SWINGX.W.1.2.0;",
      "SWDE;",
      "SWDE.W.99999999999999999999.1.0;",
      "SWDE\tW.1.13.0;",
      "SWING.W.1.2.0;SWDE",
  };
  const std::string body = "\r\nSO;\r\nRD,G5KLU,,1,,;\r\nX;\r\nSX;\r\nSWDEX;\r\n";
  std::uint32_t i = 0;
  for (const char* h : kHeaders) c.one("h" + num(i++), h + body);
  c.one("nul-after", "SWDE.W.1.13.0;\0"s + body);
  c.one("nul-inside", "SWDE.W.1\0.13.0;"s + body);
  // The header again, and in the wrong places.
  c.one("again", "SWDE.W.1.13.0;\nSWDE.W.1.13.0;\nSO;\nSX;\nSWDEX;\n");
  c.one("again-in-record",
        "SWDE.W.1.13.0;\nSO;\nRD,G5KLU,,1,,;\nSWDE.W.1.13.0;\nX;\nSX;\nSWDEX;\n");
  c.one("swing-in-swde", "SWDE.W.1.13.0;\nSWING.W.1.2.0;\nSWDEX;\n");
  // One format's lines under the other's header.
  const Lines swing = splitLines(sample("przyklad.swg"));
  Lines asSwde = swing;
  if (!asSwde.empty()) asSwde[0] = "SWDE.W.1.13.0;";
  c.one("swing-body-swde-header", join(asSwde, "\n"));
  const Lines swde = splitLines(sample("przyklad.swd"));
  Lines asSwing = swde;
  if (!asSwing.empty()) asSwing[0] = "SWING.W.1.2.0;";
  c.one("swde-body-swing-header", join(asSwing, "\r\n"));
}

void addByteDamage(Corpus& c) {
  const std::vector<Doc> bases = damageBases();
  for (std::uint64_t i = 0; i < 170; ++i) {
    Rng r(seedOf("bytes", i));
    const Doc& base = bases[r.below(static_cast<std::uint32_t>(bases.size()))];
    std::string s = base.bytes;
    mutateBytes(r, s, r.between(1, i % 10 == 9 ? 40 : 6));
    c.one(num(i) + "-" + base.name, s);
  }
}

void addLineDamage(Corpus& c) {
  const std::vector<Doc> bases = damageBases();
  for (std::uint64_t i = 0; i < 60; ++i) {
    Rng r(seedOf("lines", i));
    const Doc& base = bases[r.below(static_cast<std::uint32_t>(bases.size()))];
    Lines lines = rawLines(base.bytes);
    mutateLines(r, lines, r.between(1, 4));
    c.one(num(i) + "-" + base.name, concat(lines));
  }
}

void addTruncations(Corpus& c) {
  const std::vector<Doc> bases = damageBases();
  for (std::uint64_t i = 0; i < 36; ++i) {
    Rng r(seedOf("truncated", i));
    const Doc& base = bases[r.below(static_cast<std::uint32_t>(bases.size()))];
    const std::uint32_t at = r.below(static_cast<std::uint32_t>(base.bytes.size()) + 1);
    c.one(num(i) + "-" + base.name + "-at" + num(at), base.bytes.substr(0, at));
  }
  // In and right after the header, and at the end.
  const std::string& d = sample("przyklad.swd");
  const std::size_t headerEnd = d.find('\n');
  for (std::size_t at : {std::size_t{1}, std::size_t{4}, std::size_t{5}, std::size_t{13},
                         std::size_t{14}, std::size_t{15}, headerEnd - 1, headerEnd, headerEnd + 1,
                         headerEnd + 2, d.size() - 1, d.size() - 2, d.size() - 3})
    c.one("przyklad.swd-at" + num(at), d.substr(0, at));
  const std::string& g = sample("przyklad.swg");
  for (std::size_t at : {std::size_t{6}, std::size_t{14}, g.size() - 1, g.size() - 2})
    c.one("przyklad.swg-at" + num(at), g.substr(0, at));
}

// A line of exactly length bytes: the head, then the filler repeated, cut to
// fit, then the tail.
std::string exactLine(const std::string& head, std::string_view filler, const std::string& tail,
                      std::size_t length) {
  std::string l = head;
  while (l.size() + tail.size() < length) l += filler;
  l.resize(length - tail.size());
  return l + tail;
}

void addLongLines(Corpus& c) {
  const std::string head = "SWDE.W.1.13.0;\r\nSO;\r\nRD,G5KLU,,1,,;\r\n";
  const std::string tail = "X;\r\nSX;\r\nSWDEX;\r\n";
  const std::string after = "D,G5IDD,D,2;\r\nQQ;\r\nX;\r\nSX;\r\nSWDEX;\r\n";
  for (std::size_t n : {65535, 65536, 65537, 70000, 200000}) {
    c.one("d-" + num(n) + "-lf", head + exactLine("D,G5OPIS,D,", "ab c,d ", ";", n) + "\n" + after);
    c.one("d-" + num(n) + "-crlf",
          head + exactLine("D,G5OPIS,D,", "ab c,d ", ";", n) + "\r\n" + after);
  }
  c.one("d-65535-crcrlf", head + exactLine("D,G5OPIS,D,", "xyz ", ";", 65535) + "\r\r\n" + tail);
  c.one("d-65536-cr-inside", head + exactLine("D,G5OPIS,D,", "xy\rz ", ";", 65536) + "\r\n" + tail);
  c.one("comment-65537", head + exactLine("X;", "komentarz ", "", 65537) + "\r\nSX;\r\nSWDEX;\r\n");
  c.one("blanks-65536", head + std::string(65536, ' ') + "\r\n" + tail);
  c.one("blanks-65537", head + std::string(65537, ' ') + "\r\n" + tail);
  c.one("tabs-65537", head + std::string(65537, '\t') + "\r\n" + tail);
  c.one("word-70000", head + std::string(70000, 'Q') + "\r\n" + tail);
  c.one("ident-65537", head + "D" + std::string(65536, 'D') + ",G5IDD,D,1;\r\n" + tail);
  c.one("commas-65537", head + std::string(65537, ',') + "\r\n" + tail);
  c.one("semicolons-65537", head + std::string(65537, ';') + "\r\n" + tail);
  c.one("last-65537-nofinal", head + "X;\r\nSX;\r\n" + exactLine("SWDEX;", " ", "", 65537));
  c.one("last-65536-nofinal", head + "X;\r\nSX;\r\n" + exactLine("SWDEX;", " ", "", 65536));
  {
    std::string l = exactLine("D,G5OPIS,D,", "a\0\x7F\xA5\xB9 ,"sv, ";", 100000);
    c.one("d-100000-bytes", head + l + "\r\n" + tail);
  }
  c.one("two-long", head + exactLine("D,G5OPIS,D,", "ab ", ";", 65536) + "\r\n" +
                        exactLine("D,G5OPIS,D,", "ab ", ";", 65537) + "\r\n" + "D,,D,1;\r\n" +
                        tail);
  {
    // A long line that starts well inside the reader's first buffer.
    Lines pad;
    for (int i = 0; i < 300; ++i) pad.push_back("D,G5IDD,D," + num(i) + ";");
    c.one("after-10k",
          head + join(pad, "\r\n") + exactLine("D,G5OPIS,D,", "ab ", ";", 65537) + "\r\n" + after);
  }
  // Long header lines: the format is judged on the first 65536 bytes.
  const std::string body = "\r\nSO;\r\nRD,G5KLU,,1,,;\r\nQQ;\r\nX;\r\nSX;\r\nSWDEX;\r\n";
  c.one("header-70000", exactLine("SWDE.W.1.13.0;", "komentarz ", "", 70000) + body);
  c.one("header-65536", exactLine("SWDE.W.1.13.0", " ", ";", 65536) + body);
  c.one("header-65537", exactLine("SWDE.W.1.13.0", " ", ";", 65537) + body);
  c.one("header-semicolon-late", exactLine("SWDE.W.1.13.0", " ", ";", 70000) + body);
  c.one("header-nofinal-70000", exactLine("SWDE.W.1.13.0;", "x", "", 70000));
  c.one("swing-nk-65537", "SWING.W.1.2.0;\nSG;\nA,1;\n" + exactLine("NK,1,", "tekst, ", "", 65537) +
                              "\nSX;\nSWINGX;\n");
}

void addBufferEdges(Corpus& c) {
  // The reader takes the file 16384 bytes at a time: line ends, delimiters and
  // damage on and around the edges of its buffer.
  DocShape shape;
  shape.size = 40000;
  shape.loose = true;
  const std::string doc = join(generate("buffer", 0, shape), "\r\n");
  for (std::size_t edge : {16384u, 32768u})
    for (std::size_t at : {edge - 1, edge, edge + 1})
      for (char b : {'\n', '\r', ',', ';'}) {
        std::string s = doc;
        s.insert(at, 1, b);
        std::string name = "at" + num(at) + "-";
        name += b == '\n' ? "lf" : b == '\r' ? "cr" : b == ',' ? "comma" : "semicolon";
        c.one(name, s);
      }
  // The carriage return of a CR LF as the buffer's last byte, and around it.
  for (std::size_t crAt : {16382u, 16383u, 16384u}) {
    const std::string header = exactLine("SWDE.W.1.13.0;", "opis ", "", crAt);
    c.one("header-cr" + num(crAt), header + "\r\nSO;\r\nQQ;\r\nSX;\r\nSWDEX;\r\n");
    const std::string start = "SWDE.W.1.13.0;\r\nSO;\r\nRD,G5KLU,,1,,;\r\n";
    const std::string line = exactLine("D,G5OPIS,D,", "ab ", ";", crAt - start.size());
    c.one("line-cr" + num(crAt), start + line + "\r\nD,,D,1;\r\nX;\r\nSX;\r\nSWDEX;\r\n");
  }
  // Damage near the edges of a larger document.
  for (std::uint64_t i = 0; i < 16; ++i) {
    Rng r(seedOf("buffer-damage", i));
    std::string s = doc;
    const std::uint32_t n = r.between(1, 6);
    for (std::uint32_t k = 0; k < n; ++k) {
      const std::uint32_t edge = 16384u * r.between(1, 2);
      const std::uint32_t at = edge - 40 + r.below(80);
      std::string span = s.substr(at, 8);
      mutateBytes(r, span, 1);
      s.replace(at, 8, span);
    }
    c.one("damage" + num(i), s);
  }
  // Bigger documents with damage all over: errors all through the file.
  for (std::uint64_t i = 0; i < 4; ++i) {
    DocShape big;
    big.swing = i % 2 == 1;
    big.size = 60000 + 30000 * i;
    std::string s = join(generate("buffer-big", i, big), i < 2 ? "\r\n" : "\n");
    Rng r(seedOf("buffer-big-damage", i));
    mutateBytes(r, s, 60);
    c.one("big" + num(i), s);
  }
}

void addOddFiles(Corpus& c) {
  c.one("empty", "");
  c.one("lf", "\n");
  c.one("crlf", "\r\n");
  c.one("cr", "\r");
  c.one("lfs", std::string(300, '\n'));
  c.one("blanks", std::string(1024, ' '));
  c.one("blanks-lines", join(Lines(40, "   \t  "), "\r\n"));
  c.one("nul", std::string(1024, '\0'));
  c.one("nul-70000", std::string(70000, '\0'));
  c.one("nul-lines", join(Lines(50, std::string(20, '\0')), "\n"));
  c.one("ff", std::string(2048, '\xFF'));
  c.one("del", std::string(100, '\x7F') + "\n");
  c.one("header-only", "SWDE.W.1.13.0;");
  c.one("header-only-lf", "SWDE.W.1.13.0;\n");
  c.one("header-nul", std::string("SWDE.W.1.13.0;\n") + std::string(500, '\0'));
  c.one("header-blanks", "SWDE.W.1.13.0;\n" + std::string(500, ' '));
  c.one("header-end", "SWDE.W.1.13.0;\nSWDEX;\n");
  c.one("header-end-swing", "SWING.W.1.2.0;\nSWINGX;\n");
  c.one("after-end", "SWDE.W.1.13.0;\nSWDEX;\nSO;\nQQ;\n");
  c.one("empty-lines-inside",
        "SWDE.W.1.13.0;\n\n\nSO;\n\n  \nRD,G5KLU,,1,,;\n\nX;\nSX;\n\nSWDEX;\n\n");
  for (std::uint64_t i = 0; i < 4; ++i) {
    Rng r(seedOf("odd-random", i));
    std::string s;
    if (i >= 2) s = "SWDE.W.1.13.0;\r\n";
    const std::uint32_t n = r.between(500, 3000);
    for (std::uint32_t k = 0; k < n; ++k) s.push_back(static_cast<char>(r.below(256)));
    c.one("random" + num(i), s);
  }
  {
    // Random lines of the alphabet of the format.
    Rng r(seedOf("odd-alphabet", 0));
    static const char* const kTokens[] = {"RD", "X",  "D", "SO", "SX", ",",  ";",  " ",
                                          "\n", "\r", "P", "G",  "1",  "GL", "GX", "SWDEX"};
    std::string s = "SWDE.W.1.13.0;\n";
    for (int k = 0; k < 1500; ++k) s += pick(r, kTokens);
    c.one("alphabet", s);
  }
}

void addSettings(Corpus& c) {
  // The check reads no option today; the report must not start to.
  struct Combo {
    const char* name;
    Options options;
  };
  const Combo combos[] = {
      {"none", {false, false, false, 100, false}},
      {"comments", {true, false, true, 100, false}},
      {"white", {false, true, true, 100, false}},
      {"all-max1", {true, true, false, 1, false}},
      {"polish-locale", {true, true, true, 100, true}},
  };
  DocShape shape;
  shape.loose = true;
  shape.size = 1500;
  const std::string loose = join(generate("settings", 0, shape), "\r\n");
  std::string damaged = loose;
  Rng r(seedOf("settings-damage", 0));
  mutateBytes(r, damaged, 8);
  const std::pair<const char*, std::string> docs[] = {
      {"przyklad.swd", sample("przyklad.swd")},
      {"przyklad.swg", sample("przyklad.swg")},
      {"bledy.swd", sample("bledy.swd")},
      {"opis.swd", sample("opis.swd")},
      {"loose", loose},
      {"damaged", damaged},
  };
  for (const Combo& combo : combos)
    for (const auto& [name, bytes] : docs)
      c.one(std::string(combo.name) + "-" + name, bytes, combo.options);
}

void addSeveralFiles(Corpus& c) {
  const std::string& swd = sample("przyklad.swd");
  const std::string& swg = sample("przyklad.swg");
  const std::string& bad = sample("bledy.swd");
  auto file = [](const std::string& name, const std::string& bytes) { return Input{name, bytes}; };
  const Input missing{"brak.swd", "", InputKind::Missing};
  const Input folder{"katalog.swd", "", InputKind::Folder};
  c.add("samples", {file("przyklad.swd", swd), file("przyklad.swg", swg), file("bledy.swd", bad)});
  c.add("missing-between", {file("a.swd", swd), missing, file("c.swd", bad)});
  c.add("missing-only", {missing});
  c.add("folder-only", {folder});
  c.add("folder-between", {file("a.swd", bad), folder, file("c.swg", swg)});
  c.add("same-twice", {file("a.swd", bad), file("a.swd", bad)});
  c.add("header-faults", {file("a.swd", "XYZ;\nSO;\n"), file("b.swd", ""),
                          file("c.swd", std::string(100, '\0')), file("d.swd", swd)});
  c.add("polish-name", {file("dzia\xC5\x82ka \xC5\xBA\xC3\xB3"
                             "d\xC5\x82o.swd",
                             bad),
                        file("plik z odst\xC4\x99pem.swg", swg)});
  c.add("long-and-short",
        {file("a.swd", "SWDE.W.1.13.0;\nSO;\nRD,G5KLU,,1,,;\n" +
                           exactLine("D,G5OPIS,D,", "ab ", ";", 65537) + "\nX;\nSX;\nSWDEX;\n"),
         file("b.swd", bad)});
  {
    const std::vector<Doc> bases = damageBases();
    for (std::uint64_t i = 0; i < 6; ++i) {
      Rng r(seedOf("multi", i));
      std::vector<Input> inputs;
      const std::uint32_t n = r.between(2, 5);
      for (std::uint32_t k = 0; k < n; ++k) {
        const Doc& base = bases[r.below(static_cast<std::uint32_t>(bases.size()))];
        std::string s = base.bytes;
        mutateBytes(r, s, r.below(5));
        inputs.push_back(file("plik" + num(k + 1) + ".swd", s));
      }
      c.add("damaged" + num(i), inputs);
    }
  }
}

struct Family {
  const char* tag;
  void (*make)(Corpus&);
};

// Test names and messages show a family by its tag.
void PrintTo(const Family& f, std::ostream* os) {
  *os << f.tag;
}

const Family kFamilies[] = {
    {"valid", addValid},        {"eol", addLineEnds},          {"letters", addLetters},
    {"rules", addRules},        {"header", addHeaders},        {"bytes", addByteDamage},
    {"lines", addLineDamage},   {"truncated", addTruncations}, {"long", addLongLines},
    {"buffer", addBufferEdges}, {"odd", addOddFiles},          {"settings", addSettings},
    {"multi", addSeveralFiles},
};

std::vector<Case> familyCases(const Family& f) {
  Corpus c(f.tag);
  f.make(c);
  return std::move(c.cases());
}

std::vector<Case> wholeCorpus() {
  std::vector<Case> all;
  for (const Family& f : kFamilies)
    for (Case& k : familyCases(f)) all.push_back(std::move(k));
  return all;
}

// ---------------------------------------------------------------------------
// One run and its canonical text

std::string escaped(std::string_view s) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(s.size());
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      out += "\\x";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
  if (from.empty()) return s;
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

std::string hex8(std::uint32_t v) {
  static const char kHex[] = "0123456789abcdef";
  std::string out(8, '0');
  for (int i = 7; i >= 0; --i, v >>= 4) out[static_cast<std::size_t>(i)] = kHex[v & 15];
  return out;
}

std::uint32_t crcOf(std::string_view s) {
  return plat::crc32Update(plat::kCrc32Start, s.data(), s.size());
}

// "START: dd-mm-yyyy hh:nn:ss" (or STOP) with the time replaced; any other
// text as it is.
std::string withoutTime(const std::string& text) {
  for (const std::string word : {"START: ", "STOP: "}) {
    if (text.size() != word.size() + 19 || text.compare(0, word.size(), word) != 0) continue;
    const std::string_view t = std::string_view(text).substr(word.size());
    bool ok = true;
    for (std::size_t i = 0; i < t.size(); ++i) {
      const char c = t[i];
      if (i == 2 || i == 5)
        ok = ok && c == '-';
      else if (i == 10)
        ok = ok && c == ' ';
      else if (i == 13 || i == 16)
        ok = ok && c == ':';
      else
        ok = ok && c >= '0' && c <= '9';
    }
    if (ok) return word + "<czas>";
  }
  return text;
}

// The file list of a saved report's header, read from its bytes.
bool headerPaths(const std::string& bytes, std::vector<std::string>& paths) {
  auto i32 = [&](std::size_t at, std::int32_t& v) {
    if (at + 4 > bytes.size()) return false;
    std::uint32_t u = 0;
    for (int k = 3; k >= 0; --k)
      u = (u << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(k)]);
    v = static_cast<std::int32_t>(u);
    return true;
  };
  std::int32_t count = 0;
  if (!i32(0, count) || count < 0) return false;
  std::size_t at = 4;
  for (std::int32_t i = 0; i < count; ++i) {
    std::int32_t n = 0;
    if (!i32(at, n) || n < 0 || at + 4 + static_cast<std::size_t>(n) > bytes.size()) return false;
    paths.push_back(bytes.substr(at + 4, static_cast<std::size_t>(n)));
    at += 4 + static_cast<std::size_t>(n);
  }
  return true;
}

struct Outcome {
  std::string canonical;
  std::size_t findings = 0;  // records with a line number
};

// The file-name encoding is process-wide; the cases show names as UTF-8
// decodes them, whatever a test before changed it to.
class Utf8FileNames {
 public:
  Utf8FileNames() : saved_(plat::fileNameEncoding()) {
    plat::setFileNameEncoding(plat::ConsoleEncoding::Utf8);
  }
  ~Utf8FileNames() { plat::setFileNameEncoding(saved_); }
  Utf8FileNames(const Utf8FileNames&) = delete;
  Utf8FileNames& operator=(const Utf8FileNames&) = delete;

 private:
  plat::ConsoleEncoding saved_;
};

Outcome runCase(const Case& c) {
  Utf8FileNames names;
  testsupport::TempFolder dir("olvgolden");
  const std::string shownDir = plat::fileNameToCp1250(dir.path());
  auto normal = [&](const std::string& text) {
    return escaped(replaceAll(replaceAll(text, dir.path(), "<DIR>"), shownDir, "<DIR>"));
  };

  std::ostringstream out;
  testsupport::RunObjects r;
  r.settings.skipComments = c.options.skipComments;
  r.settings.skipWhiteChars = c.options.skipWhiteChars;
  r.settings.reportCondensed = c.options.condensed;
  r.settings.maxErrors = c.options.maxErrors;
  for (std::size_t i = 0; i < c.inputs.size(); ++i) {
    const Input& in = c.inputs[i];
    const std::string path = dir / in.name;
    out << "input " << i + 1 << " " << escaped(in.name);
    switch (in.kind) {
      case InputKind::File:
        if (!std::filesystem::exists(path)) testsupport::writeFile(path, in.bytes);
        out << " " << in.bytes.size() << " " << hex8(crcOf(in.bytes)) << "\n";
        break;
      case InputKind::Missing:
        out << " missing\n";
        break;
      case InputKind::Folder:
        EXPECT_EQ(::mkdir(path.c_str(), 0755), 0) << path;
        out << " folder\n";
        break;
    }
    r.files.addFile(in.name, path);
  }

  Outcome result;
  if (!r.report.Create(&r.files)) {
    ADD_FAILURE() << c.name << ": the report cannot be made";
    return result;
  }
  {
    std::unique_ptr<testsupport::PolishLocale> locale;
    if (c.options.polishLocale) locale = std::make_unique<testsupport::PolishLocale>();
    bzRun<bzSyntaxProcess> p(&r.files, &r.report, &r.settings, &r.state);
    p.start();
    p.waitFor();
  }
  const std::string saved = dir / "raport.rpt";
  AnsiString error;
  if (!r.report.SaveToFile(saved, &error)) {
    ADD_FAILURE() << c.name << ": " << error;
    return result;
  }

  std::vector<std::string> paths;
  if (headerPaths(testsupport::readFile(saved), paths)) {
    out << "files " << paths.size() << "\n";
    for (std::size_t i = 0; i < paths.size(); ++i)
      out << "file " << i + 1 << " " << normal(paths[i]) << "\n";
  } else {
    out << "files unreadable\n";
  }

  bzReport viewer(true);
  if (viewer.Open(saved)) {
    while (auto l = viewer.GetNextLine()) {
      std::string text = l->text;
      if (l->lineNo < 0 && l->fileIdx < 0 && l->position < 0) text = withoutTime(text);
      out << l->lineNo << " " << l->fileIdx << " " << l->position << " " << normal(text) << "\n";
      if (l->lineNo >= 0) ++result.findings;
    }
  }
  out << (viewer.readFailed() ? "read failed: " + normal(viewer.readErrorMessage()) : "read to end")
      << "\n";
  result.canonical = out.str();
  return result;
}

// ---------------------------------------------------------------------------
// The recorded digests

struct Digest {
  std::size_t length = 0;
  std::uint32_t crc = 0;
  bool operator==(const Digest&) const = default;
};

std::string digestText(const Digest& d) {
  return num(d.length) + " " + hex8(d.crc);
}

Digest digestOf(const std::string& canonical) {
  return {canonical.size(), crcOf(canonical)};
}

std::string goldenPath() {
  return std::string(OLV_SAMPLES) + "/../tests/data/syntax/golden.txt";
}

// The write target, when the digests are to be recorded; null otherwise.
const char* writeTarget() {
  const char* target = std::getenv("OLV_WRITE_GOLDEN");
  return target && *target ? target : nullptr;
}

// The digests of golden.txt by case name; a malformed or repeated line fails
// the test.
std::map<std::string, Digest> recorded() {
  std::map<std::string, Digest> out;
  std::istringstream in(testsupport::readFile(goldenPath()));
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::istringstream fields(line);
    std::string name, hex, rest;
    std::size_t length = 0;
    if (!(fields >> name >> length >> hex) || (fields >> rest) || hex.size() != 8 ||
        hex.find_first_not_of("0123456789abcdef") != std::string::npos) {
      ADD_FAILURE() << goldenPath() << ":" << number << ": malformed line: " << line;
      continue;
    }
    const Digest d{length, static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16))};
    if (!out.emplace(name, d).second)
      ADD_FAILURE() << goldenPath() << ":" << number << ": case named twice: " << name;
  }
  return out;
}

// ---------------------------------------------------------------------------
// The tests

class SyntaxGolden : public ::testing::TestWithParam<Family> {};

TEST_P(SyntaxGolden, EveryCaseGivesItsRecordedReport) {
  if (writeTarget()) GTEST_SKIP() << "recording the digests, nothing compared";
  const std::map<std::string, Digest> golden = recorded();
  const std::vector<Case> cases = familyCases(GetParam());
  ASSERT_FALSE(cases.empty());
  for (const Case& c : cases) {
    const Outcome o = runCase(c);
    if (c.clean) {
      EXPECT_EQ(o.findings, 0u) << c.name << " is valid:\n" << o.canonical;
    }
    const Digest d = digestOf(o.canonical);
    const auto it = golden.find(c.name);
    if (it == golden.end()) {
      ADD_FAILURE() << "no recorded digest for " << c.name << " (" << digestText(d) << ")";
      continue;
    }
    if (it->second != d)
      ADD_FAILURE() << c.name << ": recorded " << digestText(it->second) << ", now "
                    << digestText(d) << "; the report now reads:\n"
                    << o.canonical;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, SyntaxGolden, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<Family>& info) {
                           return std::string(info.param.tag);
                         });

TEST(SyntaxGoldenFile, NamesExactlyTheCasesOfTheCorpus) {
  const std::vector<Case> cases = wholeCorpus();
  std::set<std::string> made;
  for (const Case& c : cases) EXPECT_TRUE(made.insert(c.name).second) << "made twice: " << c.name;
  for (const Case& c : cases)
    EXPECT_EQ(c.name.find_first_of(" \t\r\n"), std::string::npos) << c.name;
  for (const Doc& d : samples()) ASSERT_FALSE(d.bytes.empty()) << "sample not read: " << d.name;

  if (const char* target = writeTarget()) {
    // OLV_GOLDEN_TEXTS: a folder that also gets each case's canonical text
    // (family/case.txt), to compare two versions of the check with diff -r.
    const char* texts = std::getenv("OLV_GOLDEN_TEXTS");
    std::string text;
    for (const Case& c : cases) {
      const std::string canonical = runCase(c).canonical;
      text += c.name + " " + digestText(digestOf(canonical)) + "\n";
      if (texts && *texts) {
        const std::string path = std::string(texts) + "/" + c.name + ".txt";
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        testsupport::writeFile(path, canonical);
      }
    }
    testsupport::writeFile(target, text);
    std::cout << "recorded " << cases.size() << " digests in " << target << "\n";
    return;
  }
  const std::map<std::string, Digest> golden = recorded();
  for (const std::string& name : made) EXPECT_TRUE(golden.count(name)) << "not recorded: " << name;
  for (const auto& [name, digest] : golden)
    EXPECT_TRUE(made.count(name)) << "recorded, but the corpus does not make it: " << name;
}

}  // namespace
