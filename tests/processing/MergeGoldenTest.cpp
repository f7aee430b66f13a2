// The merge end to end on one pair of inputs that takes every path of the
// pairing and of the second pass: tests/data/merge/opis_pelny.swd (the
// descriptive part) and geometria_pelna.swd (the geometric part), the same
// bytes as samples/scalanie_opis.swd and samples/scalanie_geometria.swd.
//
// The merged files expected, razem_og.swd for the inputs in the order
// (descriptive, geometric) and razem_go.swd for (geometric, descriptive), are
// written by hand from the rules of the merge, not recorded from a run; so
// are the findings below. They are the files of a run with comments kept;
// with comments skipped (the default) the same file is expected without any
// text behind the ";" of its lines.
//
// Where the bytes come from (D = the descriptive input, G = the geometric
// one; objects by their identifiers, D's record identifiers D1..D10 in
// reading order, G's G1..G23):
//
// - New record identifiers: one counter over both inputs in reading order,
//   the first input first. (D, G): D's ten objects 1..10 (146501_1.0001 1,
//   .12 2, .13 3, .14 4, .15 5, BUD1 6, BUD2 7, DZ-BEZ 8, K1 9, DOK1 10), G's
//   fourteen 11..24 (146501_1.0001 11, .12 12, .13 13, .15 14, BUD-G 15,
//   DZ-BEZ 16, UZG1 17, KKL1 18, UZG2 19, RST1 20, P1 21, P2 22, P5 version
//   "12" 23, P5 version "11" 24). (G, D): G's 1..14, D's 15..24 in the same
//   orders. A pair carries its descriptive object's number; the counter
//   stands at 25 after the first pass, so the fresh numbers of unresolved
//   targets are 26, 27, 28, 29 in the order of the part result.
// - Kept identifiers: types of the part lists keep theirs; G5DOK, in no
//   list, becomes "ODOK1" in D; G5PKT becomes "GP1" ... in G.
// - Object lists: by identifier, then type; the two P5 points (same
//   identifier and type) in reverse reading order, so version "11" first.
//   D: 146501_1.0001, .12, .13, .14, .15, BUD1, BUD2, DOK1, DZ-BEZ, K1.
//   G: 146501_1.0001, .12, .13, .15, BUD-G, DZ-BEZ, KKL1, P1, P2, P5 "11",
//   P5 "12", RST1, UZG1, UZG2.
// - Pairing, the first input's list first: the precinct 146501_1.0001, the
//   parcel .12 and the building key 146501_1.0001.1 (BUD1, the first of the
//   key in D's list, with BUD-G) pair, under the descriptive header kind
//   "RO" and the merged type; the geometric attribute lines stay out. BUD2
//   repeats the building key: 20005 in either order. Parcel .13: D's version
//   "02" is not current, so with D first 20003 on it and 20001 "opisu" on
//   G's .13 later; with G first G's .13 finds only that candidate: 20002
//   "opisu", and D's .13 20001 "geometrii" in the pass over the second
//   input. Parcel .15: G's version "20" mirrors that (20002 "geometrii" with
//   D first, 20003 with G first). Parcel .14 has no partner: 20001
//   "geometrii". DZ-BEZ on both sides has no key line, so neither pairs nor
//   is a candidate: 20001 on each. K1 (G5KLU), DOK1 (G5DOK) and the points
//   are written alone in place without a finding.
// - Set aside and written last in G's list order: KKL1 (precinct key
//   146501_1.0002: none, 20006, alone under G5G_KKL), RST1 (alone, type
//   G5RST), UZG1 (key 146501_1.0001.12.1, precinct 146501_1.0001: type G5UZG
//   and "WL,G5ROBR," + the precinct pair's number last), UZG2 (key
//   146501_1.0001 with one dot: precinct key "146501_1.", none, 20006).
// - Second pass, each line resolved in the input of the object it came from:
//   "P,P,G5PKT,P5" takes the current P5 ("11"), "P,K,G15" the record G15
//   whatever its version; WG lines that resolve become WL lines; within one
//   object the same relation name to the same new target is written once
//   (parcel .12: the second "WL,G5RKLU,D9" after the rename of "G5_KLU" and
//   the second "WG,G5RPKT,G5PKT,P2"), another name to that target stays
//   ("WL,G5RDOK,D9"); P lines are never dropped (the closing points of the
//   rings). Unresolved, each line with one warning on the object it came
//   from (its input, header line and position; its type in the text), also
//   inside a pair: G's precinct keeps "P,P,G5PKT,P8" (6030, G5G_OBR); the
//   parcel .12 gives D's "WL,G5RDOK,D77" a fresh number (6023, G5O_DZE) and
//   keeps G's "WG,G5RPKT,G5PKT,P7" (6023, G5G_DZE); DOK1's two
//   "WL,G5RKLU,BRAK1" take a fresh number each and its WG to
//   146501_1.0001.99 stays by identifier (6023 each); G's DZ-BEZ keeps
//   "P,P,G5PKT,P9" and gives "P,K,G99" a fresh number (6030 each). The
//   precinct line of UZG1 names its target already: no finding.
// - The rewritten lines carry no comment; copied lines keep theirs.
// - Metadata: every entry of the first input in byte order of its key, then
//   those of the second whose key the first lacks. NS and NU by (name,
//   value): "DN,2024-01-15" once (the first input's comment), "DN,2024-02-01"
//   besides; "UZ1,abc" and "UZ,1abc" both. B lines with four fields keep the
//   fourth (G5PEW). Types renamed (G5O_DZE, G5G_DZE: G5DZE); the merged
//   types of the first input are "RO", a type only in the second keeps its
//   kind (G5JEW "RD" with G first); groups of the second's type are added
//   by codes the first's lacks: attributes, relations, elements. Attributes
//   and references sort by their key (G5PEW with key G5KLUCZ after G5IDD;
//   G5RKLU with key G5IDD first); a TPN line without TPW keeps its comment.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "processing/bzMergeProcess.h"
#include "processing/bzReport.h"
#include "processing/bzSyntaxProcess.h"
#include "support/Files.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"

