#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "metadata/Metadata.h"
#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "processing/bzCounter.h"
#include "processing/bzException.h"
#include "processing/bzMdAnalyzer.h"
#include "processing/bzSemanticProcess.h"
#include "reader/PlikSW.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"
#include "support/TempFile.h"
#include "syntax/Sxcodes.h"

using namespace swde;
using plat::cp;

namespace {

using testsupport::findings;
using testsupport::offsetOfLine;

using plat::ComPtr;

// The reference model of the cases: two SP attributes and two SP relations;
// the complex record type G5DZE uses all four (G5RJDR single, G5RPOD multiple),
// G5OBR has no base type and nothing of its own. No type is mandatory.
void buildReference(Metadata& m) {
  AttribsSection* sp = m.getAttribsSection();
  sp->addAttribute("G5IDD")->type = "ZN";
  sp->addAttribute("G5PEW")->type = "DN";
  sp->addRelation("G5RJDR");
  sp->addRelation("G5RPOD");
  TypesSection* st = m.getTypesSection();
  RecordType* dze = st->addType("G5DZE", "RC", "");
  dze->addAttribute("G5IDD", "");
  dze->addAttribute("G5PEW", "");
  dze->addReference("G5RJDR", "")->multiple = false;
  dze->addReference("G5RPOD", "")->multiple = true;
  st->addType("G5OBR", "", "");
}

// A process that owns an analyzer over a reference model and an empty file
// model, as the semantic process does for one input file (index 0).
class AnalyzerProcess : public bzSemanticProcess {
 public:
  AnalyzerProcess(RunKey key, testsupport::RunObjects& r)
      : bzSemanticProcess(key, &r.files, &r.report, &r.settings, &r.state), analyzer(this, 700) {
    counters[ckCondensed] = std::make_unique<bzCounter>();
    currentFile = 0;
    buildReference(annex);
    analyzer.annexMetadata = &annex;
    analyzer.fileMetadata = &file;
  }
  AnsiString getTitle() const override { return "test"; }

  std::uint32_t fileErrors() const { return current.errors; }
  std::uint32_t fileWarnings() const { return current.warnings; }
  std::uint32_t runErrors() const { return totalErrors; }
  std::uint32_t runWarnings() const { return totalWarns; }

  Metadata annex;
  Metadata file;
  bzMdAnalyzer analyzer;

