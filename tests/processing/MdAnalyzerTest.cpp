#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "metadata/Metadata.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "processing/bzMdAnalyzer.h"
#include "processing/bzSemanticProcess.h"
#include "support/OpenWatch.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"
#include "support/TempFile.h"

using namespace swde;
using plat::cp;

namespace {

using Line = testsupport::ReportLine;

using testsupport::freeLine;

std::vector<Line> schemaLines(const std::string& date, const std::string& version,
                              const std::string& profile) {
  return {freeLine("Data utworzenia schematu: " + date),
          freeLine("Wersja utworzenia schematu: " + version),
          freeLine("Profil schematu: " + profile), freeLine("")};
}

using RunObjects = testsupport::CreatedRun;

// The owner of a loader: a process whose own step loads the file at path
// into model when it runs (the loader is also used outside a run).
class LoadingProcess : public bzSemanticProcess {
 public:
  LoadingProcess(RunKey key, RunObjects& r, Metadata* model, std::string path = {})
      : bzSemanticProcess(key, &r.files, &r.report, &r.settings, &r.state),
        loader(this, 700),
        path_(std::move(path)) {
    loader.annexMetadata = model;
  }
  AnsiString getTitle() const override { return "test"; }
  bzMdAnalyzer loader;

 protected:
  int process() override {
    loader.loadFromFileXML(path_);
    return 0;
  }