using namespace swde;

namespace {

using Line = testsupport::ReportLine;
using testsupport::readFile;

const std::string kData = std::string(OLV_SAMPLES) + "/../tests/data/merge/";
const char* const kDescriptive = "opis_pelny.swd";
const char* const kGeometric = "geometria_pelna.swd";

constexpr int kError = 0, kWarning = 1;

// One finding of the merge on the object whose header is line `line` of
// input `input` (D or G), text in UTF-8.
struct Expected {
  int code;
  int type;
  char input;  // 'D' or 'G'
  int line;
  const char* text;
};

// Header lines of the objects in the inputs.
constexpr int kD_12 = 54, kD_13 = 63, kD_14 = 66, kD_15 = 69, kD_BUD2 = 75, kD_DZBEZ = 78,
              kD_DOK1 = 84;
constexpr int kG_OBR = 50, kG_12 = 61, kG_13 = 75, kG_15 = 84, kG_DZBEZ = 101, kG_KKL1 = 121,
              kG_UZG2 = 129;

const char* const kNoGeometryForType =
    "Obiekt G5O_DZE nie został scalony. Brak geometrii dla tego typu obiektu";
const char* const kNoDescriptionForType =
    "Obiekt G5G_DZE nie został scalony. Brak opisu dla tego typu obiektu";
const char* const kBrakRelation =
    "Obiekt wskazywany przez relację G5RKLU z obiektu G5DOK nie istnieje";
const char* const kWgRelation =
    "Obiekt wskazywany przez relację G5RDZE z obiektu G5DOK nie istnieje";
const char* const kPairDescriptive =
    "Obiekt wskazywany przez relację G5RDOK z obiektu G5O_DZE nie istnieje";
const char* const kPairGeometric =
    "Obiekt wskazywany przez relację G5RPKT z obiektu G5G_DZE nie istnieje";
// The texts end in a blank.
const char* const kTopology =
    "Obiekt wskazywany przez relację topologiczną z obiektu G5G_DZE nie istnieje ";
const char* const kPairTopology =
    "Obiekt wskazywany przez relację topologiczną z obiektu G5G_OBR nie istnieje ";

// (D, G): the pairing over D's list, then G's objects not merged, then the
// set-aside ones; then the second pass in the order of the part result
// (the two pairs, DOK1, G's DZ-BEZ).
const std::vector<Expected> kFindingsDG = {
    {20003, kError, 'D', kD_13,
     "Obiekt G5O_DZE nie został scalony. Wersja obiektu nie jest aktualna"},
    {20001, kError, 'D', kD_14, kNoGeometryForType},
    {20002, kError, 'D', kD_15,
     "Obiekt G5O_DZE nie został scalony. Brak geometrii dla tego obiektu"},
    {20005, kWarning, 'D', kD_BUD2, "Obiekt G5O_BUD został scalony już wcześniej"},
    {20001, kError, 'D', kD_DZBEZ, kNoGeometryForType},
    {20001, kError, 'G', kG_13, kNoDescriptionForType},
    {20001, kError, 'G', kG_15, kNoDescriptionForType},
    {20001, kError, 'G', kG_DZBEZ, kNoDescriptionForType},
    {20006, kError, 'G', kG_KKL1, "Nie znaleziono obrębu dla obiektu G5G_KKL"},
    {20006, kError, 'G', kG_UZG2, "Nie znaleziono obrębu dla obiektu G5G_UZG"},
    {6030, kWarning, 'G', kG_OBR, kPairTopology},
    {6023, kWarning, 'D', kD_12, kPairDescriptive},
    {6023, kWarning, 'G', kG_12, kPairGeometric},
    {6023, kWarning, 'D', kD_DOK1, kBrakRelation},
    {6023, kWarning, 'D', kD_DOK1, kBrakRelation},
    {6023, kWarning, 'D', kD_DOK1, kWgRelation},
    {6030, kWarning, 'G', kG_DZBEZ, kTopology},
    {6030, kWarning, 'G', kG_DZBEZ, kTopology},
};

// (G, D): the pairing over G's list, then D's objects not merged, then the
// set-aside ones; in the part result G's DZ-BEZ comes before DOK1.
const std::vector<Expected> kFindingsGD = {
    {20002, kError, 'G', kG_13, "Obiekt G5G_DZE nie został scalony. Brak opisu dla tego obiektu"},
    {20003, kError, 'G', kG_15,
     "Obiekt G5G_DZE nie został scalony. Wersja obiektu nie jest aktualna"},
    {20001, kError, 'G', kG_DZBEZ, kNoDescriptionForType},
    {20001, kError, 'D', kD_13, kNoGeometryForType},
    {20001, kError, 'D', kD_14, kNoGeometryForType},
    {20001, kError, 'D', kD_15, kNoGeometryForType},
    {20005, kWarning, 'D', kD_BUD2, "Obiekt G5O_BUD został scalony już wcześniej"},
    {20001, kError, 'D', kD_DZBEZ, kNoGeometryForType},
    {20006, kError, 'G', kG_KKL1, "Nie znaleziono obrębu dla obiektu G5G_KKL"},
    {20006, kError, 'G', kG_UZG2, "Nie znaleziono obrębu dla obiektu G5G_UZG"},
    {6030, kWarning, 'G', kG_OBR, kPairTopology},
    {6023, kWarning, 'D', kD_12, kPairDescriptive},
    {6023, kWarning, 'G', kG_12, kPairGeometric},
    {6030, kWarning, 'G', kG_DZBEZ, kTopology},
    {6030, kWarning, 'G', kG_DZBEZ, kTopology},
    {6023, kWarning, 'D', kD_DOK1, kBrakRelation},
    {6023, kWarning, 'D', kD_DOK1, kBrakRelation},
    {6023, kWarning, 'D', kD_DOK1, kWgRelation},
};

struct Order {
  const char* what;
  bool geometricFirst;
  const char* expectedFile;
  const std::vector<Expected>* findings;
};

const Order kOrders[] = {
    {"(descriptive, geometric)", false, "razem_og.swd", &kFindingsDG},
    {"(geometric, descriptive)", true, "razem_go.swd", &kFindingsGD},
};

// The text with every line cut behind its first ";": what the merge writes
// when comments are skipped.
std::string withoutComments(const std::string& text) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    const std::size_t semicolon = line.find(';');
    out += semicolon == std::string::npos ? line : line.substr(0, semicolon + 1);
    if (end < text.size()) out += "\r\n";
    at = end + 2;
  }
  return out;
}

