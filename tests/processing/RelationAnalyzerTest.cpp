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
#include "processing/bzRelationAnalyzer.h"
#include "processing/bzSemanticProcess.h"
#include "reader/LiniaSW.h"
#include "reader/PlikSW.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"
#include "support/TempFile.h"
#include "syntax/Sxcodes.h"
#include "syntax/Sxline.h"

using namespace swde;
using plat::cp;

namespace {

using testsupport::findings;
using testsupport::offsetOfLine;

using plat::ComPtr;

ReferenceDef* reference(RecordType* type, const char* code, std::vector<const char*> targets,
                        bool multiple = true) {
  ReferenceDef* r = type->addReference(code, "");
  r->multiple = multiple;
  for (const char* t : targets) r->addRefTypeName(t);
  return r;
}

ReferenceDef* element(RecordType* type, const char* code, bool multiple, int level) {
  ReferenceDef* r = type->addReference(code, "");
  r->element = true;
  r->multiple = multiple;
  r->mandatoryLevel = level;
  return r;
}

// The reference model of the cases. G5BUD points to G5DZE by object (G5RDZE)
// and by record identifier (G5RKAT). G5CZ is a component of the complex
// G5KOMP: G5RCZ single, G5RWIELE multiple, G5ROPC single but optional.
// G5PUSTY is complex without components; G5PKT is a point; G5OPS has one
// mandatory attribute.
void buildReference(Metadata& m) {
  m.getAttribsSection()->addAttribute("G5OPIS")->type = "ZN";
  TypesSection* st = m.getTypesSection();
  st->addType("G5DZE", "RD", "");
  st->addType("G5PKT", "RP", "");
  st->addType("G5OPS", "RD", "")->addAttribute("G5OPIS", "")->mandatoryLevel = 1;
  RecordType* bud = st->addType("G5BUD", "RD", "");
  reference(bud, "G5RDZE", {"G5DZE"});
  reference(bud, "G5RKAT", {"G5DZE"});
  RecordType* komp = st->addType("G5KOMP", "RC", "");
  element(komp, "G5RCZ", false, 2);
  element(komp, "G5RWIELE", true, 2);
  element(komp, "G5ROPC", false, 3);
  RecordType* cz = st->addType("G5CZ", "RD", "");
  for (const char* code : {"G5RCZ", "G5RWIELE", "G5ROPC"}) reference(cz, code, {"G5KOMP"});
  st->addType("G5PUSTY", "RC", "");
  st->addType("G5KON", "RO", "");
}

// A process that owns the analyzer over the reference model and one file
// model, as the semantic process does.
class RelationProcess : public bzSemanticProcess {
 public:
  RelationProcess(RunKey key, testsupport::RunObjects& r)
      : bzSemanticProcess(key, &r.files, &r.report, &r.settings, &r.state), analyzer(this, 700) {
    for (auto& c : counters) c = std::make_unique<bzCounter>();
    buildReference(annex);
    analyzer.annexMetadata = &annex;
    analyzer.fileMetadata = &file;
  }
  AnsiString getTitle() const override { return "test"; }

  // The analyzer loads input i from now on.
  void beginFile(int i) {
    currentFile = i;
    current = FileInfo{0, 0, FileInfo::Opened};
  }
  // Its counts into the shared state, as the process does at a file's end.
  void endFile() { updateState(); }

  std::uint32_t fileErrors() const { return current.errors; }
  std::uint32_t runErrors() const { return totalErrors; }
  int count(int kind, const AnsiString& key) const {
    bool found = false;
    const bzCounter::Cursor at = counters[kind]->find(key, found);
    return found ? at->second : 0;
  }

  Metadata annex;
  Metadata file;
  bzRelationAnalyzer analyzer;

