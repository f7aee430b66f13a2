// The writing of the part result: the merged metadata sections and the
// pairing of the objects with their SO section, on models and object lists
// made by the test, and once through the first pass on the sample pair.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "merge/Mgfile.h"
#include "merge/Mgobject.h"
#include "metadata/Attribssection.h"
#include "metadata/Attribtype.h"
#include "metadata/Attributedef.h"
#include "metadata/Contextrecord.h"
#include "metadata/Contextsection.h"
#include "metadata/Referencedef.h"
#include "metadata/Relationtype.h"
#include "metadata/Typessection.h"
#include "metadata/Usrcontextrecord.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "processing/bzMergeProcess.h"
#include "processing/bzMergeRules.h"
#include "processing/bzReport.h"
#include "support/Files.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"

using namespace swde;
using plat::cp;

namespace {

using Line = testsupport::ReportLine;

// Lines joined, each ended with CR LF.
std::string crlf(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* l : lines) out += std::string(l) + "\r\n";
  return out;
}

// The merge with its write steps open to the test, run on the test's thread.
class WriteProbe : public bzMergeProcess {
 public:
  WriteProbe(RunKey key, testsupport::RunObjects& r)
      : bzMergeProcess(key, &r.files, &r.report, &r.settings, &r.state) {}

  using bzMergeProcess::fileMetadata;
  using bzMergeProcess::fileObjects;
  using bzMergeProcess::mergedPrecincts;
  using bzMergeProcess::mergeFiles;
  using bzMergeProcess::mergeMetadata;
  using bzMergeProcess::mergeObjects;
  using bzMergeProcess::partResultFile;
  using bzMergeProcess::spoolFiles;
  using bzMergeProcess::WrittenRecord;
  using bzMergeProcess::writtenRecords;

  std::uint32_t errors() const { return totalErrors; }
  std::uint32_t warnings() const { return totalWarns; }
};

// Two models, two object lists with their spools and a part result in a
// folder of the test's own.
struct WriteRun : testsupport::RunObjects {
  testsupport::TempFolder folder{"olvmergewrite"};
  std::unique_ptr<bzRun<WriteProbe>> p;
  int objectsMade = 0;

  WriteRun() {
    files.addFile("a.swd", folder / "a.swd");
    files.addFile("b.swd", folder / "b.swd");
    EXPECT_TRUE(report.Create(&files));
    p = std::make_unique<bzRun<WriteProbe>>(*this);
    for (int i = 0; i < 2; ++i) {
      p->fileMetadata[i] = std::make_unique<Metadata>();
      p->spoolFiles[i] = std::make_unique<mgFile>();
      p->spoolFiles[i]->openTempFile(folder.path());
    }
    p->partResultFile = std::make_unique<mgFile>();
    p->partResultFile->openTempFile(folder.path());
  }

  Metadata& a() { return *p->fileMetadata[0]; }
  Metadata& b() { return *p->fileMetadata[1]; }

  std::string result() {
    return p->partResultFile->readLinesFromFile(0, p->partResultFile->position());
  }

  // An object of type in input with key and version, numbered n (counted
  // over both inputs from 1): new record identifier n, kept identifier "I<n>",
  // record name "R<n>", line 10n at byte 100n. Its text tells its number: a
  // geometric part object holds "P,P,G5PKT,<n>;" in its geometry,
  // "D,G5IDD,D,<key>;" and "WG,G5RPKT,G5PKT,<n>;"; a descriptive one
  // "D,G5PEW,D,<n>;" and "WL,G5RDZE,<n>;"; any other "D,G5PEW,D,<n>;".
  mgObject& add(int input, const std::string& type, const std::string& key,
                const std::string& version = "11") {
    const int n = ++objectsMade;
    const std::string id = std::to_string(n);
    auto o = std::make_unique<mgObject>();
    o->fileIndex = input;
    o->objectType = type;
    o->mergedType = bzMergeRules::mergedType(type);
    o->mergeKey = key;
    o->version = version;
    o->recordName = "R" + id;
    o->objectId = key.empty() ? id : key;
    o->keptId = "I" + id;
    o->newRecordId = id;
    o->lineNumber = 10 * n;
    o->filePosition = 100 * n;
    std::string text[mgObject::kParts];
    switch (bzMergeRules::readerOf(type)) {
      case bzMergeRules::Reader::geometry:
        o->part = 0;
        o->recordKind = "RO";
        text[0] = "P,P,G5PKT," + id + ";\r\n";
        text[1] = "D,G5IDD,D," + key + ";\r\n";
        text[2] = "WG,G5RPKT,G5PKT," + id + ";\r\n";
        o->references[0].p = 1;
        o->references[2].wg = 1;
        break;
      case bzMergeRules::Reader::description:
        o->part = 1;
        o->recordKind = "RD";
        text[0] = "D,G5PEW,D," + id + ";\r\nWL,G5RDZE," + id + ";\r\n";
        o->references[0].wl = 1;
        break;
      default:
        o->part = 2;
        o->recordKind = "RP";
        text[0] = "D,G5PEW,D," + id + ";\r\n";
        break;
    }
    mgFile& spool = *p->spoolFiles[input];
    o->textStart = spool.position();
    for (int k = 0; k < mgObject::kParts; ++k) {
      o->setTextLength(k, text[k].size());
      spool.saveLinesToFile(text[k]);
    }
    mgObject& ref = *o;
    p->fileObjects[input].push_back(std::move(o));
    return ref;
  }
};