std::string dump(const std::vector<Line>& lines) {
  std::ostringstream s;
  for (const Line& l : lines) s << l << "\n";
  return s.str();
}

// The findings of the syntax check of the files at paths.
std::vector<Line> syntaxFindings(const std::vector<std::string>& paths) {
  testsupport::RunObjects r;
  for (const std::string& p : paths)
    r.files.addFile(std::filesystem::path(p).filename().string(), p);
  EXPECT_TRUE(r.report.Create(&r.files));
  bzRun<bzSyntaxProcess> p(&r.files, &r.report, &r.settings, &r.state);
  p.start();
  p.waitFor();
  EXPECT_FALSE(p.failedCritically()) << plat::cp1250ToUtf8(p.criticalMessage());
  EXPECT_EQ(r.state.getTotalErrorsNum() + r.state.getTotalWarnsNum(), 0u);
  return testsupport::findings(r.report);
}

// Where two texts first differ: the line number (from 1) and both lines.
std::string firstDifference(const std::string& got, const std::string& want) {
  std::size_t at = 0;
  int line = 1;
  while (at < got.size() && at < want.size() && got[at] == want[at]) {
    if (got[at] == '\n') ++line;
    ++at;
  }
  if (at == got.size() && at == want.size()) return "equal";
  auto lineAround = [&](const std::string& s) {
    const std::size_t b = s.rfind('\n', at == 0 ? 0 : at - 1);
    const std::size_t from = b == std::string::npos || at == 0 ? 0 : b + 1;
    return plat::cp1250ToUtf8(s.substr(from, s.find('\n', from) - from));
  };
  return "line " + std::to_string(line) + ": got \"" + lineAround(got) + "\", want \"" +
         lineAround(want) + "\"";
}