 protected:
  int process() override { return 0; }
};

// Run objects with the report made on a list of input files.
struct ReportedRun : testsupport::RunObjects {
  explicit ReportedRun(bool condensed = false, int inputs = 1) {
    settings.reportCondensed = condensed;
    for (int i = 0; i < inputs; ++i) files.addFile("plik" + std::to_string(i) + ".swd", "/dane/");
    EXPECT_TRUE(report.Create(&files));
    testsupport::drain(report);
  }
};

// The document: header (line 1), "SO;" (line 2), the lines from line 3 on.
std::string document(const std::vector<std::string>& so) {
  std::string out = "SWDE.W.1.13.0;test\nSO;\n";
  for (const std::string& l : so) out += l + "\n";
  return out + "SX;\nSWDEX;\n";
}

// One expected finding: its line and the rest of its text (UTF-8).
struct Finding {
  std::int64_t line;
  std::string text;
};

std::vector<testsupport::ReportLine> expectedLines(const std::string& content, int fileIdx,
                                                   const std::vector<Finding>& expected) {
  std::vector<testsupport::ReportLine> out;
  for (const Finding& f : expected)
    out.push_back({f.line, fileIdx, offsetOfLine(content, f.line),
                   plat::IntToStr(f.line) + " " + cp(f.text)});
  return out;
}

// A reader opened on the document and moved to its SO section.
struct Opened {
  explicit Opened(const std::string& content) : temp(content) {
    EXPECT_EQ(reader->otworz(temp.path(), 0), plat::S_OK);
    std::int32_t section = 0;
    EXPECT_EQ(reader->ustawNaKolejnaSekcje(&section), plat::S_OK);
    EXPECT_EQ(section, scSO);
  }
  testsupport::TempFile temp;
  ComPtr<PlikSW> reader{new PlikSW()};
};

// Loads content as input i of the run.
void loadFile(RelationProcess& p, const std::string& content, int i = 0) {
  Opened file(content);
  p.beginFile(i);
  EXPECT_TRUE(p.analyzer.load(file.reader.get()));
  p.endFile();
}

// ---------------------------------------------------------------------------
// Loading

TEST(RelationAnalyzer, DuplicateIdentifiersWhileLoading) {
  struct Case {
    const char* name;
    std::vector<std::string> so;
    std::vector<Finding> expected;
    bool condensed = false;
  };
  const Case cases[] = {
      {"two current versions of one object",
       {"RD,,G5DZE,D1,R1,01;", "X;", "RD,,G5DZE,D1,R2,11;", "X;"},
       {{5,
         "B  6034 SO - Wielokrotne wystąpienie aktualnej wersji obiektu G5DZE o "
         "identyfikatorze obiektu równym: D1"}}},
      {"a current and an archival version",
       {"RD,,G5DZE,D1,R1,01;", "X;", "RD,,G5DZE,D1,R2,02;", "X;"},
       {}},
      {"the same object identifier under two types",
       {"RD,,G5DZE,D1,R1,01;", "X;", "RP,,G5PKT,D1,R2,01;", "P,G,1,2,;", "X;"},
       {}},
      {"a current version behind one of another type",
       {"RP,,G5PKT,D1,R1,01;", "P,G,1,2,;", "X;", "RD,,G5DZE,D1,R2,00;", "X;",
        "RD,,G5DZE,D1,R3,10;", "X;"},
       {{8,
         "B  6034 SO - Wielokrotne wystąpienie aktualnej wersji obiektu G5DZE o "
         "identyfikatorze obiektu równym: D1"}}},
      {"a record identifier twice in one file",
       {"RD,,G5DZE,D1,R1,01;", "X;", "RD,,G5DZE,D2,R1,01;", "X;"},
       {{5, "B  6035 SO - Wielokrotne wystąpienie obiektu o identyfikatorze rekordu równym: R1"}}},
      {"condensed: 6035 has one line in the run, whatever the type",
       {"RD,,G5DZE,D1,R1,01;", "X;", "RD,,G5DZE,D2,R1,01;", "X;", "RP,,G5PKT,P1,R1,01;",
        "P,G,1,2,;", "X;"},
       {{5, "B  6035 SO - Wielokrotne wystąpienie obiektu o identyfikatorze rekordu równym: R1"}},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReportedRun r(c.condensed);
    bzRun<RelationProcess> p(r);
    const std::string content = document(c.so);
    loadFile(p, content);
    EXPECT_EQ(findings(r.report), expectedLines(content, 0, c.expected));
    if (!c.condensed) {
      EXPECT_EQ(p.fileErrors(), c.expected.size());
    }
  }
}

// A version that was not indexed is no target: the archival one of the
// pair stays findable, the second current one is not.
TEST(RelationAnalyzer, IndexesHoldTheAcceptedIdentifiers) {
  ReportedRun r;
  bzRun<RelationProcess> p(r);
  loadFile(p, document({"RD,,G5DZE,D1,R1,02;", "X;", "RD,,G5DZE,D1,R2,01;", "X;",
                        "RD,,G5DZE,D1,R3,11;", "X;"}));
  bool found = false;
  smRecord* current = p.analyzer.getRecord(true, "D1", "G5DZE", &found, 0);
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(current->recordId, "R2");
  found = false;
  smRecord* byRecord = p.analyzer.getRecord(false, "R3", "", &found, 0);
  ASSERT_NE(byRecord, nullptr);
  EXPECT_EQ(byRecord->status, "11");
  found = false;
  EXPECT_EQ(p.analyzer.getRecord(false, "R1", "", &found, 1), nullptr);
  EXPECT_FALSE(found);
  EXPECT_EQ(p.analyzer.recordCount(), 3u);
}

// A faulty record ends the loading: its error line is written and the
// records after it are not loaded.
TEST(RelationAnalyzer, AFaultyRecordStopsTheLoading) {
  ReportedRun r;
  bzRun<RelationProcess> p(r);
  Opened file(
      document({"RD,,G5DZE,D1,R1,01;", "X;", "RD,,G5DZE,D2;", "X;", "RD,,G5DZE,D3,R3,01;", "X;"}));
  p.beginFile(0);
  EXPECT_FALSE(p.analyzer.load(file.reader.get()));
  const std::vector<testsupport::ReportLine> written = findings(r.report);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].lineNo, 5);
  EXPECT_EQ(p.fileErrors(), 1u);
  EXPECT_EQ(p.analyzer.recordCount(), 1u);
  bool found = false;
  EXPECT_EQ(p.analyzer.getRecord(true, "D3", "G5DZE", &found, 0), nullptr);
  EXPECT_FALSE(found);
}

