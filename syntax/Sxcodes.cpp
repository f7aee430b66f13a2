#include "syntax/Sxcodes.h"

#include <array>
#include <string>
#include <unordered_map>

namespace swde {
namespace {

struct Ident {
  const char* text;
  sxLineCode code;
};

constexpr Ident kIdents[] = {
    {"A", lcA},           {"B", lcB},           {"C", lcC},
    {"D", lcD},           {"DS", lcDS},         {"E", lcE},
    {"EO", lcEO},         {"ES", lcES},         {"FD", lcFD},
    {"GL", lcGL},         {"GX", lcGX},         {"H", lcH},
    {"IE", lcIE},         {"IL", lcIL},         {"IP", lcIP},
    {"IS", lcIS},         {"IT", lcIT},         {"JD", lcJD},
    {"JK", lcJK},         {"K", lcK},           {"NK", lcNK},
    {"NS", lcNS},         {"OAD", lcOAD},       {"OAM", lcOAM},
    {"OB", lcOB},         {"OBX", lcOBX},       {"OK", lcOK},
    {"OL", lcOL},         {"OO", lcOO},         {"P", lcP},
    {"PR", lcPR},         {"PX", lcPX},         {"PZ", lcPZ},
    {"RC", lcRC},         {"RD", lcRD},         {"RF", lcRF},
    {"RKC", lcRKC},       {"RKM", lcRKM},       {"RL", lcRL},
    {"RM", lcRM},         {"RO", lcRO},         {"RP", lcRP},
    {"RR", lcRR},         {"S", lcS},           {"SD", lcSD},
    {"SG", lcSG},         {"SN", lcSN},         {"SO", lcSO},
    {"SP", lcSP},         {"ST", lcST},         {"SWDEX", lcSWDEX},
    {"SWDEXC", lcSWDEXC}, {"SWINGX", lcSWINGX}, {"SWINGXC", lcSWINGXC},
    {"SX", lcSX},         {"SXC", lcSXC},       {"TD", lcTD},
    {"TP", lcTP},         {"TPN", lcTPN},       {"TPW", lcTPW},
    {"TR", lcTR},         {"VD", lcVD},         {"WE", lcWE},
    {"WN", lcWN},         {"WP", lcWP},         {"WR", lcWR},
    {"WW", lcWW},         {"WG", lcWG},         {"WL", lcWL},
    {"X", lcX},           {"XC", lcXC},         {"IH", lcIH},
    {"ZD", lcZD},         {"NU", lcNU},         {"W", lcW},
    {"VK", lcVK},
};

constexpr const char* kSwdeIdents[] = {
    "B",   "C",   "D",  "GL",  "GX", "IH",    "IL",     "IP", "IT",  "K",  "NS", "NU",
    "OAD", "OAM", "OB", "OBX", "OK", "OL",    "P",      "PZ", "RC",  "RD", "RL", "RO",
    "RP",  "SN",  "SO", "SP",  "ST", "SWDEX", "SWDEXC", "SX", "SXC", "TD", "TP", "TPN",
    "TPW", "W",   "WE", "WN",  "WP", "WR",    "WW",     "WG", "WL",  "X",  "XC",
};

// Identifiers of one to three capital letters, numbered in base 27 with the
// letters as the digits 1..26, index three flat tables of codes (0 where
// there is none); the few longer identifiers go through the hash tables.
constexpr int kShortKeys = 27 * 27 * 27;

constexpr int shortKey(std::string_view s) {
  if (s.empty() || s.size() > 3) return -1;
  int key = 0;
  for (const char c : s) {
    const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(c)) - 'A';
    if (digit > 25) return -1;
    key = key * 27 + static_cast<int>(digit) + 1;
  }
  return key;
}

struct ShortCodes {
  std::uint8_t all[kShortKeys], swde[kShortKeys], swing[kShortKeys];
  constexpr ShortCodes() : all(), swde(), swing() {
    for (const Ident& i : kIdents) {
      const int key = shortKey(i.text);
      if (key < 0) continue;
      all[key] = i.code;
      if (i.code != lcSWDEX && i.code != lcSWDEXC) swing[key] = i.code;
    }
    for (const char* ident : kSwdeIdents) {
      const int key = shortKey(ident);
      if (key >= 0) swde[key] = all[key];
    }
  }
};
constexpr ShortCodes kShortCodes;

// The event kind of every line code, fixed at compile time: the context
// asks for it on every line.
struct KindTable {
  sxEventKind kinds[kLastLineCode + 1];
  constexpr KindTable() : kinds() {
    for (int c = lcEmpty; c <= kLastLineCode; ++c) kinds[c] = ekRecordLine;
    kinds[lcEmpty] = ekFreeLine;
    kinds[lcC] = ekFreeLine;
    kinds[lcSWDE] = kinds[lcSWING] = ekFileHeader;
    for (sxLineCode c : {lcSWDEX, lcSWDEXC, lcSWINGX, lcSWINGXC}) kinds[c] = ekFileEnd;
    for (sxLineCode c : {lcSD, lcSG, lcSN, lcSO, lcSP, lcST}) kinds[c] = ekSectionStart;
    for (sxLineCode c : {lcSX, lcSXC}) kinds[c] = ekSectionEnd;
    for (sxLineCode c : {lcDS, lcRC, lcRD, lcRL, lcRM, lcRO, lcRP, lcRR, lcTD})
      kinds[c] = ekRecordStart;
    for (sxLineCode c : {lcX, lcXC}) kinds[c] = ekRecordEnd;
    for (sxLineCode c : {lcA, lcB, lcFD, lcJD, lcNK, lcNS, lcNU, lcVD, lcZD, lcW})
      kinds[c] = ekOneLineRecord;
    for (sxLineCode c : {lcGL, lcOB}) kinds[c] = ekSubRecordStart;
    for (sxLineCode c : {lcGX, lcOBX}) kinds[c] = ekSubRecordEnd;
  }
};
constexpr KindTable kKinds;

using CodeMap = std::unordered_map<std::string_view, sxLineCode>;

struct Tables {
  CodeMap all, swde, swing;
  std::array<std::string_view, kLastLineCode + 1> idents{};

