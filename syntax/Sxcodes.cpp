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

constexpr codetables::ShortCodes makeShortCodes() {
  codetables::ShortCodes t{};
  for (const Ident& i : kIdents) {
    const int key = codetables::shortKey(i.text);
    if (key < 0) continue;
    t.all[key] = i.code;
    if (i.code != lcSWDEX && i.code != lcSWDEXC) t.swing[key] = i.code;
  }
  for (const char* ident : kSwdeIdents) {
    const int key = codetables::shortKey(ident);
    if (key >= 0) t.swde[key] = t.all[key];
  }
  return t;
}

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

}  // namespace

constexpr codetables::ShortCodes codetables::kShortCodes = makeShortCodes();

std::optional<sxLineCode> codetables::longCodeOf(int table, std::string_view ident) {
  const Tables& t = tables();
  return find(table == 1 ? t.swde : table == 2 ? t.swing : t.all, ident);
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
