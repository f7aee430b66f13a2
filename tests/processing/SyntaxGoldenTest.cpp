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
// repository (samples/, tests/data/merge/), from the generator of valid
// documents of support/SwdeDocs.h, from a table of faulty lines and from the
// seeded damage (splitmix64) of that header. Nothing outside this file, that
// header and those samples decides its bytes: a change to the generator or
// the damage is a change of the corpus, which then has to be recorded again.
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
#include "support/SwdeDocs.h"

using namespace swde;
using testsupport::DocShape;
using testsupport::joinLines;
using testsupport::kCpLetters;
using testsupport::kIsoLetters;
using testsupport::Letters;
using testsupport::Lines;
using testsupport::mutateBytes;
using testsupport::mutateLines;
using testsupport::num;
using testsupport::pick;
using testsupport::Rng;
using namespace std::string_literals;
using namespace std::string_view_literals;

namespace {

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
// Generated documents and their damage (support/SwdeDocs.h)

// Case i of a family of generated documents.
Lines generate(std::string_view tag, std::uint64_t i, const DocShape& shape) {
  return testsupport::validDocument(seedOf(tag, i), shape);
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
        {"gen" + num(i), joinLines(generate("damage-base", i, shape), i == 1 ? "\n" : "\r\n")});
  }
  DocShape iso;
  iso.letters = Letters::Iso;
  iso.size = 1500;
  out.push_back({"iso", joinLines(generate("damage-base-iso", 0, iso), "\r\n")});
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
    c.one(std::string(shape.swing ? "swing" : "swde") + num(i), joinLines(lines, "\r\n")).clean =
        true;
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
    docs.push_back({"gen" + num(i), joinLines(generate("eol-base", i, shape), "\n")});
  }
  for (std::size_t k = 0; k < docs.size(); ++k) {
    const Lines lines = splitLines(docs[k].bytes);
    const std::string& n = docs[k].name;
    const bool isSample = k < samples().size();  // run as it is in "valid"
    for (const Ending& e : kEndings) {
      std::string bytes = joinLines(lines, e.eol, e.final);
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
    Case& k = c.one(std::string(i < 6 ? "iso" : "cp1250") + num(i), joinLines(lines, "\r\n"));
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
  return joinLines(lines, "\r\n");
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
  c.one("swing-body-swde-header", joinLines(asSwde, "\n"));
  const Lines swde = splitLines(sample("przyklad.swd"));
  Lines asSwing = swde;
  if (!asSwing.empty()) asSwing[0] = "SWING.W.1.2.0;";
  c.one("swde-body-swing-header", joinLines(asSwing, "\r\n"));
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
    c.one("after-10k", head + joinLines(pad, "\r\n") + exactLine("D,G5OPIS,D,", "ab ", ";", 65537) +
                           "\r\n" + after);
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
  const std::string doc = joinLines(generate("buffer", 0, shape), "\r\n");
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
    std::string s = joinLines(generate("buffer-big", i, big), i < 2 ? "\r\n" : "\n");
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
  c.one("blanks-lines", joinLines(Lines(40, "   \t  "), "\r\n"));
  c.one("nul", std::string(1024, '\0'));
  c.one("nul-70000", std::string(70000, '\0'));
  c.one("nul-lines", joinLines(Lines(50, std::string(20, '\0')), "\n"));
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
  const std::string loose = joinLines(generate("settings", 0, shape), "\r\n");
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
