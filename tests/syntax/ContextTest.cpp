#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "syntax/Sxcontext.h"
#include "syntax/Sxexception.h"

using namespace swde;

namespace {

// A context fed with hand-made lines numbered from 1.
struct Feeder {
  counted_ptr<sxError> feed(sxLineCode code) {
    counted_ptr<sxError> err;
    ctx.update(std::make_shared<sxLine>(code, ++lineNo), err);
    return err;
  }
  // Feeds lines that must all pass.
  void feedClean(std::initializer_list<sxLineCode> codes) {
    for (sxLineCode c : codes) {
      const auto err = feed(c);
      ASSERT_FALSE(err) << "line " << lineNo << " code " << int(c) << ": " << err->message;
    }
  }
  std::string state() const { return ctx.getStateMachine()->getStateName(); }

  sxContext ctx;
  std::uint64_t lineNo = 0;
};

int codeOf(const counted_ptr<sxError>& err) {
  return err ? err->code : 0;
}

// One line: its code, the context error it gets (0 none) and the level after it.
struct Step {
  sxLineCode code;
  int error;
  int level;
};

struct Sequence {
  const char* name;
  std::vector<Step> steps;
};

void runSequences(const std::vector<Sequence>& sequences) {
  for (const Sequence& s : sequences) {
    Feeder f;
    for (const Step& step : s.steps) {
      const auto err = f.feed(step.code);
      EXPECT_EQ(codeOf(err), step.error)
          << s.name << ", line " << f.lineNo << (err ? ": " + err->message : std::string());
      EXPECT_EQ(f.ctx.getLevel(), step.level) << s.name << ", line " << f.lineNo;
      if (err) {
        EXPECT_EQ(err->line, f.lineNo) << s.name;
      }
    }
  }
}

TEST(Context, WellFormedFilesPassLineByLine) {
  runSequences({
      {"SWDE file",
       {{lcSWDE, 0, 1}, {lcSP, 0, 2},    {lcB, 0, 2},    {lcW, 0, 2},  {lcSX, 0, 1}, {lcST, 0, 2},
        {lcTD, 0, 3},   {lcTP, 0, 3},    {lcWR, 0, 3},   {lcX, 0, 2},  {lcSX, 0, 1}, {lcSO, 0, 2},
        {lcRO, 0, 3},   {lcGL, 0, 4},    {lcP, 0, 4},    {lcP, 0, 4},  {lcPZ, 0, 4}, {lcGX, 0, 3},
        {lcX, 0, 2},    {lcRD, 0, 3},    {lcD, 0, 3},    {lcWG, 0, 3}, {lcX, 0, 2},  {lcRL, 0, 3},
        {lcGL, 0, 4},   {lcP, 0, 4},     {lcOAM, 0, 4},  {lcPZ, 0, 4}, {lcGX, 0, 3}, {lcXC, 0, 2},
        {lcSXC, 0, 1},  {lcEmpty, 0, 1}, {lcSWDEX, 0, 0}}},
      {"SWING file",
       {{lcSWING, 0, 1}, {lcSN, 0, 2}, {lcNS, 0, 2},  {lcNU, 0, 2}, {lcSX, 0, 1},     {lcSD, 0, 2},
        {lcDS, 0, 3},    {lcES, 0, 3}, {lcX, 0, 2},   {lcSX, 0, 1}, {lcSG, 0, 2},     {lcA, 0, 2},
        {lcNK, 0, 2},    {lcFD, 0, 2}, {lcSXC, 0, 1}, {lcSO, 0, 2}, {lcRR, 0, 3},     {lcRKM, 0, 3},
        {lcP, 0, 3},     {lcOO, 0, 3}, {lcRF, 0, 3},  {lcD, 0, 3},  {lcX, 0, 2},      {lcRM, 0, 3},
        {lcH, 0, 3},     {lcTR, 0, 3}, {lcIT, 0, 3},  {lcXC, 0, 2}, {lcRL, 0, 3},     {lcGL, 0, 4},
        {lcP, 0, 4},     {lcOB, 0, 5}, {lcPX, 0, 5},  {lcPX, 0, 5}, {lcOBX, 0, 4},    {lcPZ, 0, 4},
        {lcGX, 0, 3},    {lcX, 0, 2},  {lcC, 0, 2},   {lcSX, 0, 1}, {lcSWINGXC, 0, 0}}},
      {"header and end of file only", {{lcSWDE, 0, 1}, {lcSWDEX, 0, 0}}},
  });
}

TEST(Context, MisplacedLinesGetTheirErrors) {
  runSequences({
      {"second header", {{lcSWING, 0, 1}, {lcSWING, 201, 1}}},
      {"header inside a section", {{lcSWING, 0, 1}, {lcSN, 0, 2}, {lcSWDE, 201, 2}}},
      {"section start inside a section", {{lcSWING, 0, 1}, {lcSO, 0, 2}, {lcSO, 203, 2}}},
      {"section start before the header", {{lcSO, 203, 2}}},
      {"section end outside a section", {{lcSWING, 0, 1}, {lcSX, 204, 1}}},
      {"record start after the header", {{lcSWING, 0, 1}, {lcRO, 205, 3}}},
      {"record end outside a record", {{lcSWING, 0, 1}, {lcSO, 0, 2}, {lcX, 206, 2}}},
      // The one-line record is refused by the graph as well; the record it
      // stands in stays open and closes normally.
      {"one-line record inside a record",
       {{lcSWING, 0, 1},
        {lcSO, 0, 2},
        {lcRO, 0, 3},
        {lcNK, 207, 3},
        {lcGL, 0, 4},
        {lcP, 0, 4},
        {lcPZ, 0, 4},
        {lcGX, 0, 3},
        {lcX, 0, 2}}},
      {"record line outside a record", {{lcSWING, 0, 1}, {lcSO, 0, 2}, {lcP, 209, 3}}},
      {"sub-record end without a sub-record",
       {{lcSWING, 0, 1}, {lcSO, 0, 2}, {lcRD, 0, 3}, {lcGX, 209, 3}}},
      {"sub-record start at level 5",
       {{lcSWING, 0, 1},
        {lcSO, 0, 2},
        {lcRL, 0, 3},
        {lcGL, 0, 4},
        {lcP, 0, 4},
        {lcOB, 0, 5},
        {lcGL, 209, 4}}},
      // A misplaced end-of-file line does not end the file: the section stays
      // open, and a correct ending after it passes.
      {"end of file inside a section",
       {{lcSWING, 0, 1},
        {lcSO, 0, 2},
        {lcRD, 0, 3},
        {lcX, 0, 2},
        {lcSWINGX, 202, 2},
        {lcSX, 0, 1},
        {lcSWINGX, 0, 0}}},
      {"lines after the end of file",
       {{lcSWDE, 0, 1},
        {lcSWDEX, 0, 0},
        {lcEmpty, 0, 0},
        {lcC, 0, 0},
        {lcSN, 212, 0},
        {lcSWDE, 212, 0},
        {lcSWDEX, 212, 0}}},
  });
}

TEST(Context, CheckingGoesOnAfterAMisplacedLine) {
  runSequences({
      // A refused one-line record leaves the section open: the next ones of
      // the same section are not reported as standing outside a section.
      {"refused one-line record",
       {{lcSWING, 0, 1},
        {lcSN, 0, 2},
        {lcNS, 0, 2},
        {lcA, 209, 2},
        {lcNS, 0, 2},
        {lcNU, 0, 2},
        {lcSX, 0, 1},
        {lcSWINGX, 0, 0}}},
      // The second GL is refused by the graph; the sub-record that it would
      // have nested is not left open, so the first GL closes normally.
      {"refused nested sub-record",
       {{lcSWING, 0, 1},
        {lcSO, 0, 2},
        {lcRO, 0, 3},
        {lcGL, 0, 4},
        {lcGL, 209, 4},
        {lcP, 0, 4},
        {lcPZ, 0, 4},
        {lcGX, 0, 3},
        {lcX, 0, 2},
        {lcSX, 0, 1},
        {lcSWINGX, 0, 0}}},
      {"record start without the end of the previous one",
       {{lcSWDE, 0, 1},
        {lcSO, 0, 2},
        {lcRD, 0, 3},
        {lcD, 0, 3},
        {lcRD, 205, 3},
        {lcD, 0, 3},
        {lcX, 0, 2},
        {lcSX, 0, 1},
        {lcSWDEX, 0, 0}}},
      {"section start without the end of the previous one",
       {{lcSWDE, 0, 1},
        {lcSP, 0, 2},
        {lcB, 0, 2},
        {lcW, 0, 2},
        {lcSO, 203, 2},
        {lcRD, 0, 3},
        {lcX, 0, 2},
        {lcSX, 0, 1},
        {lcSWDEX, 0, 0}}},
      {"record line out of order",
       {{lcSWDE, 0, 1},
        {lcSO, 0, 2},
        {lcRD, 0, 3},
        {lcWG, 0, 3},
        {lcD, 209, 3},
        {lcWG, 0, 3},
        {lcX, 0, 2}}},
  });
}

TEST(Context, CodesFollowTheStructure) {
  Feeder f;
  f.feedClean({lcSWING, lcSO, lcRL, lcGL, lcP, lcOB});
  EXPECT_EQ(f.ctx.getFormat(), lcSWING);
  EXPECT_EQ(f.ctx.getSection(), scSO);
  EXPECT_EQ(f.ctx.getRecord(), lcRL);
  EXPECT_EQ(f.ctx.getSubRecord(), lcGL);
  EXPECT_EQ(f.ctx.getNestedSubRecord(), lcOB);
  f.feedClean({lcPX, lcOBX});
  EXPECT_EQ(f.ctx.getSubRecord(), lcGL);
  EXPECT_EQ(f.ctx.getNestedSubRecord(), lcNone);
  f.feedClean({lcPZ, lcGX});
  EXPECT_EQ(f.ctx.getSubRecord(), lcNone);
  EXPECT_EQ(f.ctx.getRecord(), lcRL);
  f.feedClean({lcX});
  EXPECT_EQ(f.ctx.getRecord(), lcNone);
  EXPECT_EQ(f.ctx.getSection(), scSO);
  f.feedClean({lcSX});
  EXPECT_EQ(f.ctx.getSection(), scNone);
  f.feedClean({lcSWINGX});
  // The format stays after the end of the file.
  EXPECT_EQ(f.ctx.getFormat(), lcSWING);
  EXPECT_EQ(f.ctx.getLevel(), csOutside);
}

TEST(Context, MisplacedRecordStartStillOpensTheRecord) {
  Feeder f;
  f.feedClean({lcSWING});
  const auto err = f.feed(lcRO);
  ASSERT_TRUE(err);
  EXPECT_EQ(err->code, 205);
  EXPECT_EQ(f.ctx.getLevel(), csRecord);
  EXPECT_EQ(f.ctx.getRecord(), lcRO);
}

TEST(Context, ErrorsCarryLineSectionAndIdentifier) {
  {
    Feeder f;
    f.feedClean({lcSWING, lcSO, lcRO});
    const auto err = f.feed(lcNK);
    ASSERT_TRUE(err);
    EXPECT_EQ(err->code, 207);
    EXPECT_EQ(err->line, 4u);
    EXPECT_EQ(err->section, scSO);
    EXPECT_EQ(err->message, plat::cp("Nieprawidłowe wystąpienie rekordu NK poza sekcją"));
  }
  {
    // The graph's 209 names the line and the section in force.
    Feeder f;
    f.feedClean({lcSWDE, lcSO, lcRD, lcWG});
    const auto err = f.feed(lcD);
    ASSERT_TRUE(err);
    EXPECT_EQ(err->code, 209);
    EXPECT_EQ(err->line, 5u);
    EXPECT_EQ(err->section, scSO);
    EXPECT_EQ(err->message, plat::cp("Nieprawidłowe wystąpienie linii D w bieżącym kontekście"));
  }
  {
    // A section end carries the section it tries to close.
    Feeder f;
    f.feedClean({lcSWDE, lcSO, lcRD});
    const auto err = f.feed(lcSX);
    ASSERT_TRUE(err);
    EXPECT_EQ(err->code, 204);
    EXPECT_EQ(err->section, scSO);
    EXPECT_EQ(f.ctx.getSection(), scNone);
  }
}

TEST(Context, LinesAfterTheEndOfFileDoNotReachTheStateMachine) {
  Feeder f;
  f.feedClean({lcSWDE, lcSWDEX});
  EXPECT_EQ(f.state(), "$FILEX");
  for (sxLineCode c : {lcSO, lcSWDEX, lcX}) {
    EXPECT_EQ(codeOf(f.feed(c)), 212);
    EXPECT_EQ(f.state(), "$FILEX");
    EXPECT_EQ(f.ctx.getLevel(), csOutside);
    EXPECT_EQ(f.ctx.getFormat(), lcSWDE);
  }
}

TEST(Context, LineOfCodeZeroChangesNothing) {
  Feeder f;
  f.feedClean({lcSWDE, lcSO});
  const std::uint64_t before = f.ctx.getLineNumber();
  EXPECT_EQ(f.ctx.getEventKind(), ekSectionStart);
  EXPECT_FALSE(f.feed(lcNone));
  EXPECT_EQ(f.ctx.getLevel(), csSection);
  EXPECT_EQ(f.ctx.getLineNumber(), before);
  EXPECT_EQ(f.ctx.getEventKind(), ekNone);
  EXPECT_EQ(f.state(), "$SO");

  // A null line is passed over as well.
  counted_ptr<sxError> err = f.ctx.createError(ecEofBad);
  f.ctx.update(nullptr, err);
  EXPECT_FALSE(err);
}

TEST(Context, EventKindOfTheLineJustRead) {
  Feeder f;
  const std::pair<sxLineCode, sxEventKind> cases[] = {
      {lcSWING, ekFileHeader},  {lcSO, ekSectionStart}, {lcRL, ekRecordStart},
      {lcGL, ekSubRecordStart}, {lcP, ekRecordLine},    {lcPZ, ekRecordLine},
      {lcGX, ekSubRecordEnd},   {lcX, ekRecordEnd},     {lcEmpty, ekFreeLine},
      {lcSX, ekSectionEnd},     {lcSWINGX, ekFileEnd},
  };
  for (const auto& [code, kind] : cases) {
    f.feedClean({code});
    EXPECT_EQ(f.ctx.getEventKind(), kind) << int(code);
  }
  f.ctx.setEventKind(ekOneLineRecord);
  EXPECT_EQ(f.ctx.getEventKind(), ekOneLineRecord);
}

TEST(Context, CodeWithoutEventKindThrows) {
  Feeder f;
  f.feedClean({lcSWDE});
  auto line = std::make_shared<sxLine>(static_cast<sxLineCode>(90), 2);
  line->ident = "QQ";
  counted_ptr<sxError> err;
  try {
    f.ctx.update(line, err);
    FAIL() << "no exception";
  } catch (const sxException& e) {
    EXPECT_EQ(e.Message(), "Nieznaleziony kontekst dla linii o kodzie QQ");
  }
  try {
    f.ctx.resetOn(static_cast<sxLineCode>(200));
    FAIL() << "no exception";
  } catch (const sxException& e) {
    EXPECT_EQ(e.Message(), "Nieznaleziony kontekst dla linii");
  }
}

TEST(Context, FinishReportsWhatIsLeftOpen) {
  struct Case {
    const char* name;
    std::vector<sxLineCode> lines;
    int error;
  };
  const std::vector<Case> cases = {
      {"closed file", {lcSWDE, lcSWDEX}, 0},
      {"no header", {}, 212},
      {"no end-of-file line", {lcSWDE}, 212},
      {"open section", {lcSWDE, lcSO}, 211},
      {"open record", {lcSWDE, lcSO, lcRD}, 210},
      {"open sub-record", {lcSWING, lcSO, lcRL, lcGL}, 210},
      {"open nested sub-record", {lcSWING, lcSO, lcRL, lcGL, lcP, lcOB}, 210},
      {"end-of-file line inside a section", {lcSWDE, lcSO, lcSWDEX}, 211},
  };
  for (const Case& c : cases) {
    Feeder f;
    for (sxLineCode code : c.lines) f.feed(code);
    counted_ptr<sxError> err;
    f.ctx.finish(err);
    EXPECT_EQ(codeOf(err), c.error) << c.name;
    if (err) {
      EXPECT_EQ(err->line, c.lines.size()) << c.name;
    }
    EXPECT_EQ(f.ctx.getLevel(), csOutside) << c.name;
    EXPECT_EQ(f.ctx.getFormat(), lcNone) << c.name;
    EXPECT_EQ(f.ctx.getSection(), scNone) << c.name;
    EXPECT_EQ(f.ctx.getRecord(), lcNone) << c.name;
    EXPECT_EQ(f.ctx.getSubRecord(), lcNone) << c.name;
    EXPECT_EQ(f.state(), "$FILE") << c.name;
  }
}

TEST(Context, FinishReplacesAnEarlierErrorAndAllowsAnotherPass) {
  Feeder f;
  f.feedClean({lcSWDE, lcSO});
  counted_ptr<sxError> err = f.ctx.createError(ecBadField);
  f.ctx.finish(err);
  ASSERT_TRUE(err);
  EXPECT_EQ(err->code, 211);
  EXPECT_EQ(err->section, scSO);
  EXPECT_EQ(err->message, plat::cp("Nieprawidłowe zakończenie pliku. Brak domknięcia sekcji"));
  // The same context reads the next file from its start.
  f.feedClean({lcSWDE, lcSN, lcNS, lcSX, lcSWDEX});
  counted_ptr<sxError> second;
  f.ctx.finish(second);
  EXPECT_FALSE(second);
}

// A context at level 5 with every code set.
void openEverything(Feeder& f) {
  f.feedClean({lcSWING, lcSO, lcRL, lcGL, lcP, lcOB});
  f.ctx.setComplexRecord(true);
}

TEST(Context, ResetToALevelClearsTheDeeperCodes) {
  struct Case {
    sxContextSubset n;
    sxLineCode format;
    sxSectionCode section;
    sxLineCode record, sub, nested;
  };
  const Case cases[] = {
      {csNestedSubRecord, lcSWING, scSO, lcRL, lcGL, lcOB},
      {csSubRecord, lcSWING, scSO, lcRL, lcGL, lcNone},
      {csRecord, lcSWING, scSO, lcRL, lcNone, lcNone},
      {csSection, lcSWING, scSO, lcNone, lcNone, lcNone},
      {csFile, lcSWING, scNone, lcNone, lcNone, lcNone},
      {csOutside, lcNone, scNone, lcNone, lcNone, lcNone},
  };
  for (const Case& c : cases) {
    Feeder f;
    openEverything(f);
    f.ctx.reset(c.n);
    EXPECT_EQ(f.ctx.getLevel(), c.n);
    EXPECT_EQ(f.ctx.getFormat(), c.format) << int(c.n);
    EXPECT_EQ(f.ctx.getSection(), c.section) << int(c.n);
    EXPECT_EQ(f.ctx.getRecord(), c.record) << int(c.n);
    EXPECT_EQ(f.ctx.getSubRecord(), c.sub) << int(c.n);
    EXPECT_EQ(f.ctx.getNestedSubRecord(), c.nested) << int(c.n);
    EXPECT_TRUE(f.ctx.isComplexRecord()) << int(c.n);
    EXPECT_EQ(f.state(), "$OB-LINIA") << int(c.n);
  }
}

TEST(Context, FullResetKeepsOnlyTheComplexRecordFlag) {
  Feeder f;
  openEverything(f);
  f.ctx.reset();
  EXPECT_EQ(f.ctx.getLevel(), csOutside);
  EXPECT_EQ(f.ctx.getFormat(), lcNone);
  EXPECT_EQ(f.ctx.getSection(), scNone);
  EXPECT_EQ(f.ctx.getRecord(), lcNone);
  EXPECT_EQ(f.ctx.getSubRecord(), lcNone);
  EXPECT_EQ(f.ctx.getNestedSubRecord(), lcNone);
  EXPECT_TRUE(f.ctx.isComplexRecord());
  EXPECT_EQ(f.state(), "$FILE");
}

TEST(Context, ResetOnSetsTheLevelOfTheLinesKind) {
  struct Case {
    sxLineCode code;
    int level;
    sxLineCode format;
  };
  const Case cases[] = {
      {lcSWING, 1, lcSWING}, {lcSWINGX, 5, lcSWING}, {lcSO, 2, lcSWING}, {lcSX, 1, lcSWING},
      {lcRO, 3, lcSWING},    {lcX, 2, lcSWING},      {lcNS, 5, lcSWING}, {lcA, 5, lcSWING},
      {lcGL, 4, lcSWING},    {lcGX, 3, lcSWING},     {lcP, 3, lcSWING},  {lcNone, 5, lcSWING},
      {lcEmpty, 5, lcSWING}, {lcC, 5, lcSWING},
  };
  for (const Case& c : cases) {
    Feeder f;
    openEverything(f);
    f.ctx.resetOn(c.code);
    EXPECT_EQ(f.ctx.getLevel(), c.level) << int(c.code);
    EXPECT_EQ(f.ctx.getFormat(), c.format) << int(c.code);
    EXPECT_EQ(f.state(), "$OB-LINIA") << int(c.code);
  }
}

TEST(Context, ComplexRecordFlagIsClearedAtSectionAndRecordBounds) {
  struct Case {
    sxLineCode code;
    bool kept;
  };
  const Case cases[] = {
      {lcX, false}, {lcXC, false}, {lcSX, false}, {lcSO, false},
      {lcTP, true}, {lcWR, true},  {lcTD, true},  {lcEmpty, true},
  };
  for (const Case& c : cases) {
    Feeder f;
    f.feedClean({lcSWDE, lcST, lcTD});
    f.ctx.setComplexRecord(true);
    f.feed(c.code);
    EXPECT_EQ(f.ctx.isComplexRecord(), c.kept) << int(c.code);
  }
}

TEST(Context, CreateErrorUsesTheCurrentLineAndSection) {
  Feeder f;
  f.feedClean({lcSWDE, lcSP, lcB});
  const auto plain = f.ctx.createError(ecRecordEnd);
  EXPECT_EQ(plain->line, 3u);
  EXPECT_EQ(plain->section, scSP);
  EXPECT_EQ(plain->code, 206);
  EXPECT_EQ(plain->message, plat::cp("Nieprawidłowe wystąpienie końca rekordu"));
  const TVarRec args[] = {TVarRec("B")};
  const auto withArgs = f.ctx.createError(ecLineInContext, args, 0);
  EXPECT_EQ(withArgs->message, plat::cp("Nieprawidłowe wystąpienie linii B w bieżącym kontekście"));
}

TEST(Context, LineNumbersAreWide) {
  Feeder f;
  f.feedClean({lcSWDE});
  const std::uint64_t big = 0x1'0000'0005ull;
  counted_ptr<sxError> err;
  f.ctx.update(std::make_shared<sxLine>(lcSX, big), err);
  ASSERT_TRUE(err);
  EXPECT_EQ(err->line, big);
  EXPECT_EQ(f.ctx.getLineNumber(), big);
}

}  // namespace