 private:
  std::string path_;
};

// The document from its lines, one a line, the first being line 1.
std::string lines(const std::vector<std::string>& text) {
  std::string out;
  for (const std::string& l : text) out += l + "\n";
  return out;
}

const std::string kSp =
    "<ATTRIBS_SECT><ATTRIBUTES><ATTR name=\"A\" type=\"DN\"/></ATTRIBUTES>"
    "<RELATIONS><RELAT name=\"R\"/></RELATIONS></ATTRIBS_SECT>";

// A document whose types section holds the given lines, from line 3 on.
std::string withTypes(const std::vector<std::string>& types) {
  std::vector<std::string> text = {"<SWDE schema_date=\"d\">", kSp, "<TYPES_SECT>"};
  text.insert(text.end(), types.begin(), types.end());
  text.push_back("</TYPES_SECT></SWDE>");
  return lines(text);
}

// Lines 1 and 2 of withTypes, and OBJECT X whose content is on line 4.
std::string withObject(const std::string& content) {
  return withTypes(
      {"<OBJECT name=\"X\" base_type=\"\" mandatory_level=\"1\">", content, "</OBJECT>"});
}

std::string attr(const std::string& attributes, const std::string& content = "") {
  return "<ATTR " + attributes + (content.empty() ? "/>" : ">" + content + "</ATTR>");
}

std::string relat(const std::string& attributes, const std::string& content = "") {
  return "<RELAT " + attributes + (content.empty() ? "/>" : ">" + content + "</RELAT>");
}

const std::string kFull = lines({
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
    "<!-- reference metadata -->",
    "<SWDE schema_date=\"2026.12.10\" schema_version=\"1\" schema_profile=\"Profil ą\">",
    "  <ATTRIBS_SECT> <!-- SP -->",
    "    <ATTRIBUTES>",
    "      <ATTR name=\"G5IDD\" type=\"ZN\"/> <?note skipped?>",
    "      <ATTR name=\"A\" type=\"DN\"/>",
    "    </ATTRIBUTES>",
    "    <RELATIONS><RELAT name=\"G5RDZE\"/><!-- --><RELAT name=\"G5ROBR\"/></RELATIONS>",
    "  </ATTRIBS_SECT>",
    "  text between the sections",
    "  <TYPES_SECT>",
    "    <OBJECT name=\"G5DZE\" base_type=\"RO\" mandatory_level=\" 2 \">",
    "      <ATTRIBUTES>",
    "        <ATTR name=\"G5IDD\" field_name=\"\" mandatory_level=\"1\" multiple=\"true\">",
    "          <VALUE value_str=\"jeden\" value_int=\"1\"/>",
    "          <VALUE value_str=\"ą\" value_int=\"2\"/>",
    "          <VALUE value_str=\"znowu\" value_int=\"1\"/>",
    "        </ATTR>",
    "        <ATTR name=\"A\" field_name=\"K\" mandatory_level=\"3\" multiple=\"false\"/>",
    "      </ATTRIBUTES>",
    "      <!-- relations follow -->",
    "      <RELATIONS>",
    "        <RELAT name=\"G5RDZE\" field_name=\"\" mandatory_level=\"2\" multiple=\"true\"",
    "               element=\"true\">",
    "          <DEST_OBJECT name=\"G5OBR\"/>",
    "          <DEST_OBJECT name=\"G5JEW\"/>",
    "          <DEST_OBJECT name=\"G5OBR\"/>",
    "        </RELAT>",
    "        <RELAT name=\"G5ROBR\" field_name=\"W\" mandatory_level=\"3\"/>",
    "      </RELATIONS>",
    "    </OBJECT>",
    "    <OBJECT name=\"G5OBR\" base_type=\"\" mandatory_level=\"3\">",
    "      <ATTRIBUTES/>",
    "      <RELATIONS/>",
    "    </OBJECT>",
    "  </TYPES_SECT>",
    "</SWDE>",
});

void checkFull(Metadata& m) {
  AttribsSection* sp = m.getAttribsSection();
  ASSERT_NE(sp->getAttribute("G5IDD"), nullptr);
  EXPECT_EQ(sp->getAttribute("G5IDD")->type, "ZN");
  ASSERT_NE(sp->getAttribute("A"), nullptr);
  EXPECT_EQ(sp->getAttribute("A")->type, "DN");
  EXPECT_TRUE(sp->isRelationTypePresent("G5RDZE"));
  EXPECT_TRUE(sp->isRelationTypePresent("G5ROBR"));

  TypesSection* types = m.getTypesSection();
  RecordType* dze = types->getType("G5DZE");
  ASSERT_NE(dze, nullptr);
  EXPECT_EQ(dze->baseType, "RO");
  EXPECT_EQ(dze->mandatoryLevel, 2);
  EXPECT_EQ(dze->nameAsRead, "");

  const AttributeDef* idd = dze->getAttribute("G5IDD");
  ASSERT_NE(idd, nullptr);
  EXPECT_EQ(idd->code, "G5IDD");
  EXPECT_FALSE(idd->hasKey);
  EXPECT_EQ(idd->mandatoryLevel, 1);
  EXPECT_TRUE(idd->multiple);
  // Keyed by number; a number given again keeps its first text.
  EXPECT_EQ(idd->getPossibleValuesCount(), 2u);
  EXPECT_TRUE(idd->isValuePresent("1"));
  EXPECT_TRUE(idd->isValuePresent("2"));
  EXPECT_TRUE(idd->isStringValuePresent("jeden"));
  EXPECT_TRUE(idd->isStringValuePresent("\xB9"));  // ą in cp1250
  EXPECT_FALSE(idd->isStringValuePresent("znowu"));

  // Filed under its field name, found by its code.
  const AttributeDef* a = dze->getAttribute("K");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(dze->getAttributeByCode("A"), a);
  EXPECT_EQ(dze->getAttribute("A"), nullptr);
  EXPECT_EQ(a->code, "A");
  EXPECT_TRUE(a->hasKey);
  EXPECT_EQ(a->mandatoryLevel, 3);
  EXPECT_FALSE(a->multiple);
  EXPECT_EQ(a->getPossibleValuesCount(), 0u);

  const ReferenceDef* rdze = dze->getReference("G5RDZE");
  ASSERT_NE(rdze, nullptr);
  EXPECT_EQ(rdze->mandatoryLevel, 2);
  EXPECT_TRUE(rdze->multiple);
  EXPECT_TRUE(rdze->element);
  EXPECT_TRUE(rdze->isRefTypeNamePresent("G5OBR"));
  EXPECT_TRUE(rdze->isRefTypeNamePresent("G5JEW"));
  EXPECT_FALSE(rdze->isRefTypeNamePresent("G5BUD"));
  const ReferenceDef* robr = dze->getReferenceByCode("G5ROBR");
  ASSERT_NE(robr, nullptr);
  EXPECT_EQ(robr->key, "W");
  EXPECT_FALSE(robr->multiple);
  EXPECT_FALSE(robr->element);

  RecordType* obr = types->getType("G5OBR");
  ASSERT_NE(obr, nullptr);
  EXPECT_EQ(obr->baseType, "");
  EXPECT_EQ(obr->getFirstAttr(), nullptr);
  EXPECT_EQ(obr->getFirstReference(), nullptr);
}

bool isEmpty(Metadata& m) {
  return !m.getTypesSection()->getFirstType() && !m.getAttribsSection()->getFirstAttributeType() &&
         !m.getAttribsSection()->getFirstRelationType();
}

const std::string kPrefix = "Błąd odczytu metadanych \"wzorcowych\": ";
const std::string kF = kPrefix + "Niepoprawny format pliku z metadanymi \"wzorcowymi\"";
const std::string kS = kPrefix + "Niepoprawny format pliku SWDE z metadanymi \"wzorcowymi\"";

class MdAnalyzerTest : public ::testing::Test {
 protected:
  // Loads text into target; the message of the failure (cp1250), "" when
  // the load succeeds. The report lines written go to written.
  std::string load(const std::string& text, Metadata& target) {
    testsupport::TempFile file(text);
    return loadFile(file.path(), target);
  }
  std::string loadFile(const std::string& path, Metadata& target) {
    RunObjects r;
    std::string message;
    {
      bzRun<LoadingProcess> owner(r, &target);
      try {
        owner.loader.loadFromFileXML(path);
      } catch (const plat::Exception& e) {
        message = e.Message();
      }
    }
    written = testsupport::drain(r.report);
    return message;
  }
  std::vector<Line> written;
};

TEST_F(MdAnalyzerTest, LoadsEachDocumentOrFailsWithItsReason) {
  struct Case {
    std::string what;
    std::string text;
    std::string error;  // UTF-8; empty: the load succeeds
    std::function<void(Metadata&)> check = nullptr;
    bool errorIsPrefix = false;
  };
  const std::vector<Case> cases = {
      {"full shape, comments and blanks between elements", kFull, "", checkFull},
      {"an OBJECT with only its relation list",
       withObject("<RELATIONS>" + relat("name=\"R\" mandatory_level=\"1\"") + "</RELATIONS>"), "",
       [](Metadata& m) {
         RecordType* x = m.getTypesSection()->getType("X");
         ASSERT_NE(x, nullptr);
         EXPECT_NE(x->getReference("R"), nullptr);
         EXPECT_EQ(x->getFirstAttr(), nullptr);
       }},
      {"an OBJECT with only its attribute list",
       withObject("<ATTRIBUTES>" + attr("name=\"A\" mandatory_level=\"1\"") + "</ATTRIBUTES>"), "",
       [](Metadata& m) {
         RecordType* x = m.getTypesSection()->getType("X");
         ASSERT_NE(x, nullptr);
         EXPECT_NE(x->getAttribute("A"), nullptr);
         EXPECT_EQ(x->getFirstReference(), nullptr);
       }},
      {"an OBJECT whose first list has another name: the relations follow it",
       withObject("<NOTES/><RELATIONS>" + relat("name=\"R\" mandatory_level=\"1\"") +
                  "</RELATIONS>"),
       "",
       [](Metadata& m) {
         RecordType* x = m.getTypesSection()->getType("X");
         ASSERT_NE(x, nullptr);
         EXPECT_NE(x->getReference("R"), nullptr);
       }},
      {"only \"true\" is true",
       withObject("<ATTRIBUTES>" + attr("name=\"A\" mandatory_level=\"1\" multiple=\"TRUE\"") +
                  attr("name=\"B\" mandatory_level=\"1\" multiple=\"1\"") +
                  attr("name=\"C\" mandatory_level=\"1\"") + "</ATTRIBUTES><RELATIONS>" +
                  relat("name=\"R\" mandatory_level=\"1\" multiple=\"TRUE\" element=\"1\"") +
                  relat("name=\"S\" mandatory_level=\"1\" multiple=\" true\" element=\"True\"") +
                  "</RELATIONS>"),
       "",
       [](Metadata& m) {
         RecordType* x = m.getTypesSection()->getType("X");
         ASSERT_NE(x, nullptr);
         for (const char* key : {"A", "B", "C"}) {
           ASSERT_NE(x->getAttribute(key), nullptr) << key;
           EXPECT_FALSE(x->getAttribute(key)->multiple) << key;
         }
         for (const char* key : {"R", "S"}) {
           ASSERT_NE(x->getReference(key), nullptr) << key;
           EXPECT_FALSE(x->getReference(key)->multiple) << key;
           EXPECT_FALSE(x->getReference(key)->element) << key;
         }
       }},
      {"an empty types section", withTypes({}), "",
       [](Metadata& m) {
         EXPECT_EQ(m.getTypesSection()->getFirstType(), nullptr);
         EXPECT_NE(m.getAttribsSection()->getAttribute("A"), nullptr);
       }},
      {"empty SP lists",
       "<SWDE><ATTRIBS_SECT><ATTRIBUTES/><RELATIONS/></ATTRIBS_SECT><TYPES_SECT/></SWDE>", "",
       [](Metadata& m) { EXPECT_TRUE(isEmpty(m)); }},

      // The shape.
      {"a root without children", "<SWDE/>", kF},
      {"a root whose first child is not ATTRIBS_SECT", "<SWDE><TYPES_SECT/></SWDE>", kF},
      {"ATTRIBS_SECT without children", "<SWDE><ATTRIBS_SECT/><TYPES_SECT/></SWDE>", kS},
      {"ATTRIBS_SECT whose first child is not ATTRIBUTES",
       "<SWDE><ATTRIBS_SECT><RELATIONS/><ATTRIBUTES/></ATTRIBS_SECT><TYPES_SECT/></SWDE>", kS},
      {"the SP attribute list without a relation list after it",
       "<SWDE><ATTRIBS_SECT><ATTRIBUTES/></ATTRIBS_SECT><TYPES_SECT/></SWDE>", kF},
      {"ATTRIBS_SECT without a sibling", "<SWDE>" + kSp + "</SWDE>", kF},
      {"ATTRIBS_SECT followed by another element", "<SWDE>" + kSp + "<TYPES/></SWDE>", kF},
      {"a child of TYPES_SECT that is not OBJECT",
       withTypes({"<OBJECT name=\"X\" mandatory_level=\"1\"><ATTRIBUTES/></OBJECT>", "<OBJ/>"}),
       kF},
      {"an OBJECT without children",
       withTypes({"<OBJECT name=\"X\" base_type=\"\" mandatory_level=\"1\"/>"}), kF},

      // The values.
      {"a character outside cp1250",
       withTypes({"<OBJECT name=\"X\" base_type=\"R\xE2\x98\x83\" mandatory_level=\"1\">"
                  "<ATTRIBUTES/></OBJECT>"}),
       kPrefix + "Znak spoza strony kodowej 1250 (element OBJECT, atrybut base_type, wiersz 4)"},
      {"a character outside cp1250 in a value",
       withObject("<ATTRIBUTES>" +
                  attr("name=\"A\" mandatory_level=\"1\"", "<VALUE value_str=\"\xE4\xB8\xAD\"/>") +
                  "</ATTRIBUTES>"),
       kPrefix + "Znak spoza strony kodowej 1250 (element VALUE, atrybut value_str, wiersz 5)"},
      {"mandatory_level \"x\"",
       withTypes({"<OBJECT name=\"X\" mandatory_level=\"x\"><ATTRIBUTES/></OBJECT>"}),
       kPrefix + "'x' nie jest poprawną liczbą całkowitą (element OBJECT, wiersz 4)"},
      {"mandatory_level absent", withObject("<ATTRIBUTES>" + attr("name=\"A\"") + "</ATTRIBUTES>"),
       kPrefix + "'' nie jest poprawną liczbą całkowitą (element ATTR, wiersz 5)"},
      {"mandatory_level in hexadecimal",
       withObject("<RELATIONS>" + relat("name=\"R\" mandatory_level=\"0x1\"") + "</RELATIONS>"),
       kPrefix + "'0x1' nie jest poprawną liczbą całkowitą (element RELAT, wiersz 5)"},

      // Repeated names.
      {"a repeated SP attribute",
       lines({"<SWDE><ATTRIBS_SECT><ATTRIBUTES>", "<ATTR name=\"A\"/>", "<ATTR name=\"A\"/>",
              "</ATTRIBUTES><RELATIONS/></ATTRIBS_SECT><TYPES_SECT/></SWDE>"}),
       kPrefix + "Powtórzona nazwa \"A\" (element ATTR, wiersz 3)"},
      {"a repeated SP relation",
       lines({"<SWDE><ATTRIBS_SECT><ATTRIBUTES/><RELATIONS>", "<RELAT name=\"R\"/>",
              "<X name=\"R\"/>", "</RELATIONS></ATTRIBS_SECT><TYPES_SECT/></SWDE>"}),
       kPrefix + "Powtórzona nazwa \"R\" (element X, wiersz 3)"},
      {"a repeated OBJECT",
       withTypes({"<OBJECT name=\"X\" mandatory_level=\"1\"><ATTRIBUTES/></OBJECT>",
                  "<OBJECT name=\"Y\" mandatory_level=\"1\"><ATTRIBUTES/></OBJECT>",
                  "<OBJECT name=\"X\" mandatory_level=\"1\"><ATTRIBUTES/></OBJECT>"}),
       kPrefix + "Powtórzona nazwa \"X\" (element OBJECT, wiersz 6)"},
      {"a repeated ATTR key",
       withObject("<ATTRIBUTES>" + attr("name=\"A\" field_name=\"K\" mandatory_level=\"1\"") +
                  attr("name=\"B\" field_name=\"K\" mandatory_level=\"1\"") + "</ATTRIBUTES>"),
       kPrefix + "Powtórzona nazwa \"K\" (element ATTR, wiersz 5)"},
      {"a repeated RELAT key",
       withObject("<RELATIONS>" + relat("name=\"R\" mandatory_level=\"1\"") +
                  relat("name=\"R\" mandatory_level=\"2\"") + "</RELATIONS>"),
       kPrefix + "Powtórzona nazwa \"R\" (element RELAT, wiersz 5)"},

      // The XML itself.
      {"malformed XML", lines({"<SWDE>", "<ATTRIBS_SECT>", "</SWDE>"}),
       kPrefix + "Błąd składni XML (wiersz 3): Opening and ending tag mismatch", nullptr, true},
      {"a DOCTYPE with an internal entity",
       "<!DOCTYPE SWDE [<!ENTITY e \"x\">]><SWDE schema_date=\"&e;\"/>",
       kPrefix + "Deklaracja DOCTYPE jest niedozwolona"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Metadata target;
    const std::string message = load(c.text, target);
    if (c.error.empty()) {
      EXPECT_EQ(plat::cp1250ToUtf8(message), "");
      if (c.check) c.check(target);
    } else if (c.errorIsPrefix) {
      EXPECT_EQ(message.rfind(cp(c.error), 0), 0u) << plat::cp1250ToUtf8(message);
      EXPECT_TRUE(isEmpty(target));
    } else {
      EXPECT_EQ(plat::cp1250ToUtf8(message), c.error);
      EXPECT_TRUE(isEmpty(target));
    }
  }
}

TEST_F(MdAnalyzerTest, WritesTheSchemaLinesThroughTheOwnerOnceTheFileIsParsed) {
  Metadata target;
  ASSERT_EQ(load(kFull, target), "");
  EXPECT_EQ(written, schemaLines("2026.12.10", "1", "Profil ą"));
  EXPECT_EQ(bzMdAnalyzer::m_schemaProfile, cp("Profil ą"));

  // Absent root attributes: the three lines with empty values.
  Metadata second;
  ASSERT_EQ(load("<SWDE><ATTRIBS_SECT><ATTRIBUTES/><RELATIONS/></ATTRIBS_SECT><TYPES_SECT/></SWDE>",
                 second),
            "");
  EXPECT_EQ(written, schemaLines("", "", ""));

  // A later shape error still leaves the lines of the schema just read.
  Metadata third;
  EXPECT_EQ(load("<SWDE schema_date=\"d\" schema_version=\"v\" schema_profile=\"p\"/>", third),
            cp(kF));
  EXPECT_EQ(written, schemaLines("d", "v", "p"));

  // A root value outside cp1250 fails the load; the lines keep the values of
  // before.
  Metadata fourth;
  EXPECT_EQ(
      plat::cp1250ToUtf8(load("<SWDE schema_date=\"e\" schema_profile=\"\xE2\x98\x83\"/>", fourth)),
      kPrefix +
          "Znak spoza strony kodowej 1250 (element SWDE, atrybut schema_profile, "
          "wiersz 1)");
  EXPECT_EQ(written, schemaLines("d", "v", "p"));

  // A file that does not parse writes nothing.
  Metadata fifth;
  EXPECT_NE(load("<SWDE schema_date=\"x\">", fifth), "");
  EXPECT_EQ(written, std::vector<Line>{});
  EXPECT_EQ(bzMdAnalyzer::m_schemaDate, "d");
}

TEST_F(MdAnalyzerTest, AFailedLoadLeavesTheModelAsItWasAndALaterLoadReplacesIt) {
  Metadata target;
  TypesSection* const typesBefore = target.getTypesSection();
  ASSERT_EQ(load(withTypes({"<OBJECT name=\"OLD\" mandatory_level=\"1\"><ATTRIBUTES/></OBJECT>"}),
                 target),
            "");
  ASSERT_NE(target.getTypesSection()->getType("OLD"), nullptr);
  // The model is the same object; its sections are those of the load.
  EXPECT_NE(target.getTypesSection(), typesBefore);

  // Fails at its last OBJECT, after the others were read.
  const std::string failing =
      withTypes({"<OBJECT name=\"NEW\" mandatory_level=\"1\"><ATTRIBUTES/></OBJECT>",
                 "<OBJECT name=\"NEW\" mandatory_level=\"1\"><ATTRIBUTES/></OBJECT>"});
  EXPECT_NE(load(failing, target), "");
  EXPECT_NE(target.getTypesSection()->getType("OLD"), nullptr);
  EXPECT_EQ(target.getTypesSection()->getType("NEW"), nullptr);

  EXPECT_NE(loadFile("/nonexistent-folder/metadata_def.xml", target), "");
  EXPECT_NE(target.getTypesSection()->getType("OLD"), nullptr);

  ASSERT_EQ(load(kFull, target), "");
  checkFull(target);
  EXPECT_EQ(target.getTypesSection()->getType("OLD"), nullptr);
}

TEST_F(MdAnalyzerTest, AMissingFileAndAFileOverTheLimitAreReadErrors) {
  Metadata target;
  EXPECT_EQ(plat::cp1250ToUtf8(loadFile("/nonexistent-folder/metadata_def.xml", target)),
            kPrefix +
                "Nie można otworzyć pliku: /nonexistent-folder/metadata_def.xml (plik nie "
                "istnieje)");
  EXPECT_EQ(written, std::vector<Line>{});

  // A sparse file one byte over the limit is refused before it is read.
  testsupport::TempFile big("");
  ASSERT_EQ(::truncate(big.path().c_str(), bzMdAnalyzer::kMaxDefinitionSize + 1), 0);
  EXPECT_EQ(plat::cp1250ToUtf8(loadFile(big.path(), target)),
            kPrefix + "Plik jest za duży (ponad 64 MiB): " + big.path());
  EXPECT_TRUE(isEmpty(target));
}

TEST_F(MdAnalyzerTest, ADoctypeWithAnExternalEntityIsRefusedAndTheEntityNeverOpened) {
  // Would give the load a valid OBJECT if it were ever read.
  testsupport::TempFile entity(
      "<OBJECT name=\"LEAKED\" mandatory_level=\"1\"><ATTRIBUTES/></OBJECT>");
  testsupport::OpenWatch watch(entity.path());
  ASSERT_TRUE(watch.ok());
  Metadata target;
  const std::string text =
      "<!DOCTYPE SWDE [<!ENTITY e SYSTEM \"" + entity.path() + "\">]>\n" + withTypes({"&e;"});
  EXPECT_EQ(plat::cp1250ToUtf8(load(text, target)),
            kPrefix + "Deklaracja DOCTYPE jest niedozwolona");
  EXPECT_FALSE(watch.touched());
  EXPECT_TRUE(isEmpty(target));
  // The watch sees an open when there is one.
  ::close(::open(entity.path().c_str(), O_RDONLY | O_CLOEXEC));
  EXPECT_TRUE(watch.touched());
}

TEST_F(MdAnalyzerTest, TheProgramLoadsTheFileBesideItself) {
  // Whether or not the build put a reference file there, loading without a
  // path is loading that file.
  const std::string beside = plat::executableFolder() + "/metadata_def.xml";
  auto outcome = [](const std::function<void(bzMdAnalyzer&)>& load) {
    RunObjects r;
    Metadata target;
    bzRun<LoadingProcess> owner(r, &target);
    std::string message;
    try {
      load(owner.loader);
    } catch (const plat::Exception& e) {
      message = e.Message();
    }
    int types = 0;
    for (RecordType* t = target.getTypesSection()->getFirstType(); t;
         t = target.getTypesSection()->getNextType())
      ++types;
    return message + "/" + std::to_string(types);
  };
  EXPECT_EQ(outcome([](bzMdAnalyzer& a) { a.loadFromFileXML(); }),
            outcome([&](bzMdAnalyzer& a) { a.loadFromFileXML(beside); }));
}

TEST(MdAnalyzerRun, ALoadFailingInARunEndsItWithTheReadError) {
  testsupport::TempFile broken("<SWDE schema_date=\"2026\" schema_version=\"7\"><OBJECT/></SWDE>");
  RunObjects r;
  Metadata target;
  bzRun<LoadingProcess> p(r, &target, broken.path());
  p.start();
  p.waitFor();
  EXPECT_TRUE(p.failedCritically());
  EXPECT_EQ(plat::cp1250ToUtf8(p.criticalMessage()), kF);
  const std::vector<Line> report = testsupport::drain(r.report);
  const std::vector<Line> schema = schemaLines("2026", "7", "");
  EXPECT_NE(std::search(report.begin(), report.end(), schema.begin(), schema.end()), report.end());
  EXPECT_NE(std::find(report.begin(), report.end(), freeLine("Błąd: " + kF)), report.end());
  EXPECT_TRUE(isEmpty(target));
}

}  // namespace
