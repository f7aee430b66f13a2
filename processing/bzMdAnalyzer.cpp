#include "processing/bzMdAnalyzer.h"

#include <memory>
#include <new>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "processing/bzProcessThread.h"

namespace swde {

using plat::cp;
using plat::XmlElement;

AnsiString bzMdAnalyzer::m_schemaDate;
AnsiString bzMdAnalyzer::m_schemaVersion;
AnsiString bzMdAnalyzer::m_schemaProfile;

namespace {

// An element's name for a message; a character without a cp1250 byte shows
// as "?" there.
AnsiString shown(const std::u16string& name) {
  return plat::utf16ToCp1250(name);
}

// " (element <E>, wiersz <n>)" of an element, for the messages.
AnsiString where(const XmlElement& e) {
  return " (element " + shown(e.name()) + ", wiersz " + plat::IntToStr(e.line()) + ")";
}

[[noreturn]] void formatError() {
  throw plat::Exception(cp("Niepoprawny format pliku z metadanymi \"wzorcowymi\""));
}

[[noreturn]] void swdeFormatError() {
  throw plat::Exception(cp("Niepoprawny format pliku SWDE z metadanymi \"wzorcowymi\""));
}

[[noreturn]] void repeatedName(const AnsiString& name, const XmlElement& e) {
  throw plat::Exception(cp("Powtórzona nazwa \"") + name + "\"" + where(e));
}

// The value of attribute a of e ("" when absent) in cp1250; a character
// that cp1250 lacks fails the load.
AnsiString text(const XmlElement& e, const std::u16string& a) {
  AnsiString out;
  if (!plat::tryUtf16ToCp1250(e.attribute(a), out))
    throw plat::Exception(cp("Znak spoza strony kodowej 1250 (element ") + shown(e.name()) +
                          ", atrybut " + shown(a) + ", wiersz " + plat::IntToStr(e.line()) + ")");
  return out;
}

// The mandatory level of e: a decimal number, blanks around allowed.
int mandatoryLevel(const XmlElement& e, const smXMLDef& def) {
  const AnsiString level = text(e, def.attrMandatoryLevel);
  try {
    return plat::StrToInt(level);
  } catch (const plat::EConvertError& x) {
    throw plat::EConvertError(x.Message() + where(e));
  }
}

// Exactly "true"; anything else, the empty text included, is false.
bool isTrue(const XmlElement& e, const std::u16string& a) {
  return e.attribute(a) == u"true";
}

// The bytes of the file at path, at most kMaxDefinitionSize of them.
std::string readWhole(const std::string& path) {
  plat::InputFile file(path);
  if (file.size() > bzMdAnalyzer::kMaxDefinitionSize)
    throw plat::EFileError(cp("Plik jest za duży (ponad 64 MiB): ") + plat::fileNameToCp1250(path));
  std::string bytes(static_cast<std::size_t>(file.size()), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t n = file.read(bytes.data() + done, bytes.size() - done);
    if (n == 0) break;  // the file shrank since it was opened
    done += n;
  }
  bytes.resize(done);
  return bytes;
}

// The exception in flight as the load reports it.
[[noreturn]] void rethrowAsReadError() {
  const AnsiString prefix = cp("Błąd odczytu metadanych \"wzorcowych\": ");
  try {
    throw;
  } catch (const plat::Exception& e) {
    throw plat::Exception(prefix + e.Message());
  } catch (const std::bad_alloc&) {
    throw plat::Exception(prefix + cp("Brak pamięci"));
  } catch (...) {
    throw plat::Exception(cp("Nieznany błąd"));
  }
}

}  // namespace

bzMdAnalyzer::bzMdAnalyzer(bzProcessThread* owner, unsigned interval)
    : owner(owner), interval(interval) {}

bzMdAnalyzer::~bzMdAnalyzer() = default;

void bzMdAnalyzer::loadFromFileXML() {
  std::string path;
  try {
    path = plat::executableFolder();
    if (path.back() != '/') path += '/';
    path += "metadata_def.xml";
  } catch (...) {
    rethrowAsReadError();
  }
  loadFromFileXML(path);
}

void bzMdAnalyzer::loadFromFileXML(const std::string& path) {
  try {
    std::unique_ptr<plat::XmlDocument> doc;
    {
      const std::string bytes = readWhole(path);
      doc = std::make_unique<plat::XmlDocument>(bytes);
    }
    Metadata loaded;
    readDefinition(*doc, loaded);
    if (annexMetadata) annexMetadata->swap(loaded);
  } catch (...) {
    rethrowAsReadError();
  }
}

void bzMdAnalyzer::readDefinition(const plat::XmlDocument& doc, Metadata& model) {
  const XmlElement root = doc.root();
  parseXMLMainTag(root);

  const XmlElement attribs = root.firstChild();
  if (!attribs || attribs.name() != xmlDef.tagAttribsSect) formatError();
  const XmlElement attributes = attribs.firstChild();
  if (!attributes || attributes.name() != xmlDef.tagAttributes) swdeFormatError();
  parseAttributesXML_SP(attributes, model.getAttribsSection());
  const XmlElement relations = attributes.nextSibling();
  if (!relations) formatError();
  parseRelationsXML_SP(relations, model.getAttribsSection());

  const XmlElement types = attribs.nextSibling();
  if (!types || types.name() != xmlDef.tagTypesSect) formatError();
  for (XmlElement o = types.firstChild(); o; o = o.nextSibling()) {
    if (o.name() != xmlDef.tagObject) formatError();
    const AnsiString name = text(o, xmlDef.attrName);
    RecordType* type =
        model.getTypesSection()->addType(name, text(o, xmlDef.attrBaseType), AnsiString());
    if (!type) repeatedName(name, o);
    type->mandatoryLevel = mandatoryLevel(o, xmlDef);
    // The attribute list, then the relation list; a list that has no
    // entries may be left out, the attribute list with the relations.
    const XmlElement first = o.firstChild();
    if (!first) formatError();
    const std::u16string firstName = first.name();
    if (firstName == xmlDef.tagAttributes) {
      parseAttributesXML_ST(first, type);
      parseRelationsXML_ST(first.nextSibling(), type);
    } else if (firstName == xmlDef.tagRelations) {
      parseRelationsXML_ST(first, type);
    } else {
      parseRelationsXML_ST(first.nextSibling(), type);
    }
  }
}

void bzMdAnalyzer::parseXMLMainTag(XmlElement root) {
  if (root) {
    try {
      AnsiString date = text(root, xmlDef.attrSchemaDate);
      AnsiString version = text(root, xmlDef.attrSchemaVersion);
      AnsiString profile = text(root, xmlDef.attrSchemaProfile);
      m_schemaDate = std::move(date);
      m_schemaVersion = std::move(version);
      m_schemaProfile = std::move(profile);
    } catch (const plat::Exception&) {
      // A root value that cp1250 cannot hold fails the load like any other
      // value; the schema lines, with the values of before, still show.
      saveSchemaInfo();
      throw;
    }
  }
  saveSchemaInfo();
}

void bzMdAnalyzer::saveSchemaInfo() {
  if (!owner) return;
  owner->addToReport("Data utworzenia schematu: " + m_schemaDate);
  owner->addToReport("Wersja utworzenia schematu: " + m_schemaVersion);
  owner->addToReport("Profil schematu: " + m_schemaProfile);
  owner->addToReport(AnsiString());
}

void bzMdAnalyzer::parseAttributesXML_SP(XmlElement list, AttribsSection* sp) {
  for (XmlElement a = list.firstChild(); a; a = a.nextSibling()) {
    const AnsiString name = text(a, xmlDef.attrName);
    AttribType* type = sp->addAttribute(name);
    if (!type) repeatedName(name, a);
    type->type = text(a, xmlDef.attrType);
  }
}

void bzMdAnalyzer::parseRelationsXML_SP(XmlElement list, AttribsSection* sp) {
  for (XmlElement r = list.firstChild(); r; r = r.nextSibling()) {
    const AnsiString name = text(r, xmlDef.attrName);
    if (!sp->addRelation(name)) repeatedName(name, r);
  }
}

void bzMdAnalyzer::parseAttributesXML_ST(XmlElement list, RecordType* type) {
  for (XmlElement a = list.firstChild(); a; a = a.nextSibling()) {
    const AnsiString code = text(a, xmlDef.attrName);
    const AnsiString field = text(a, xmlDef.attrFieldName);
    AttributeDef* def = type->addAttribute(code, field);
    if (!def) repeatedName(field.empty() ? code : field, a);
    def->mandatoryLevel = mandatoryLevel(a, xmlDef);
    def->multiple = isTrue(a, xmlDef.attrMultiple);
    for (XmlElement v = a.firstChild(); v; v = v.nextSibling())
      def->AddValue(text(v, xmlDef.attrValueStr), text(v, xmlDef.attrValueInt));
  }
}

void bzMdAnalyzer::parseRelationsXML_ST(XmlElement list, RecordType* type) {
  for (XmlElement r = list.firstChild(); r; r = r.nextSibling()) {
    const AnsiString code = text(r, xmlDef.attrName);
    const AnsiString field = text(r, xmlDef.attrFieldName);
    ReferenceDef* def = type->addReference(code, field);
    if (!def) repeatedName(field.empty() ? code : field, r);
    def->mandatoryLevel = mandatoryLevel(r, xmlDef);
    def->multiple = isTrue(r, xmlDef.attrMultiple);
    def->element = isTrue(r, xmlDef.attrElement);
    for (XmlElement d = r.firstChild(); d; d = d.nextSibling())
      def->addRefTypeName(text(d, xmlDef.attrName));
  }
}

}  // namespace swde
