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
#pragma once

#include <cstdint>
#include <string>

#include "metadata/Metadata.h"
#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "platform/XmlDocument.h"
#include "semantics/Smxmldef.h"

namespace swde {

using plat::AnsiString;

class bzProcessThread;

class OLVCORE_API bzMdAnalyzer {
 public:
  bzMdAnalyzer(bzProcessThread* owner, unsigned interval);
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

  Metadata* annexMetadata = nullptr;  // the reference model; not owned
  Metadata* fileMetadata = nullptr;   // the current file's own model; not owned
  bzProcessThread* owner = nullptr;   // writes the report lines; not owned
  unsigned interval = 0;              // milliseconds between progress updates
  smXMLDef xmlDef;

  // Of the last root read; shown by every later run.
  static AnsiString m_schemaDate;
  static AnsiString m_schemaVersion;
  static AnsiString m_schemaProfile;

 private:
  // The document's content into model; raises plat::Exception.
  void readDefinition(const plat::XmlDocument& doc, Metadata& model);
};

}  // namespace swde