  Tables() {
    for (const Ident& i : kIdents) {
      all.emplace(i.text, i.code);
      idents[i.code] = i.text;
    }
    for (const char* s : kSwdeIdents) swde.emplace(s, all.at(s));
    for (const Ident& i : kIdents)
      if (i.code != lcSWDEX && i.code != lcSWDEXC) swing.emplace(i.text, i.code);
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

std::optional<sxLineCode> find(const CodeMap& m, std::string_view ident) {
  auto it = m.find(ident);
  if (it == m.end()) return std::nullopt;
  return it->second;
}

std::optional<sxLineCode> findShort(const std::uint8_t* table, std::string_view ident) {
  const int key = shortKey(ident);
  if (key < 0 || table[key] == 0) return std::nullopt;
  return static_cast<sxLineCode>(table[key]);
}

}  // namespace

std::optional<sxLineCode> lineCodeOf(std::string_view ident) {
  if (ident.size() <= 3) return findShort(kShortCodes.all, ident);
  return find(tables().all, ident);
}
std::optional<sxLineCode> swdeLineCodeOf(std::string_view ident) {
  if (ident.size() <= 3) return findShort(kShortCodes.swde, ident);
  return find(tables().swde, ident);
}
std::optional<sxLineCode> swingLineCodeOf(std::string_view ident) {
  if (ident.size() <= 3) return findShort(kShortCodes.swing, ident);
  return find(tables().swing, ident);
}

std::optional<std::string_view> identOf(sxLineCode code) {
  if (code > kLastLineCode || tables().idents[code].empty()) return std::nullopt;
  return tables().idents[code];
}

const std::array<sxEventKind, kLastLineCode + 1> kEventKinds = [] {
  std::array<sxEventKind, kLastLineCode + 1> a{};
  for (int c = 0; c <= kLastLineCode; ++c) a[c] = kKinds.kinds[c];
  return a;
}();

}  // namespace swde