// ---------------------------------------------------------------------------
// Metadata model fillers, as the first pass fills a model.

void ns(Metadata& m, const char* name, const char* value, const char* comment = "") {
  ContextRecord* r = m.getContextSection()->addRecord(bzMergeRules::contextKey(name, value));
  ASSERT_NE(r, nullptr);
  r->firstValue = name;
  r->lastValue = value;
  r->comment = comment;
}

void nu(Metadata& m, const char* name, const char* value, const char* comment = "") {
  UsrContextRecord* r = m.getContextSection()->addUsrRecord(bzMergeRules::contextKey(name, value));
  ASSERT_NE(r, nullptr);
  r->firstValue = name;
  r->lastValue = value;
  r->comment = comment;
}

// An attribute type of a B line of fields fields (identifier included).
void attrType(Metadata& m, const char* name, int fields, const char* type, const char* f3 = "",
              const char* f4 = "", const char* comment = "") {
  AttribType* a = m.getAttribsSection()->addAttribute(name);
  ASSERT_NE(a, nullptr);
  a->type = type;
  a->field3 = f3;
  a->field4 = f4;
  a->fieldCount = fields;
  a->comment = comment;
}

void relType(Metadata& m, const char* name, const char* comment = "") {
  RelationType* r = m.getAttribsSection()->addRelation(name);
  ASSERT_NE(r, nullptr);
  r->comment = comment;
}

RecordType* recType(Metadata& m, const char* name, const char* kind, const char* comment = "") {
  RecordType* t = m.getTypesSection()->addType(name, kind, name);
  EXPECT_NE(t, nullptr);
  if (t) t->comment = comment;
  return t;
}

// A TP group: TPW when multiple, TPN when key is given; comments c0..c2.
void tp(RecordType* t, const char* code, bool multiple = false, const char* key = "",
        std::initializer_list<const char*> comments = {}) {
  AttributeDef* a = t->addAttribute(code, key);
  ASSERT_NE(a, nullptr);
  a->multiple = multiple;
  for (const char* c : comments) a->addComment(c);
}

// A WR group: WW when multiple, WN when key is given.
void wr(RecordType* t, const char* code, bool multiple = false, const char* key = "",
        std::initializer_list<const char*> comments = {}) {
  ReferenceDef* r = t->addReference(code, key);
  ASSERT_NE(r, nullptr);
  r->multiple = multiple;
  for (const char* c : comments) r->addComment(c);
}

// A WE group: WP when single.
void we(RecordType* t, const char* code, bool single,
        std::initializer_list<const char*> comments = {}) {
  ReferenceDef* r = t->addReference(code, "");
  ASSERT_NE(r, nullptr);
  r->element = true;
  r->multiple = !single;
  for (const char* c : comments) r->addComment(c);
}

// The whole metadata part of a part result from the lines of its sections.
std::string metadataText(const std::string& snLines, const std::string& spLines,
                         const std::string& stLines) {
  return "SWDE.w.2.00.(C) ZEDOR 2000;\r\nSN;\r\n" + snLines + "SX;\r\nSP;\r\n" + spLines +
         "SX;\r\nST;\r\n" + stLines + "SX;\r\n";
}

// ---------------------------------------------------------------------------
// The metadata sections

