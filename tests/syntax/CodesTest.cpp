#include <gtest/gtest.h>

#include <set>

#include "syntax/Sxcodes.h"

using namespace swde;

namespace {

TEST(LineCodes, EveryIdentifierRoundTripsItsCode) {
  int identifiers = 0;
  for (int c = 0; c <= kLastLineCode + 1; ++c) {
    const auto ident = identOf(static_cast<sxLineCode>(c));
    if (!ident) continue;
    ++identifiers;
    EXPECT_EQ(lineCodeOf(*ident), static_cast<sxLineCode>(c)) << *ident;
  }
  EXPECT_EQ(identifiers, 76);
  // 0, 1 and the two header codes have no identifier of their own.
  for (sxLineCode c : {lcNone, lcEmpty, lcSWDE, lcSWING}) EXPECT_FALSE(identOf(c)) << int(c);
}

TEST(LineCodes, SampleCodesAreFixed) {
  struct Case {
    const char* ident;
    int code;
  };
  const Case cases[] = {{"A", 2},        {"C", 4},   {"GX", 12},    {"NK", 22},     {"RO", 42},
                        {"SD", 46},      {"ST", 51}, {"SWDEX", 53}, {"SWDEXC", 54}, {"SWINGX", 56},
                        {"SWINGXC", 57}, {"SX", 58}, {"TD", 60},    {"WL", 72},     {"IH", 75},
                        {"W", 78},       {"VK", 79}};
  for (const Case& c : cases) EXPECT_EQ(lineCodeOf(c.ident), c.code) << c.ident;
}

TEST(LineCodes, LookupsAreExact) {
  for (std::string s : {"ro", "Ro", "RO ", " RO", "", "SWDE", "SWING", "QQ"})
    EXPECT_FALSE(lineCodeOf(s)) << s;
  EXPECT_FALSE(lineCodeOf(std::string("RO\0", 3)));
}

TEST(LineCodes, FormatSubsets) {
  int swde = 0, swing = 0;
  for (int c = 2; c <= kLastLineCode; ++c) {
    const auto ident = identOf(static_cast<sxLineCode>(c));
    if (!ident) continue;
    if (swdeLineCodeOf(*ident)) ++swde;
    if (swingLineCodeOf(*ident)) ++swing;
  }
  EXPECT_EQ(swde, 47);
  EXPECT_EQ(swing, 74);

  EXPECT_TRUE(swdeLineCodeOf("SWDEX"));
  EXPECT_FALSE(swingLineCodeOf("SWDEX"));
  EXPECT_TRUE(swingLineCodeOf("SWINGX"));
  EXPECT_FALSE(swdeLineCodeOf("SWINGX"));
  for (const char* s : {"RM", "RR", "A", "SD", "SG", "DS"}) {
    EXPECT_FALSE(swdeLineCodeOf(s)) << s;
    EXPECT_TRUE(swingLineCodeOf(s)) << s;
  }
  for (const char* s : {"RO", "X", "SP", "ST", "W", "WG"}) {
    EXPECT_TRUE(swdeLineCodeOf(s)) << s;
    EXPECT_TRUE(swingLineCodeOf(s)) << s;
  }
}

TEST(EventKinds, EveryCodeHasItsKind) {
  struct Case {
    sxEventKind kind;
    std::set<int> codes;
  };
  const Case cases[] = {
      {ekFileHeader, {lcSWDE, lcSWING}},
      {ekFileEnd, {lcSWDEX, lcSWDEXC, lcSWINGX, lcSWINGXC}},
      {ekSectionStart, {lcSD, lcSG, lcSN, lcSO, lcSP, lcST}},
      {ekSectionEnd, {lcSX, lcSXC}},
      {ekRecordStart, {lcDS, lcRC, lcRD, lcRL, lcRM, lcRO, lcRP, lcRR, lcTD}},
      {ekRecordEnd, {lcX, lcXC}},
      {ekOneLineRecord, {lcA, lcB, lcFD, lcJD, lcNK, lcNS, lcNU, lcVD, lcZD, lcW}},
      {ekSubRecordStart, {lcGL, lcOB}},
      {ekSubRecordEnd, {lcGX, lcOBX}},
      {ekFreeLine, {lcEmpty, lcC}},
  };
  for (int c = 1; c <= kLastLineCode; ++c) {
    sxEventKind expected = ekRecordLine;
    for (const Case& k : cases)
      if (k.codes.count(c)) expected = k.kind;
    EXPECT_EQ(eventKindOf(static_cast<sxLineCode>(c)), expected) << c;
  }
  EXPECT_FALSE(eventKindOf(lcNone));
  EXPECT_FALSE(eventKindOf(static_cast<sxLineCode>(80)));
  EXPECT_FALSE(eventKindOf(static_cast<sxLineCode>(255)));
}

}  // namespace
