// The metadata analyzer of the semantic check. Its XML half reads the
// reference metadata "metadata_def.xml", which ships beside the program,
// into the reference model: the attribute and relation types of the SP part
// and the record types of the ST part with their attributes, relations,
// allowed values and target types. It also writes the schema's date,
// version and profile into the report.
//
// A load fills a model of its own and hands it to the reference model only
// when the whole file has been read: a failed load leaves the reference
// model as it was.
//
// Its file half reads the SP and ST sections of the current SWDE file into
// the file's own model and compares every declaration with the reference
// model; each difference is a finding of the owning process (codes 2001-2005
// of SP and 3001-3013 of ST).
#pragma once

#include <cstdint>
#include <string>

#include "metadata/Metadata.h"
#include "platform/AnsiString.h"
#include "platform/ComPtr.h"
#include "platform/Export.h"
#include "platform/XmlDocument.h"
#include "reader/LiniaSW.h"
#include "reader/PlikSW.h"
#include "reader/RekordSW.h"
#include "semantics/Smerrors.h"
#include "semantics/Smxmldef.h"

namespace swde {

using plat::AnsiString;

class bzSemanticProcess;

class OLVCORE_API bzMdAnalyzer {
 public:
  bzMdAnalyzer(bzSemanticProcess* owner, unsigned interval);
  bzMdAnalyzer(const bzMdAnalyzer&) = delete;
  bzMdAnalyzer& operator=(const bzMdAnalyzer&) = delete;
  virtual ~bzMdAnalyzer();

  // The file's largest size.
  static constexpr std::uint64_t kMaxDefinitionSize = 64ull << 20;

  // Loads "metadata_def.xml" of the running program's folder into
  // annexMetadata. Raises plat::Exception on every failure: "Błąd odczytu
  // metadanych "wzorcowych": " and the reason, or "Nieznany błąd".
  void loadFromFileXML();
  // The same for the file at path.
  void loadFromFileXML(const std::string& path);

  // The schema's date, version and profile from the root into the statics,
  // then the four schema lines.
  void parseXMLMainTag(plat::XmlElement root);
  // Four free lines through the owner: the schema's date, version and
  // profile, and an empty line.
  void saveSchemaInfo();

  // The children of the SP part's attribute list and relation list into sp.
  void parseAttributesXML_SP(plat::XmlElement list, AttribsSection* sp);
  void parseRelationsXML_SP(plat::XmlElement list, AttribsSection* sp);
  // The children of an OBJECT's attribute list and relation list into its
  // record type; a null list adds nothing.
  void parseAttributesXML_ST(plat::XmlElement list, RecordType* type);
  void parseRelationsXML_ST(plat::XmlElement list, RecordType* type);

  // --- The file half ---

  // The SP (ST) section the reader stands at into fileMetadata, compared with
  // annexMetadata; false when a faulty record, line or file stopped the
  // reading (its error line written). A failing reader call raises
  // bzCOMException.
  bool loadFromFileSWDE_SP(PlikSW* file);
  bool loadFromFileSWDE_ST(PlikSW* file);

  // The B and W lines of one SP record; the TD records of one ST record.
  // False at a faulty line.
  bool parseAttribSection(RekordSW* record);
  bool parseType(RekordSW* record);

  void parse_B_Line(LiniaSW* line);
  void parse_W_Line(LiniaSW* line);
  // The file's new record type; null when the file defined the name before.
  RecordType* parse_TD_Line(LiniaSW* line);

  // One TP, WE or WR line of type with its optional follow-up lines (TPW and
  // TPN; WP; WW and WN); index, the record's index of line, is moved past
  // the follow-up lines taken. False when a follow-up line is faulty.
  bool parseAttributeFieldDecl(LiniaSW* line, RekordSW* record, RecordType* type, unsigned* index);
  bool parseElementDecl(LiniaSW* line, RekordSW* record, RecordType* type, unsigned* index);
  bool parseRelationFieldDecl(LiniaSW* line, RekordSW* record, RecordType* type, unsigned* index);

  // Answers: 0 present (and equal), 1 present with another type, 2 absent.
  int existAttrInOriginalSP(const AnsiString& name, const AnsiString& type) const;
  int existRelatInOriginalSP(const AnsiString& name) const;
  int existRecordTypeInOriginalST(const AnsiString& name) const;
  // True when the reference type name (which must exist) has a base type
  // other than base.
  bool isCorrectRecordBaseTypeInOrigST(const AnsiString& name, const AnsiString& base) const;
  int isAttributeDeclaredInFileSP(const AnsiString& name) const;
  int isRelationDeclaredInFileSP(const AnsiString& name) const;
  // False when the reference type typeName exists and lacks the code: the
  // file's attribute (relation) is an additional one.
  bool isAdditionalAttribInOrigSP(const AnsiString& typeName, const AnsiString& code) const;
  bool isAdditionalRelatInOrigSP(const AnsiString& typeName, const AnsiString& code) const;

  // 3003 and 3004: every attribute and relation of the reference type of the
  // same name must be defined by the file's type.
  void checkMandatoryAttribAndRelat(unsigned lineNo, unsigned long position, RecordType* type);
  // 3005: the reference types of mandatory level 1 (error) and 2 (warning)
  // that the file's ST does not define.
  void checkForManadatoryRecordTypeDef(unsigned lineNo, unsigned long position);
  // 3006: a multiple file reference where the reference one is single.
  void checkRelationMultiple(AnsiString& typeName, ReferenceDef* fileReference, unsigned lineNo,
                             unsigned long position);

  Metadata* annexMetadata = nullptr;   // the reference model; not owned
  Metadata* fileMetadata = nullptr;    // the current file's own model; not owned
  bzSemanticProcess* owner = nullptr;  // writes the report lines; not owned
  unsigned interval = 0;               // milliseconds between progress updates
  smXMLDef xmlDef;

  // Of the last root read; shown by every later run.
  static AnsiString m_schemaDate;
  static AnsiString m_schemaVersion;
  static AnsiString m_schemaProfile;

 private:
  // The document's content into model; raises plat::Exception.
  void readDefinition(const plat::XmlDocument& doc, Metadata& model);

  // The section loop shared by the SP and ST loaders.
  bool loadSection(PlikSW* file, bool typesSection);
  // Line index of record, insignificant characters skipped; null past the
  // record's end is refused by the reader (bzCOMException).
  plat::ComPtr<LiniaSW> lineAt(RekordSW* record, unsigned index);
  // The line after *index when it is of code follow; then *index moves to
  // it. faulty is set when that line is faulty (its error line written).
  plat::ComPtr<LiniaSW> followUp(RekordSW* record, unsigned* index, int follow, bool* faulty);
  // The name in field 1 of such a line; "" when there is none.
  AnsiString followUpName(RekordSW* record, unsigned* index, int follow, bool* faulty);
  // The findings of a WE or WR line of type once its reference def was added
  // (null: the code was there before): 3011, 3010, 3008, 3006.
  void relationFindings(LiniaSW* line, RecordType* type, const AnsiString& code, ReferenceDef* def);
  // One finding: written through the owner (condensed by key) and counted
  // as an error or a warning of the file and the run.
  void raise(smErrorCode code, bool error, std::uint64_t lineNo, std::uint64_t position,
             const AnsiString& key, const AnsiString& arg1, const AnsiString* arg2 = nullptr);
};

}  // namespace swde