// A line as the reader hands it out, made by hand: the reader refuses these
// before the analyzer sees them.
ComPtr<LiniaSW> handLine(sxLineCode code, std::uint64_t number, std::vector<std::string> fields) {
  auto line = std::make_shared<sxLine>(code, number);
  for (const std::string& f : fields) line->addField(f);
  line->syntaxOk = 1;
  line->contextOk = 1;
  return ComPtr<LiniaSW>(new LiniaSW(line, nullptr));
}

// A record line without an object identifier: 6036, the record stays in the
// run but out of the object index.
TEST(RelationAnalyzer, ARecordWithoutObjectIdentifier) {
  ReportedRun r;
  bzRun<RelationProcess> p(r);
  p.beginFile(0);
  std::unique_ptr<smObject> object;
  smRecord* record = p.analyzer.parseRecordLine(
      handLine(lcRD, 7, {"RD", "", "G5DZE", "", "R1", "01"}).get(), &object);
  ASSERT_NE(record, nullptr);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(findings(r.report),
            (std::vector<testsupport::ReportLine>{
                {7, 0, 0,
                 "7 " + cp("B  6036 SO - Obiekt G5DZE powinien posiadać wypełnione pole "
                           "identyfikatora obiektu")}}));
  EXPECT_EQ(p.fileErrors(), 1u);
  EXPECT_EQ(p.analyzer.recordCount(), 1u);
  bool found = false;
  EXPECT_EQ(p.analyzer.getRecord(true, "", "G5DZE", &found, 0), nullptr);
  EXPECT_FALSE(found);
  EXPECT_EQ(p.analyzer.getRecord(false, "R1", "", &found, 0), record);
}