TEST(bzMergeWrite, MetadataSectionsUniteBothModels) {
  struct Case {
    const char* what;
    void (*fill)(Metadata& a, Metadata& b);
    std::string sn, sp, st;
  };
  const Case cases[] = {
      {"two empty models", [](Metadata&, Metadata&) {}, "", "", ""},
      {"context records: one of equal pairs, both of one name with two values, A's first",
       [](Metadata& a, Metadata& b) {
         ns(a, "DN", "2024-01-15", "data A");
         ns(a, "OS", "Kowalski");
         ns(b, "DN", "2024-01-15", "data B");  // the same pair: A's stays
         ns(b, "DN", "2023-12-31");            // another value: a line of its own
         ns(b, "AA", "x", "tylko B");          // B's come after all of A's
         nu(a, "OPERATOR", "Jan");
         nu(b, "OPERATOR", "Jan", "B");
         nu(b, "OPERATOR", "Ewa");
       },
       crlf({"NS,DN,2024-01-15;data A", "NS,OS,Kowalski;", "NS,AA,x;tylko B", "NS,DN,2023-12-31;",
             "NU,OPERATOR,Jan;", "NU,OPERATOR,Ewa;"}),
       "", ""},
      {"attribute and relation types: fields by count, A wins, B's after A's",
       [](Metadata& a, Metadata& b) {
         attrType(a, "G5IDD", 4, "ZN", "", "", "ident");
         attrType(a, "G5PEW", 5, "FL", "10", "2");
         attrType(a, "X", 3, "A");
         attrType(b, "G5IDD", 5, "NO", "1", "2", "B");
         attrType(b, "G5AAA", 4, "DN", "8");
         relType(a, "G5RDZE", "do dz");
         relType(b, "G5RDZE", "B");
         relType(b, "G5RAAA");
       },
       "",
       crlf({"B,G5IDD,ZN,;ident", "B,G5PEW,FL,10,2;", "B,X,A,;", "B,G5AAA,DN,8;", "W,G5RDZE;do dz",
             "W,G5RAAA;"}),
       ""},
      {"record types in byte order of their names, merged types of A as RO",
       [](Metadata& a, Metadata& b) {
         recType(a, "G5ZZZ", "RD");
         recType(a, "G5DZE", "RD", "dzialka");
         recType(a, "G5AAA", "RC");
         recType(b, "G5DZE", "RP", "B");  // A's kind and comment win
         recType(b, "G5BUD", "RD");       // only in B: its own kind
         recType(b, "G5ABC", "RP");
       },
       "", "",
       crlf({"TD,G5AAA,RC;", "X;", "TD,G5DZE,RO;dzialka", "X;", "TD,G5ZZZ,RD;", "X;",
             "TD,G5ABC,RP;", "X;", "TD,G5BUD,RD;", "X;"})},
      {"groups of a type in both: A's, then B's of codes A lacks, by kind",
       [](Metadata& a, Metadata& b) {
         RecordType* ta = recType(a, "G5KLU", "RD");
         tp(ta, "a", false, "", {"a0"});
         tp(ta, "b", true, "", {"b0", "b1"});
         wr(ta, "G5RX", false, "", {"x0"});
         we(ta, "G5RPKT", true, {"e0", "e1"});
         RecordType* tb = recType(b, "G5KLU", "RD");
         tp(tb, "b", false, "", {"B"});  // A has the code: A's group stays
         tp(tb, "c");
         we(tb, "G5RE", false, {"m0", "m1"});  // many components: no WP
         wr(tb, "G5RA", true, "G5KEY", {"r0", "r1", "r2"});
         wr(tb, "G5RX", true);  // A has the code
       },
       "", "",
       crlf({"TD,G5KLU,RD;", "TP,a;a0", "TP,b;b0", "TPW;b1", "TP,c;", "WR,G5RX;x0", "WR,G5RA;r0",
             "WW;r1", "WN,G5KEY;r2", "WE,G5RPKT;e0", "WP;e1", "WE,G5RE;m0", "X;"})},
      {"a key line without the flag line takes the third comment",
       [](Metadata& a, Metadata&) {
         RecordType* t = recType(a, "G5KLU", "RD");
         tp(t, "G5PEW", false, "G5KLUCZ", {"c0", "c1", "c2"});
         wr(t, "G5RDZE", false, "G5IDD", {"w0", "w1", "w2"});
       },
       "", "",
       crlf(
           {"TD,G5KLU,RD;", "TP,G5PEW;c0", "TPN,G5KLUCZ;c2", "WR,G5RDZE;w0", "WN,G5IDD;w2", "X;"})},
      {"a type only in B keeps its own kind, also a merged one, with its groups",
       [](Metadata& a, Metadata& b) {
         recType(a, "G5ZZZ", "RD");
         RecordType* t = recType(b, "G5OBR", "RD", "obreb");
         tp(t, "G5NRO", false, "", {"n"});
         we(t, "G5RPKT", false);
       },
       "", "", crlf({"TD,G5ZZZ,RD;", "X;", "TD,G5OBR,RD;obreb", "TP,G5NRO;n", "WE,G5RPKT;", "X;"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteRun r;
    c.fill(r.a(), r.b());
    EXPECT_TRUE(r.p->mergeMetadata());
    EXPECT_EQ(r.result(), metadataText(c.sn, c.sp, c.st));
  }
}

TEST(bzMergeWrite, TwoEmptyModelsGiveTheBareSections) {
  WriteRun r;
  EXPECT_TRUE(r.p->mergeMetadata());
  EXPECT_EQ(r.result(),
            "SWDE.w.2.00.(C) ZEDOR 2000;\r\nSN;\r\nSX;\r\nSP;\r\nSX;\r\nST;\r\nSX;\r\n");
}

// ---------------------------------------------------------------------------
// The objects

// The SO section of the part result and the findings of the merge.
struct Written {
  std::string so;
  std::vector<Line> findings;
};

Written writeObjects(WriteRun& r) {
  const std::uint64_t start = r.p->partResultFile->position();
  EXPECT_TRUE(r.p->mergeObjects());
  Written w;
  w.so = r.p->partResultFile->readLinesFromFile(start, r.p->partResultFile->position() - start);
  w.findings = testsupport::findings(r.report);
  return w;
}

// A finding of the merge on the object numbered n of input file.
Line finding(int file, int n, int code, int type, const std::string& utf8) {
  const std::int64_t line = 10 * n;
  return {line, file, 100 * n, formatFindingLine(line, type, code, 49, cp(utf8))};
}

constexpr int kError = 0, kWarning = 1;

std::string dump(const std::vector<Line>& lines) {
  std::ostringstream s;
  for (const Line& l : lines) s << l << "\n";
  return s.str();
}

TEST(bzMergeWrite, PairingRules) {
  struct Case {
    const char* what;
    void (*fill)(WriteRun& r);
    std::string so;  // without "SO;" and "SX;"
    std::vector<Line> findings;
  };
  const Case cases[] = {
      {"descriptive part first: one record under its header, geometry first",
       [](WriteRun& r) {
         r.add(0, "G5O_DZE", "146501_1.0001.12");
         r.add(1, "G5G_DZE", "146501_1.0001.12");
       },
       crlf({"RO,R1,G5DZE,I1,1,11;", "P,P,G5PKT,2;", "D,G5PEW,D,1;", "WL,G5RDZE,1;",
             "WG,G5RPKT,G5PKT,2;", "X;"}),
       {}},
      {"geometric part first: the same record",
       [](WriteRun& r) {
         r.add(0, "G5G_DZE", "146501_1.0001.12");
         r.add(1, "G5O_DZE", "146501_1.0001.12");
       },
       crlf({"RO,R2,G5DZE,I2,2,11;", "P,P,G5PKT,1;", "D,G5PEW,D,2;", "WL,G5RDZE,2;",
             "WG,G5RPKT,G5PKT,1;", "X;"}),
       {}},
      {"outdated object alone, and its partner alone without it",
       [](WriteRun& r) {
         r.add(0, "G5O_DZE", "K", "20");
         r.add(1, "G5G_DZE", "K");
       },
       crlf({"RD,R1,G5O_DZE,I1,1,20;", "D,G5PEW,D,1;", "WL,G5RDZE,1;", "X;",
             "RO,R2,G5G_DZE,I2,2,11;", "P,P,G5PKT,2;", "D,G5IDD,D,K;", "WG,G5RPKT,G5PKT,2;", "X;"}),
       {finding(0, 1, 20003, kError,
                "Obiekt G5O_DZE nie został scalony. Wersja obiektu nie jest aktualna"),
        finding(1, 2, 20001, kError,
                "Obiekt G5G_DZE nie został scalony. Brak opisu dla tego typu obiektu")}},
      {"no partner of that type: 20001 on the descriptive part",
       [](WriteRun& r) {
         r.add(0, "G5O_DZE", "K");
         r.add(1, "G5G_BUD", "K");
       },
       crlf({"RD,R1,G5O_DZE,I1,1,11;", "D,G5PEW,D,1;", "WL,G5RDZE,1;", "X;",
             "RO,R2,G5G_BUD,I2,2,11;", "P,P,G5PKT,2;", "D,G5IDD,D,K;", "WG,G5RPKT,G5PKT,2;", "X;"}),
       {finding(0, 1, 20001, kError,
                "Obiekt G5O_DZE nie został scalony. Brak geometrii dla tego typu obiektu"),
        finding(1, 2, 20001, kError,
                "Obiekt G5G_BUD nie został scalony. Brak opisu dla tego typu obiektu")}},
      {"the only partner of the key is outdated: 20002",
       [](WriteRun& r) {
         r.add(0, "G5G_DZE", "K");
         r.add(1, "G5O_DZE", "K", "20");
       },
       crlf({"RO,R1,G5G_DZE,I1,1,11;", "P,P,G5PKT,1;", "D,G5IDD,D,K;", "WG,G5RPKT,G5PKT,1;", "X;",
             "RD,R2,G5O_DZE,I2,2,20;", "D,G5PEW,D,2;", "WL,G5RDZE,2;", "X;"}),
       {finding(0, 1, 20002, kError,
                "Obiekt G5G_DZE nie został scalony. Brak opisu dla tego obiektu"),
        finding(1, 2, 20001, kError,
                "Obiekt G5O_DZE nie został scalony. Brak geometrii dla tego typu obiektu")}},
      {"a partner of the same part is none; the next of the key is taken",
       [](WriteRun& r) {
         r.add(0, "G5O_DZE", "K");
         r.add(1, "G5O_DZE", "K");
         r.add(1, "G5G_DZE", "K");
       },
       crlf({"RO,R1,G5DZE,I1,1,11;", "P,P,G5PKT,3;", "D,G5PEW,D,1;", "WL,G5RDZE,1;",
             "WG,G5RPKT,G5PKT,3;", "X;", "RD,R2,G5O_DZE,I2,2,11;", "D,G5PEW,D,2;", "WL,G5RDZE,2;",
             "X;"}),
       {finding(1, 2, 20005, kWarning, "Obiekt G5O_DZE został scalony już wcześniej")}},
      {"a key merged before, in the first input",
       [](WriteRun& r) {
         r.add(0, "G5O_DZE", "K");
         r.add(0, "G5G_DZE", "K");
         r.add(1, "G5G_DZE", "K");
       },
       crlf({"RO,R1,G5DZE,I1,1,11;", "P,P,G5PKT,3;", "D,G5PEW,D,1;", "WL,G5RDZE,1;",
             "WG,G5RPKT,G5PKT,3;", "X;", "RO,R2,G5G_DZE,I2,2,11;", "P,P,G5PKT,2;", "D,G5IDD,D,K;",
             "WG,G5RPKT,G5PKT,2;", "X;"}),
       {finding(0, 2, 20005, kWarning, "Obiekt G5G_DZE został scalony już wcześniej")}},
      {"objects without a key never pair",
       [](WriteRun& r) {
         r.add(0, "G5O_DZE", "");
         r.add(1, "G5G_DZE", "");
       },
       crlf({"RD,R1,G5O_DZE,I1,1,11;", "D,G5PEW,D,1;", "WL,G5RDZE,1;", "X;",
             "RO,R2,G5G_DZE,I2,2,11;", "P,P,G5PKT,2;", "D,G5IDD,D,;", "WG,G5RPKT,G5PKT,2;", "X;"}),
       {finding(0, 1, 20001, kError,
                "Obiekt G5O_DZE nie został scalony. Brak geometrii dla tego typu obiektu"),
        finding(1, 2, 20001, kError,
                "Obiekt G5G_DZE nie został scalony. Brak opisu dla tego typu obiektu")}},
      {"objects outside the parts alone in place, without a finding, whatever their version",
       [](WriteRun& r) {
         r.add(0, "G5KLU", "K", "");
         r.add(0, "G5O_DZE", "K");
         r.add(1, "G5PKT", "");
         r.add(1, "G5G_DZE", "K");
         r.add(1, "G5PKT", "", "20");
       },
       crlf({"RP,R1,G5KLU,I1,1,;", "D,G5PEW,D,1;", "X;", "RO,R2,G5DZE,I2,2,11;", "P,P,G5PKT,4;",
             "D,G5PEW,D,2;", "WL,G5RDZE,2;", "WG,G5RPKT,G5PKT,4;", "X;", "RP,R3,G5PKT,I3,3,11;",
             "D,G5PEW,D,3;", "X;", "RP,R5,G5PKT,I5,5,20;", "D,G5PEW,D,5;", "X;"}),
       {}},
      {"special objects last: with their precinct's relation, or 20006; RST as its merged type",
       [](WriteRun& r) {
         r.add(0, "G5G_UZG", "146501_1.0001.K7");
         r.add(0, "G5O_OBR", "146501_1.0001");
         r.add(0, "G5G_RST", "R");
         r.add(1, "G5G_KKL", "146501_1.0002.K1");  // no such precinct
         r.add(1, "G5G_OBR", "146501_1.0001");
         r.add(1, "G5G_UZG", "146501_1.0001");  // one dot: no precinct's key
       },
       crlf({"RO,R2,G5OBR,I2,2,11;", "P,P,G5PKT,5;", "D,G5PEW,D,2;", "WL,G5RDZE,2;",
             "WG,G5RPKT,G5PKT,5;", "X;", "RP,R1,G5UZG,I1,1,11;", "D,G5PEW,D,1;", "WL,G5ROBR,2;",
             "X;", "RP,R3,G5RST,I3,3,11;", "D,G5PEW,D,3;", "X;", "RP,R4,G5G_KKL,I4,4,11;",
             "D,G5PEW,D,4;", "X;", "RP,R6,G5G_UZG,I6,6,11;", "D,G5PEW,D,6;", "X;"}),
       {finding(1, 4, 20006, kError, "Nie znaleziono obrębu dla obiektu G5G_KKL"),
        finding(1, 6, 20006, kError, "Nie znaleziono obrębu dla obiektu G5G_UZG")}},
      {"order: the first input's list with its pairs, then the second's not merged",
       [](WriteRun& r) {
         r.add(0, "G5O_BUD", "B1");
         r.add(0, "G5KLU", "");
         r.add(0, "G5O_DZE", "D1");
         r.add(1, "G5G_DZE", "D1");
         r.add(1, "G5PKT", "");
         r.add(1, "G5G_BUD", "B1");
       },
       crlf({"RO,R1,G5BUD,I1,1,11;", "P,P,G5PKT,6;", "D,G5PEW,D,1;", "WL,G5RDZE,1;",
             "WG,G5RPKT,G5PKT,6;", "X;", "RP,R2,G5KLU,I2,2,11;", "D,G5PEW,D,2;", "X;",
             "RO,R3,G5DZE,I3,3,11;", "P,P,G5PKT,4;", "D,G5PEW,D,3;", "WL,G5RDZE,3;",
             "WG,G5RPKT,G5PKT,4;", "X;", "RP,R5,G5PKT,I5,5,11;", "D,G5PEW,D,5;", "X;"}),
       {}},
      {"empty lists", [](WriteRun&) {}, "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteRun r;
    c.fill(r);
    const Written w = writeObjects(r);
    EXPECT_EQ(w.so, "SO;\r\n" + c.so + "SX;\r\n");
    EXPECT_EQ(w.findings, c.findings) << dump(w.findings);
  }
}

TEST(bzMergeWrite, PairTakesTheDescriptivePartsIdentifiersAndCountsBothObjects) {
  WriteRun r;
  mgObject& g = r.add(0, "G5G_DZE", "K");
  mgObject& d = r.add(1, "G5O_DZE", "K");
  r.add(1, "G5O_DZE", "K");  // merged before: a warning of input 2
  r.add(1, "G5G_BUD", "K");  // no partner: an error of input 2
  writeObjects(r);
  EXPECT_TRUE(d.merged);
  EXPECT_EQ(g.keptId, "I2");
  EXPECT_EQ(g.newRecordId, "2");
  EXPECT_EQ(r.p->errors(), 1u);
  EXPECT_EQ(r.p->warnings(), 1u);
  EXPECT_EQ(r.state.getTotalErrorsNum(), 1u);
  EXPECT_EQ(r.state.getTotalWarnsNum(), 1u);
  EXPECT_EQ(r.state.getFileInfo(0).errors + r.state.getFileInfo(0).warnings, 0u);
  EXPECT_EQ(r.state.getFileInfo(1).errors, 1u);
  EXPECT_EQ(r.state.getFileInfo(1).warnings, 1u);
  // Every object of both lists is counted, the pair's two as well.
  EXPECT_EQ(r.state.getRecordsNumber(), 4u);
  EXPECT_EQ(r.state.getProcessPosition(), 4u);
  EXPECT_EQ(r.state.getProcessMaxValue(), 4u);
}

TEST(bzMergeWrite, WrittenRecordsKeepTheRunsOfTheirParts) {
  WriteRun r;
  mgObject& d = r.add(0, "G5O_OBR", "146501_1.0001");
  mgObject& g = r.add(1, "G5G_OBR", "146501_1.0001");
  mgObject& s = r.add(1, "G5G_UZG", "146501_1.0001.K7");
  mgObject& k = r.add(1, "G5PKT", "");
  writeObjects(r);
  EXPECT_EQ(s.mergeKey, "0001.K7");  // the precinct's part is cut off
  ASSERT_EQ(r.p->writtenRecords.size(), 3u);

  struct Run {
    const mgObject* source;
    std::uint64_t wg, wl, p;
    bool operator==(const Run&) const = default;
  };
  auto runs = [](const WriteProbe::WrittenRecord& w) {
    std::vector<Run> out;
    for (int i = 0; i < w.count; ++i)
      out.push_back({w.runs[i].source, w.runs[i].lines.wg, w.runs[i].lines.wl, w.runs[i].lines.p});
    return out;
  };
  // The pair: the geometry, the description, the geometric part's relations.
  EXPECT_EQ(runs(r.p->writtenRecords[0]),
            (std::vector<Run>{{&g, 0, 0, 1}, {&d, 0, 1, 0}, {&g, 1, 0, 0}}));
  EXPECT_EQ(runs(r.p->writtenRecords[1]), (std::vector<Run>{{&k, 0, 0, 0}}));
  // The special object: its lines, then the relation to its precinct, which
  // comes from no object.
  EXPECT_EQ(runs(r.p->writtenRecords[2]),
            (std::vector<Run>{{&s, 0, 0, 0}, {&s, 0, 0, 0}, {nullptr, 0, 1, 0}}));
}

// Lists long enough to be paired and written in many chunks on several
// threads: the records come in the order of the walks, each finding in that
// order too, and a key's first pair decides for objects of that key in
// later chunks.
TEST(bzMergeWrite, ManyObjectsKeepTheOrderOfTheWalks) {
  WriteRun r;
  constexpr int kParcels = 10000;
  std::vector<mgObject*> first;
  for (int i = 0; i < kParcels; ++i) {
    // k10 is outdated here, and current again in a later chunk.
    first.push_back(&r.add(0, "G5O_DZE", "k" + std::to_string(i), i == 10 ? "20" : "11"));
    if (i == 5000) first.push_back(&r.add(0, "G5O_DZE", "k3"));   // k3 was paired before
    if (i == 9000) first.push_back(&r.add(0, "G5O_DZE", "k10"));  // k10 pairs here
  }
  std::vector<mgObject*> partners(kParcels, nullptr);
  for (int i = 0; i < kParcels; ++i)
    if (i % 7 != 0) partners[i] = &r.add(1, "G5G_DZE", "k" + std::to_string(i));
  const Written w = writeObjects(r);

  // The descriptive objects' numbers in the order of the records, and the
  // geometry each record holds.
  std::vector<std::string> numbers, geometry;
  for (std::size_t at = w.so.find("\r\nD,G5PEW,D,"); at != std::string::npos;
       at = w.so.find("\r\nD,G5PEW,D,", at + 1)) {
    numbers.push_back(w.so.substr(at + 12, w.so.find(';', at) - at - 12));
    const std::size_t head = w.so.rfind("X;\r\n", at);
    const std::size_t p = w.so.find("P,P,G5PKT,", head == std::string::npos ? 0 : head);
    geometry.push_back(p < at ? w.so.substr(p + 10, w.so.find(';', p) - p - 10) : "");
  }
  ASSERT_EQ(numbers.size(), first.size());
  std::vector<Line> want;
  for (std::size_t j = 0; j < first.size(); ++j) {
    const mgObject& o = *first[j];
    SCOPED_TRACE(o.recordName);
    EXPECT_EQ(numbers[j], o.newRecordId);
    const int key = std::stoi(o.mergeKey.str().substr(1));
    const int n = std::stoi(o.newRecordId.str());
    const bool repeated = key == 3 && &o != first[3];
    std::string partner;
    if (o.version == "20") {
      want.push_back(
          finding(0, n, 20003, kError,
                  "Obiekt G5O_DZE nie został scalony. Wersja obiektu nie jest aktualna"));
    } else if (repeated) {
      want.push_back(finding(0, n, 20005, kWarning, "Obiekt G5O_DZE został scalony już wcześniej"));
    } else if (!partners[key]) {
      want.push_back(finding(0, n, 20001, kError,
                             "Obiekt G5O_DZE nie został scalony. Brak geometrii dla tego typu "
                             "obiektu"));
    } else {
      partner = std::to_string(10002 + key - key / 7);
      EXPECT_TRUE(partners[key]->merged);
    }
    EXPECT_EQ(geometry[j], partner);
  }
  EXPECT_EQ(w.findings, want);
}

TEST(bzMergeWrite, StopLeavesTheSectionClosedAndIsNoFailure) {
  WriteRun r;
  r.add(0, "G5O_DZE", "K", "20");
  r.add(1, "G5G_UZG", "146501_1.0001.K7");
  r.p->stop(0);
  const Written w = writeObjects(r);
  EXPECT_EQ(w.so, "SO;\r\nSX;\r\n");
  EXPECT_TRUE(w.findings.empty()) << dump(w.findings);
}

// The findings of each list are reported on a thread of their own while
// the records are written: what the reporting raises still ends the walk as
// its failure, on the walk's thread, whichever list it came with.
TEST(bzMergeWrite, AFindingThatRaisesEndsTheWalkWithItsException) {
  for (const int input : {0, 1}) {
    SCOPED_TRACE(input);
    WriteRun r;
    for (int i = 0; i < 5000; ++i) r.add(0, "G5O_DZE", "k" + std::to_string(i));
    for (int i = 0; i < 5000; ++i) r.add(1, "G5G_DZE", "k" + std::to_string(i));
    // One object of the input without a partner: its finding is the one.
    r.add(input, input == 0 ? "G5O_DZE" : "G5G_DZE", "sam");
    const std::string notMerged = cp("nie został scalony");
    r.report.setWriteFunction([&](int fd, const void* data, std::size_t size, off_t at) {
      if (std::string_view(static_cast<const char*>(data), size).find(notMerged) !=
          std::string_view::npos)
        throw std::runtime_error("awaria raportu");
      return ::pwrite(fd, data, size, at);
    });
    EXPECT_THROW(r.p->mergeObjects(), std::runtime_error);
    r.report.setWriteFunction(nullptr);
  }
}

TEST(bzMergeWrite, MergeFilesEndsThePartResult) {
  WriteRun r;
  ns(r.a(), "DN", "2024-01-15");
  r.add(0, "G5KLU", "");
  EXPECT_TRUE(r.p->mergeFiles());
  EXPECT_EQ(r.result(),
            "SWDE.w.2.00.(C) ZEDOR 2000;\r\nSN;\r\nNS,DN,2024-01-15;\r\nSX;\r\nSP;\r\n"
            "SX;\r\nST;\r\nSX;\r\nSO;\r\nRP,R1,G5KLU,I1,1,11;\r\nD,G5PEW,D,1;\r\nX;\r\n"
            "SX;\r\nSWDEX;\r\n");
}

}  // namespace

// ---------------------------------------------------------------------------
// Through the first pass

// The merge whose second pass keeps the part result for the test.
class PartResultKept : public bzMergeProcess {
 public:
  PartResultKept(RunKey key, testsupport::RunObjects& r, std::string& kept)
      : bzMergeProcess(key, &r.files, &r.report, &r.settings, &r.state), kept_(kept) {}

 protected:
  void updateRelationsIds() override {
    kept_ = partResultFile->readLinesFromFile(0, partResultFile->position());
  }

 private:
  std::string& kept_;
};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(bzMergeWrite, SamplePairThroughTheFirstPass) {
  const std::string data = std::string(OLV_SAMPLES) + "/../tests/data/merge/";
  for (const bool skipComments : {false, true}) {
    SCOPED_TRACE(skipComments ? "comments skipped" : "comments kept");
    testsupport::RunObjects r;
    testsupport::TempFolder folder{"olvmergewrite"};
    r.settings.outputDir = folder.path();
    r.settings.outputFileName = "wynik.swd";
    r.settings.skipComments = skipComments;
    // Both parts of the parcel in their current version.
    testsupport::writeFile(
        folder / "a.swd", replaced(testsupport::readFile(data + "opis.swd"), "146501_1.0001.12,7,;",
                                   "146501_1.0001.12,7,11;"));
    testsupport::writeFile(folder / "b.swd",
                           replaced(testsupport::readFile(data + "geometria.swd"),
                                    "146501_1.0001.12,3,;", "146501_1.0001.12,3,11;"));
    r.files.addFile("a.swd", folder / "a.swd");
    r.files.addFile("b.swd", folder / "b.swd");
    ASSERT_TRUE(r.report.Create(&r.files));
    std::string kept;
    bzRun<PartResultKept> p(r, kept);
    p.start();
    p.waitFor();
    EXPECT_FALSE(p.failedCritically()) << plat::cp1250ToUtf8(p.criticalMessage());
    EXPECT_EQ(testsupport::findings(r.report), std::vector<Line>{});
    auto c = [&](const std::string& text) { return skipComments ? std::string() : text; };
    // The descriptive input's metadata first, the geometric one's W line
    // added; the parcel's parts in one record under the descriptive part's
    // header, its geometric attribute lines left out; the rest alone.
    EXPECT_EQ(kept,
              "SWDE.w.2.00.(C) ZEDOR 2000;\r\nSN;\r\nNS,DN,2024-01-15;" + c("data wymiany") +
                  "\r\n" +
                  crlf({"NU,OPERATOR,Jan Nowak;", "SX;", "SP;", "B,G5IDD,ZN,;", "B,G5PEW,ZN,;",
                        "W,G5RDZE;", "W,G5RKLU;", "W,G5PKT;", "SX;", "ST;"}) +
                  "TD,G5DZE,RO;" + c("wlasnosc") + "\r\nTP,G5IDD;" + c("klucz") + "\r\n" +
                  crlf({"TP,G5PEW;",
                        "TPW;",
                        "TPN,G5KLUCZ;",
                        "WR,G5RDZE;",
                        "WW;",
                        "WN,G5IDD;",
                        "X;",
                        "TD,G5KLU,RO;",
                        "TP,G5PEW;",
                        "X;",
                        "SX;",
                        "SO;",
                        "RO,DZIALKA,G5DZE,146501_1.0001.12,1,11;",
                        "GL;",
                        "P,P,G5PKT,2;",
                        "P,P,G5PKT,3;",
                        "P,P,G5PKT,4;",
                        "PZ;",
                        "GX;",
                        "D,G5IDD,D,146501_1.0001.12;"}) +
                  "D,G5PEW,D,0.1234;" + c("pole") + "\r\nWL,G5RDZE,K1;" + c("do klu") + "\r\n" +
                  crlf({"WG,G5RPKT,G5PKT,2;", "X;", "RD,,G5KLU,K1,2,;", "D,G5PEW,D,0.5;", "X;",
                        "RP,,G5PKT,G2,4,;", "P,G,5712345.12,6543210.34,;", "X;", "RP,,G5PKT,G3,5,;",
                        "P,G,5712350.02,6543215.71,;", "X;", "RP,,G5PKT,G4,6,;",
                        "P,G,5712355.00,6543212.00,;", "X;", "SX;", "SWDEX;"}));
  }
}