// Every entry of the folder by name with its bytes.
std::map<std::string, std::string> contents(const testsupport::TempFolder& folder) {
  std::map<std::string, std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder.path()))
    out[e.path().filename().string()] = readFile(e.path().string());
  return out;
}

TEST(MergeGolden, PairAndExpectedFilesPassTheSyntaxCheck) {
  const std::vector<Line> findings = syntaxFindings(
      {kData + kDescriptive, kData + kGeometric, kData + "razem_og.swd", kData + "razem_go.swd"});
  EXPECT_TRUE(findings.empty()) << dump(findings);
  // The samples are the same pair.
  EXPECT_EQ(readFile(std::string(OLV_SAMPLES) + "/scalanie_opis.swd"),
            readFile(kData + kDescriptive));
  EXPECT_EQ(readFile(std::string(OLV_SAMPLES) + "/scalanie_geometria.swd"),
            readFile(kData + kGeometric));
}

TEST(MergeGolden, EitherOrderGivesTheMergedFileAndFindingsWrittenByHand) {
  const std::string descriptive = readFile(kData + kDescriptive);
  const std::string geometric = readFile(kData + kGeometric);
  ASSERT_FALSE(descriptive.empty());
  ASSERT_FALSE(geometric.empty());
  for (const Order& order : kOrders) {
    for (const bool skipComments : {false, true}) {
      SCOPED_TRACE(std::string(order.what) +
                   (skipComments ? ", comments skipped" : ", comments kept"));
      testsupport::TempFolder folder{"olvmergegolden"};
      testsupport::RunObjects r;
      r.settings.outputDir = folder.path();
      r.settings.outputFileName = "razem.swd";
      r.settings.skipComments = skipComments;
      const std::map<char, std::string> bytes = {{'D', descriptive}, {'G', geometric}};
      for (const char in : {order.geometricFirst ? 'G' : 'D', order.geometricFirst ? 'D' : 'G'}) {
        const std::string name = in == 'D' ? kDescriptive : kGeometric;
        testsupport::writeFile(folder / name, bytes.at(in));
        r.files.addFile(name, folder / name);
      }
      ASSERT_TRUE(r.report.Create(&r.files));
      {
        bzRun<bzMergeProcess> p(&r.files, &r.report, &r.settings, &r.state);
        p.start();
        p.waitFor();
        EXPECT_FALSE(p.failedCritically()) << plat::cp1250ToUtf8(p.criticalMessage());
      }

      // Each finding counted in the totals and in the record of its input.
      std::vector<Line> want;
      std::uint32_t errors[2] = {0, 0}, warnings[2] = {0, 0};
      for (const Expected& e : *order.findings) {
        const int file = (e.input == 'G') == order.geometricFirst ? 0 : 1;
        want.push_back({e.line, file, testsupport::offsetOfLine(bytes.at(e.input), e.line),
                        formatFindingLine(e.line, e.type, e.code, 49, plat::cp(e.text))});
        (e.type == kWarning ? warnings : errors)[file] += 1;
      }
      const std::vector<Line> got = testsupport::findings(r.report);
      EXPECT_EQ(got, want) << dump(got);
      EXPECT_EQ(r.state.getTotalErrorsNum(), errors[0] + errors[1]);
      EXPECT_EQ(r.state.getTotalWarnsNum(), warnings[0] + warnings[1]);
      for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(r.state.getFileInfo(i).errors, errors[i]) << i;
        EXPECT_EQ(r.state.getFileInfo(i).warnings, warnings[i]) << i;
      }

      std::string expected = readFile(kData + order.expectedFile);
      ASSERT_FALSE(expected.empty());
      if (skipComments) expected = withoutComments(expected);
      // The inputs are untouched; beside them only the merged file is left.
      const std::map<std::string, std::string> after = contents(folder);
      const std::map<std::string, std::string> wantFolder = {
          {kDescriptive, descriptive}, {kGeometric, geometric}, {"razem.swd", expected}};
      EXPECT_EQ(after.size(), wantFolder.size());
      for (const auto& [name, content] : wantFolder) {
        SCOPED_TRACE(name);
        const auto it = after.find(name);
        ASSERT_NE(it, after.end());
        EXPECT_TRUE(it->second == content) << firstDifference(it->second, content);
      }

      const std::vector<Line> syntax = syntaxFindings({folder / "razem.swd"});
      EXPECT_TRUE(syntax.empty()) << dump(syntax);
    }
  }
}

}  // namespace