// An attribute value ";" is stored but not counted; a P line of a kind other
// than P or K adds no relation.
TEST(RelationAnalyzer, AttributeAndTopologicalLines) {
  ReportedRun r;
  bzRun<RelationProcess> p(r);
  p.beginFile(0);
  smObject object("G5OPS");
  p.analyzer.parseAttributeLine(handLine(lcD, 4, {"D", "G5OPIS", "ZN", ";"}).get(), &object);
  const smAttribute* stored = object.getAttributeByCode("G5OPIS");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->value, ";");
  EXPECT_EQ(stored->line, 4u);
  EXPECT_EQ(p.count(bzProcessThread::ckAttributes, "G5OPIS"), 0);
  p.analyzer.parseAttributeLine(handLine(lcD, 5, {"D", "G5OPIS", "ZN", "tekst"}).get(), &object);
  EXPECT_EQ(p.count(bzProcessThread::ckAttributes, "G5OPIS"), 1);

  smRecord* record = p.analyzer.addRecord("G5KON");
  p.analyzer.parseTopologicalRelatLine(handLine(lcP, 6, {"P", "X", "G5PKT", "P1"}).get(), record);
  EXPECT_EQ(record->getFirstRelation(), nullptr);
  p.analyzer.parseTopologicalRelatLine(handLine(lcP, 7, {"P", "K", "R1"}).get(), record);
  const smRelation* kept = record->getFirstRelation();
  ASSERT_NE(kept, nullptr);
  EXPECT_TRUE(kept->topological);
  EXPECT_FALSE(kept->byObjectId);
  EXPECT_EQ(kept->targetId, "R1");
  EXPECT_EQ(record->getNextRelation(), nullptr);
}

// ---------------------------------------------------------------------------
// The passes

struct PassCase {
  const char* name;
  std::vector<std::string> so;
  std::vector<Finding> expected;
  std::function<void(Metadata&)> fileModel = nullptr;
};

void runPasses(const PassCase& c) {
  SCOPED_TRACE(c.name);
  ReportedRun r;
  bzRun<RelationProcess> p(r);
  if (c.fileModel) {
    c.fileModel(p.file);
    p.analyzer.fileMetadataPresent = true;
  }
  const std::string content = document(c.so);
  loadFile(p, content);
  findings(r.report);  // the objects' own findings are not under test here
  p.analyzer.analyzeRelations();
  p.analyzer.analyzeCountRelations();
  EXPECT_EQ(findings(r.report), expectedLines(content, 0, c.expected));
  EXPECT_EQ(p.analyzer.passErrors(0), c.expected.size());
}

// A file model that files the relation code under a field name of its own in
// the record type.
std::function<void(Metadata&)> renamed(const char* type, const char* base, const char* code,
                                       const char* field) {
  return [=](Metadata& m) {
    RecordType* t = m.getTypesSection()->addType(type, base, "");
    t->addReference(code, field);
  };
}