 protected:
  int process() override { return 0; }
};

// Run objects with the report made on a list of one input file.
struct ReportedRun : testsupport::RunObjects {
  explicit ReportedRun(bool condensed) {
    settings.reportCondensed = condensed;
    files.addFile("plik.swd", "/dane/");
    EXPECT_TRUE(report.Create(&files));
    testsupport::drain(report);
  }
};

const std::string kHeader = "SWDE.W.1.13.0;test\n";

// The document: header (line 1), SP section, ST section, end line.
std::string document(const std::vector<std::string>& sp, const std::vector<std::string>& st) {
  std::string out = kHeader + "SP;\n";
  for (const std::string& l : sp) out += l + "\n";
  out += "SX;\nST;\n";
  for (const std::string& l : st) out += l + "\n";
  return out + "SX;\nSWDEX;\n";
}

// A reader opened on the document and moved to its next section.
struct Opened {
  explicit Opened(const std::string& content) : temp(content) {
    EXPECT_EQ(reader->otworz(temp.path(), 0), plat::S_OK);
  }
  void next(std::int32_t expected) {
    std::int32_t section = 0;
    ASSERT_EQ(reader->ustawNaKolejnaSekcje(&section), plat::S_OK);
    ASSERT_EQ(section, expected);
  }
  testsupport::TempFile temp;
  ComPtr<PlikSW> reader{new PlikSW()};
};

// One expected finding: its line (1 the first; 0 for none) and the rest of
// its report text (UTF-8).
struct Finding {
  std::int64_t line;
  std::string text;
};

// The SP section every ST case starts from: lines 3 to 6, ST content from
// line 9 on.
const std::vector<std::string> kSp = {"B,G5IDD,ZN,;", "B,G5PEW,DN,;", "W,G5RJDR;", "W,G5RPOD;"};

struct Case {
  const char* name;
  std::vector<std::string> sp;
  std::vector<std::string> st;
  std::vector<Finding> expected;
  std::function<void(Metadata&)> reference = nullptr;
  bool condensed = false;
};

TEST(MdAnalyzerFile, FindingsOfTheSpAndStSections) {
  const Case cases[] = {
      {"a file that agrees with the reference has no finding",
       kSp,
       {"TD,G5DZE,RC;", "TP,G5IDD;", "TPW;", "TP,G5PEW;", "WE,G5RJDR;", "WP;", "WR,G5RPOD;", "WW;",
        "X;"},
       {}},
      {"a repeated B name is a warning; the first one's type is compared",
       {"B,G5IDD,ZN,;", "B,G5IDD,DN,;"},
       {},
       {{4, "O  2001 SP - Atrybut G5IDD zadeklarowany wcześniej"}}},
      {"a B type other than the reference one, a B name the reference lacks",
       {"B,G5IDD,DN,;", "B,G5NOWY,ZN,;"},
       {},
       {{3, "B  2002 SP - Niezgodność typu atrybutu G5IDD z załącznikiem"},
        {4, "O  2003 SP - Dodatkowy atrybut G5NOWY - brak w załączniku"}}},
      {"a repeated W name, a W name the reference lacks",
       {"W,G5RJDR;", "W,G5RJDR;", "W,G5RNOWA;"},
       {},
       {{4, "O  2004 SP - Relacja G5RJDR zadeklarowana wcześniej"},
        {5, "O  2005 SP - Dodatkowe wiązanie G5RNOWA - brak w załączniku"}}},
      {"a type the reference lacks",
       kSp,
       {"TD,G5NOWY,RO;", "X;"},
       {{9, "O  3001 ST - Dodatkowy typ aplikacyjny G5NOWY - brak takiego typu w załączniku"}}},
      {"a base type other than the reference one",
       kSp,
       {"TD,G5DZE,RO;", "TP,G5IDD;", "TP,G5PEW;", "WR,G5RJDR;", "WR,G5RPOD;", "WW;", "X;"},
       {{9, "B  3002 ST - Typ bazowy rekordu G5DZE niezgodny z załącznikiem"}}},
      {"a reference type without a base type takes any", kSp, {"TD,G5OBR,RO;", "X;"}, {}},
      {"a type defined twice: the second definition is not read",
       kSp,
       {"TD,G5OBR,RO;", "X;", "TD,G5OBR,RO;", "TP,G5NOWY;", "X;"},
       {{11, "O  3013 ST - Wielokrotne wystąpienie definicji rekordu G5OBR"}}},
      {"an attribute code twice in a type",
       kSp,
       {"TD,G5DZE,RC;", "TP,G5IDD;", "TP,G5PEW;", "TP,G5IDD;", "TPW;", "WE,G5RJDR;", "WP;",
        "WR,G5RPOD;", "WW;", "X;"},
       {{12,
         "B  3012 ST - Wielokrotne wystąpienie atrybutu G5IDD w definicji typu rekordu "
         "G5DZE"}}},
      {"a field name taken by an attribute before: the second one is not added",
       kSp,
       {"TD,G5DZE,RC;", "TP,G5IDD;", "TPN,POLE;", "TP,G5PEW;", "TPN,POLE;", "WE,G5RJDR;", "WP;",
        "WR,G5RPOD;", "WW;", "X;"},
       {{12,
         "B  3012 ST - Wielokrotne wystąpienie atrybutu G5PEW w definicji typu rekordu "
         "G5DZE"},
        {9,
         "B  3003 ST - Brak wymaganego atrybutu G5PEW w definicji typu G5DZE - niezgodność "
         "z załącznikiem"}}},
      {"an attribute neither declared in SP nor known to the reference type",
       kSp,
       {"TD,G5DZE,RC;", "TP,G5IDD;", "TP,G5PEW;", "TP,G5NOWY;", "WE,G5RJDR;", "WP;", "WR,G5RPOD;",
        "WW;", "X;"},
       {{12, "B  3009 ST - Atrybut G5NOWY nie jest zadeklarowany w sekcji SP"},
        {12, "O  3007 ST - Dodatkowy atrybut G5NOWY w definicji typu aplikacyjnego G5DZE"}}},
      {"a relation code twice in a type: its follow-up lines are still taken",
       kSp,
       {"TD,G5DZE,RC;", "TP,G5IDD;", "TP,G5PEW;", "WE,G5RJDR;", "WP;", "WR,G5RPOD;", "WW;",
        "WR,G5RPOD;", "WW;", "WN,POD;", "X;"},
       {{16,
         "B  3011 ST - Wielokrotne wystąpienie wiązania G5RPOD w definicji typu rekordu "
         "G5DZE"}}},
      {"a relation neither declared in SP nor known to the reference type",
       kSp,
       {"TD,G5DZE,RC;", "TP,G5IDD;", "TP,G5PEW;", "WE,G5RJDR;", "WP;", "WR,G5RPOD;", "WW;",
        "WR,G5RNOWA;", "X;"},
       {{16, "B  3010 ST - Relacja G5RNOWA nie jest zadeklarowana w sekcji SP"},
        {16, "O  3008 ST - Dodatkowa relacja G5RNOWA w definicji typu aplikacyjnego G5DZE"}}},
      {"an element relation without WP is multiple where the reference one is single",
       kSp,
       {"TD,G5DZE,RC;", "TP,G5IDD;", "TP,G5PEW;", "WE,G5RJDR;", "WR,G5RPOD;", "WW;", "X;"},
       {{12, "B  3006 ST - Nieprawidłowa krotność relacji G5RJDR w definicji typu G5DZE"}}},
      {"a single file relation never gives a multiplicity finding",
       kSp,
       {"TD,G5DZE,RC;", "TP,G5IDD;", "TP,G5PEW;", "WR,G5RJDR;", "WE,G5RPOD;", "WP;", "X;"},
       {}},
      {"a type definition without the reference type's attributes and relations",
       kSp,
       {"TD,G5DZE,RC;", "X;"},
       {{9,
         "B  3003 ST - Brak wymaganego atrybutu G5IDD w definicji typu G5DZE - niezgodność "
         "z załącznikiem"},
        {9,
         "B  3003 ST - Brak wymaganego atrybutu G5PEW w definicji typu G5DZE - niezgodność "
         "z załącznikiem"},
        {9,
         "B  3004 ST - Brak wymaganego wiązania G5RJDR w definicji typu G5DZE - "
         "niezgodność z załącznikiem"},
        {9,
         "B  3004 ST - Brak wymaganego wiązania G5RPOD w definicji typu G5DZE - "
         "niezgodność z załącznikiem"}}},
      {"missing types of levels 1, 2 and 3, on the section's first line",
       kSp,
       {"TD,G5NOWY,RO;", "X;"},
       {{9, "O  3001 ST - Dodatkowy typ aplikacyjny G5NOWY - brak takiego typu w załączniku"},
        {9, "B  3005 ST - Brak definicji typu rekordu G5DZE w sekcji ST"},
        {9, "O  3005 ST - Brak definicji typu rekordu G5OBR w sekcji ST"}},
       [](Metadata& m) {
         m.getTypesSection()->getType("G5DZE")->mandatoryLevel = 1;
         m.getTypesSection()->getType("G5OBR")->mandatoryLevel = 2;
         m.getTypesSection()->addType("G5JEW", "", "")->mandatoryLevel = 3;
       }},
      {"a section without records: the missing types on line 0",
       kSp,
       {},
       {{0, "B  3005 ST - Brak definicji typu rekordu G5DZE w sekcji ST"}},
       [](Metadata& m) { m.getTypesSection()->getType("G5DZE")->mandatoryLevel = 1; }},
      {"condensed: one line per code of key \"\", one per type for the others",
       {"B,G5NOWY,ZN,;", "B,G5INNY,ZN,;"},
       {"TD,G5AAA,RO;", "TP,G5X;", "TP,G5Y;", "X;", "TD,G5BBB,RO;", "X;"},
       {{3, "O  2003 SP - Dodatkowy atrybut G5NOWY - brak w załączniku"},
        {7, "O  3001 ST - Dodatkowy typ aplikacyjny G5AAA - brak takiego typu w załączniku"},
        {8, "B  3009 ST - Atrybut G5X nie jest zadeklarowany w sekcji SP"},
        {11, "O  3001 ST - Dodatkowy typ aplikacyjny G5BBB - brak takiego typu w załączniku"}},
       nullptr,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReportedRun r(c.condensed);
    bzRun<AnalyzerProcess> p(r);
    if (c.reference) c.reference(p.annex);
    const std::string content = document(c.sp, c.st);
    Opened file(content);
    file.next(scSP);
    EXPECT_TRUE(p.analyzer.loadFromFileSWDE_SP(file.reader.get()));
    file.next(scST);
    EXPECT_TRUE(p.analyzer.loadFromFileSWDE_ST(file.reader.get()));

    std::vector<testsupport::ReportLine> expected;
    std::uint32_t errors = 0, warnings = 0;
    for (const Finding& f : c.expected) {
      expected.push_back(
          {f.line, 0, offsetOfLine(content, f.line), plat::IntToStr(f.line) + " " + cp(f.text)});
      ++(f.text[0] == 'B' ? errors : warnings);
    }
    EXPECT_EQ(findings(r.report), expected);
    if (!c.condensed) {
      EXPECT_EQ(p.fileErrors(), errors);
      EXPECT_EQ(p.fileWarnings(), warnings);
    }
    EXPECT_EQ(p.runErrors(), p.fileErrors());
    EXPECT_EQ(p.runWarnings(), p.fileWarnings());
  }
}

// A faulty line ends the section's reading: its reader error line is the
// last line written, the loader answers false, and an ST section stopped so
// is not checked for missing types.
TEST(MdAnalyzerFile, AFaultyLineStopsTheReading) {
  struct Faulty {
    const char* name;
    std::vector<std::string> sp;
    std::vector<std::string> st;
    bool spRead;  // the SP loader's answer
    std::vector<Finding> expected;
  };
  const Faulty cases[] = {
      {"SP: a B line with a field too few",
       {"B,G5IDD,ZN,;", "B,G5PEW,DN;", "B,G5NOWY,ZN,;"},
       {},
       false,
       {{4, "B   122 - Nieprawidłowa liczba pól"}}},
      {"ST: a TD line without its base type",
       kSp,
       {"TD,G5NOWY,RO;", "X;", "TD,G5OBR,;", "TP,G5INNY;", "X;", "TD,G5AAA,RO;", "X;"},
       true,
       {{9, "O  3001 ST - Dodatkowy typ aplikacyjny G5NOWY - brak takiego typu w załączniku"},
        {11, "B   130 - Pole nr 3 nie może być puste"}}},
  };
  for (const Faulty& c : cases) {
    SCOPED_TRACE(c.name);
    ReportedRun r(false);
    bzRun<AnalyzerProcess> p(r);
    p.annex.getTypesSection()->getType("G5DZE")->mandatoryLevel = 1;
    const std::string content = document(c.sp, c.st);
    Opened file(content);
    file.next(scSP);
    EXPECT_EQ(p.analyzer.loadFromFileSWDE_SP(file.reader.get()), c.spRead);
    if (c.spRead) {
      file.next(scST);
      EXPECT_FALSE(p.analyzer.loadFromFileSWDE_ST(file.reader.get()));
    }
    std::vector<testsupport::ReportLine> expected;
    for (const Finding& f : c.expected)
      expected.push_back(
          {f.line, 0, offsetOfLine(content, f.line), plat::IntToStr(f.line) + " " + cp(f.text)});
    EXPECT_EQ(findings(r.report), expected);
    EXPECT_EQ(p.runErrors(), 1u);
  }
}

// A type definition is read up to its end line; a record that has none makes
// the reader refuse the line past its last one.
TEST(MdAnalyzerFile, ATypeRecordWithoutItsEndLineIsAReaderFailure) {
  ReportedRun r(false);
  bzRun<AnalyzerProcess> p(r);
  Opened file(kHeader + "SP;\nSX;\nST;\nTD,G5OBR,RO;\nTP,G5IDD;\nSX;\nSWDEX;\n");
  file.next(scSP);
  file.next(scST);
  ComPtr<RekordSW> record;
  ASSERT_EQ(file.reader->dajKolejnyRekord(&record), plat::S_OK);
  ASSERT_TRUE(record);
  try {
    p.analyzer.parseType(record.get());
    FAIL() << "no exception";
  } catch (const bzCOMException& e) {
    EXPECT_EQ(e.file, "bzMdAnalyzer");
    EXPECT_TRUE(plat::FAILED(e.hr));
  }
}

}  // namespace