TEST(RelationAnalyzer, RelationTargets) {
  const std::string d1 = "RD,,G5DZE,D1,R1,01;";
  const std::string p1 = "RP,,G5PKT,P1,R1,01;";
  const PassCase cases[] = {
      {"targets by object and record identifier that resolve",
       {d1, "X;", "RD,,G5BUD,B1,R2,01;", "WG,G5RDZE,G5DZE,D1;", "WL,G5RKAT,R1;", "X;"},
       {}},
      {"an identifier only in an archival version",
       {"RD,,G5DZE,D1,R1,02;", "X;", "RD,,G5BUD,B1,R2,01;", "WG,G5RDZE,G5DZE,D1;", "X;"},
       {{6,
         "B  6025 SO - Wiązanie G5RDZE z obiektu G5BUD wskazuje na nieaktualną wersję "
         "obiektu"}}},
      {"an identifier only under another type",
       {"RP,,G5PKT,D1,R1,01;", "P,G,1,2,;", "X;", "RD,,G5BUD,B1,R2,01;", "WG,G5RDZE,G5DZE,D1;",
        "X;"},
       {{7,
         "B  6023 SO - Obiekt wskazywany przez relację G5RDZE z obiektu G5BUD nie "
         "istnieje"}}},
      {"a record identifier that is nowhere",
       {d1, "X;", "RD,,G5BUD,B1,R2,01;", "WL,G5RKAT,R9;", "X;"},
       {{6,
         "B  6023 SO - Obiekt wskazywany przez relację G5RKAT z obiektu G5BUD nie "
         "istnieje"}}},
      {"a record identifier of a type the reference does not allow",
       {p1, "P,G,1,2,;", "X;", "RD,,G5BUD,B1,R2,01;", "WL,G5RKAT,R1;", "X;"},
       {{7,
         "B  6010 SO - Typ wskazywany przez wiązanie G5RKAT w obiekcie G5BUD niezgodny z "
         "załącznikiem"}}},
      {"the same when the file names the relation field of its own",
       {p1, "P,G,1,2,;", "X;", "RD,,G5BUD,B1,R2,01;", "WL,G5RKAT,R1;", "X;"},
       {{7,
         "B  6010 SO - Typ wskazywany przez wiązanie G5RKAT w obiekcie G5BUD niezgodny z "
         "załącznikiem"}},
       renamed("G5BUD", "RD", "G5RKAT", "KATEGORIA")},
      {"topological relations: to points, to no point, outdated, missing",
       {p1, "P,G,1,2,;", "X;", "RP,,G5PKT,P2,R2,12;", "P,G,1,2,;", "X;", "RD,,G5DZE,D1,R3,01;",
        "X;", "RO,,G5KON,T1,R4,01;", "GL;", "P,P,G5PKT,P1;", "P,K,R1;", "P,P,G5DZE,D1;", "P,K,R3;",
        "P,P,G5PKT,P2;", "P,P,G5PKT,P9;", "PZ;", "GX;", "X;"},
       {{15,
         "B  6032 SO - Relacja topologiczna z obiektu G5KON wskazuje na obiekt nie "
         "będący punktem"},
        {16,
         "B  6032 SO - Relacja topologiczna z obiektu G5KON wskazuje na obiekt nie "
         "będący punktem"},
        {17,
         "B  6031 SO - Relacja topologiczna z obiektu G5KON wskazuje na nieaktualną "
         "wersję obiektu"},
        {18,
         "B  6030 SO - Obiekt wskazywany przez relację topologiczną z obiektu G5KON nie "
         "istnieje "}}},
      {"refused records check nothing but are targets",
       {"RD,,G5DZE,D1,R1,20;", "X;", "RD,,G5INNY,N1,R2,01;", "X;", "RD,,G5BUD,B1,R3,21;",
        "WG,G5RDZE,G5DZE,D9;", "X;", "RD,,G5BUD,B2,R4,01;", "WG,G5RDZE,G5DZE,D1;", "WL,G5RKAT,R1;",
        "WL,G5RKAT,R2;", "X;"},
       {{13,
         "B  6010 SO - Typ wskazywany przez wiązanie G5RKAT w obiekcie G5BUD niezgodny z "
         "załącznikiem"}}},
  };
  for (const PassCase& c : cases) runPasses(c);
}

TEST(RelationAnalyzer, ComponentCounts) {
  const std::string komp = "RC,,G5KOMP,K1,R1,01;";
  const PassCase cases[] = {
      {"a single component twice, a multiple one three times",
       {komp, "X;", "RD,,G5CZ,C1,R2,01;", "WL,G5RCZ,R1;", "WL,G5RWIELE,R1;", "X;",
        "RD,,G5CZ,C2,R3,01;", "WL,G5RCZ,R1;", "WL,G5RWIELE,R1;", "WL,G5RWIELE,R1;", "X;"},
       {{3,
         "B  6027 SO - Niepoprawna ilość obiektów składowych wskazujących na obiekt "
         "G5KOMP, poprzez relację G5RCZ. Spodziewana krotność '1'"}}},
      {"a multiple component missing; the optional one is not checked",
       {komp, "X;", "RD,,G5CZ,C1,R2,01;", "WG,G5RCZ,G5KOMP,K1;", "X;"},
       {{3,
         "B  6027 SO - Niepoprawna ilość obiektów składowych wskazujących na obiekt "
         "G5KOMP, poprzez relację G5RWIELE. Spodziewana krotność '1+'"}}},
      {"a component counts by its code when the file names the field of its own",
       {komp, "X;", "RD,,G5CZ,C1,R2,01;", "WL,G5RCZ,R1;", "WL,G5RWIELE,R1;", "X;"},
       {},
       renamed("G5CZ", "RD", "G5RCZ", "CZESC")},
      {"a complex record nothing links is not examined", {komp, "X;"}, {}},
      {"a linked complex record of a type without components",
       {"RC,,G5PUSTY,K1,R1,01;", "X;", "RO,,G5KON,T1,R2,01;", "GL;", "P,K,R1;", "PZ;", "GX;", "X;"},
       {{7,
         "B  6032 SO - Relacja topologiczna z obiektu G5KON wskazuje na obiekt nie będący "
         "punktem"},
        {3, "B  6029 SO - Brak rekordów składowych wskazujących na obiekt G5PUSTY"}}},
  };
  for (const PassCase& c : cases) runPasses(c);
}

// Enough records for the identifier indexes to grow many times over: every
// target is still found by both identifiers, and a duplicate of an early
// identifier that comes late is still seen.
TEST(RelationAnalyzer, ManyRecordsKeepEveryIdentifier) {
  constexpr int kParcels = 300;
  std::vector<std::string> so;
  for (int i = 0; i < kParcels; ++i) {
    so.push_back("RD,,G5DZE,D" + std::to_string(i) + ",R" + std::to_string(i) + ",01;");
    so.push_back("X;");
  }
  for (int i = 0; i < kParcels; ++i) {
    so.push_back("RD,,G5BUD,B" + std::to_string(i) + ",S" + std::to_string(i) + ",01;");
    so.push_back("WG,G5RDZE,G5DZE,D" + std::to_string(kParcels - 1 - i) + ";");
    so.push_back("WL,G5RKAT,R" + std::to_string(i) + ";");
    so.push_back("X;");
  }
  // A second current version of every seventh parcel, and one record
  // identifier given again.
  std::vector<std::string> twice;
  for (int i = 0; i < kParcels; i += 7) {
    so.push_back("RD,,G5DZE,D" + std::to_string(i) + ",T" + std::to_string(i) + ",11;");
    so.push_back("X;");
    twice.push_back("D" + std::to_string(i));
  }
  so.push_back("RD,,G5DZE,DX,R150,01;");
  so.push_back("X;");

  ReportedRun r;
  bzRun<RelationProcess> p(r);
  loadFile(p, document(so));
  p.analyzer.analyzeRelations();
  p.analyzer.analyzeCountRelations();

  std::vector<std::string> clashes;
  int recordIdTwice = 0;
  for (const testsupport::ReportLine& l : findings(r.report)) {
    const std::string text = plat::cp1250ToUtf8(l.text);
    if (text.find(" 6034 ") != std::string::npos)
      clashes.push_back(text.substr(text.rfind(' ') + 1));
    else if (text.find(" 6035 ") != std::string::npos && text.ends_with(": R150"))
      ++recordIdTwice;
    else
      ADD_FAILURE() << text;
  }
  EXPECT_EQ(clashes, twice);
  EXPECT_EQ(recordIdTwice, 1);
  EXPECT_EQ(p.count(bzProcessThread::ckRelationTargets, "G5RDZE?G5DZE"), kParcels);
  EXPECT_EQ(p.count(bzProcessThread::ckRelationTargets, "G5RKAT?G5DZE"), kParcels);
}

// Statistics of pass 1: refused records count in none.
TEST(RelationAnalyzer, Statistics) {
  ReportedRun r;
  bzRun<RelationProcess> p(r);
  loadFile(
      p, document({"RD,,G5DZE,D1,R1,01;", "X;", "RD,,G5DZE,D2,R2,02;", "X;", "RD,,G5DZE,D3,R3,22;",
                   "X;", "RD,,G5BUD,B1,R4,01;", "WG,G5RDZE,G5DZE,D1;", "WL,G5RKAT,R1;", "X;"}));
  p.analyzer.analyzeRelations();
  EXPECT_EQ(p.count(bzProcessThread::ckObjectTypes, "G5DZE"), 2);
  EXPECT_EQ(p.count(bzProcessThread::ckObjectTypes, "G5BUD"), 1);
  EXPECT_EQ(p.count(bzProcessThread::ckArchivalTypes, "G5DZE"), 1);
  EXPECT_EQ(p.count(bzProcessThread::ckRelations, "G5RDZE"), 1);
  EXPECT_EQ(p.count(bzProcessThread::ckRelations, "G5RKAT"), 1);
  EXPECT_EQ(p.count(bzProcessThread::ckRelationTargets, "G5RDZE?G5DZE"), 1);
  EXPECT_EQ(p.count(bzProcessThread::ckRelationTargets, "G5RKAT?G5DZE"), 1);
}

// Two files: object identifiers are run-wide, record identifiers belong to
// their file; pass findings count to the file of the record they name.
TEST(RelationAnalyzer, AcrossFiles) {
  ReportedRun r(false, 2);
  bzRun<RelationProcess> p(r);
  const std::string first = document({"RD,,G5DZE,D1,R1,01;", "X;", "RD,,G5DZE,D2,R5,01;", "X;",
                                      "RD,,G5BUD,B1,R2,01;", "WG,G5RDZE,G5DZE,D9;", "X;"});
  const std::string second = document({"RD,,G5DZE,D3,R1,01;", "X;", "RD,,G5BUD,B2,R2,01;",
                                       "WG,G5RDZE,G5DZE,D1;", "WL,G5RKAT,R5;", "X;"});
  loadFile(p, first, 0);
  loadFile(p, second, 1);
  EXPECT_EQ(findings(r.report), std::vector<testsupport::ReportLine>{});
  p.analyzer.analyzeRelations();
  p.analyzer.analyzeCountRelations();

  // The records of a type in load order: the first file's first.
  std::vector<testsupport::ReportLine> expected = expectedLines(
      first, 0,
      {{8, "B  6023 SO - Obiekt wskazywany przez relację G5RDZE z obiektu G5BUD nie istnieje"}});
  const std::vector<testsupport::ReportLine> inSecond = expectedLines(
      second, 1,
      {{7, "B  6023 SO - Obiekt wskazywany przez relację G5RKAT z obiektu G5BUD nie istnieje"}});
  expected.insert(expected.end(), inSecond.begin(), inSecond.end());
  EXPECT_EQ(findings(r.report), expected);

  EXPECT_EQ(p.analyzer.passErrors(0), 1u);
  EXPECT_EQ(p.analyzer.passErrors(1), 1u);
  EXPECT_EQ(p.runErrors(), 2u);
  EXPECT_EQ(r.state.getFileInfo(0).errors, 1u);
  EXPECT_EQ(r.state.getFileInfo(1).errors, 1u);
  EXPECT_EQ(r.state.getTotalErrorsNum(), 2u);
  EXPECT_EQ(r.state.getStateMessage(), cp("Analiza spójności referencji - etap 2"));
}

}  // namespace
