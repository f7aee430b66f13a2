#include "processing/bzMdAnalyzer.h"

#include <memory>
#include <new>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Com.h"
#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "processing/bzException.h"
#include "processing/bzLineFields.h"
#include "processing/bzSemanticProcess.h"
#include "syntax/Sxcodes.h"

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

// Reader calls of the file half: a failing one raises bzCOMException.
#define MD_CHECK(call) checkReaderStatus((call), kUnit, __LINE__)

constexpr const char* kUnit = "bzMdAnalyzer";

constexpr std::uint8_t kSectionSP = 50;
constexpr std::uint8_t kSectionST = 51;

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

bzMdAnalyzer::bzMdAnalyzer(bzSemanticProcess* owner, unsigned interval)
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

// ---------------------------------------------------------------------------
// The file half

bool bzMdAnalyzer::loadFromFileSWDE_SP(PlikSW* file) {
  return loadSection(file, false);
}

bool bzMdAnalyzer::loadFromFileSWDE_ST(PlikSW* file) {
  return loadSection(file, true);
}

bool bzMdAnalyzer::loadSection(PlikSW* file, bool typesSection) {
  std::uint64_t t = bzProcessThread::tickCount();
  plat::ComPtr<RekordSW> record;
  MD_CHECK(file->dajKolejnyRekord(record.out()));
  // Where the section starts: the place of the findings about types the
  // section lacks (an empty section has none, 0 and 0).
  std::uint64_t firstLine = 0, firstPosition = 0;
  if (record) {
    std::uint32_t count = 0;
    MD_CHECK(record->dajIloscLinii(&count));
    if (count > 0) {
      plat::ComPtr<LiniaSW> first;
      MD_CHECK(record->dajLinie(0, first.out()));
      if (first) {
        firstLine = bzLineFields(first.get(), kUnit).number();
        firstPosition = bzLineFields(first.get(), kUnit).position();
      }
    }
  }
  while (record && !owner->isTerminated()) {
    if (typesSection) {
      std::int32_t previous = 0;
      MD_CHECK(record->pomijajKomentarze(1, &previous));
    }
    if (owner->checkError(record.get())) return false;
    if (!(typesSection ? parseType(record.get()) : parseAttribSection(record.get()))) return false;
    const std::uint64_t now = bzProcessThread::tickCount();
    if (now - t > interval) {
      t = now;
      owner->updateState();
    }
    MD_CHECK(file->dajKolejnyRekord(record.out()));
  }
  if (typesSection && !owner->isTerminated())
    checkForManadatoryRecordTypeDef(static_cast<unsigned>(firstLine),
                                    static_cast<unsigned long>(firstPosition));
  if (bzProcessThread::tickCount() - t > interval) owner->updateState();
  return !owner->checkError(file);
}

plat::ComPtr<LiniaSW> bzMdAnalyzer::lineAt(RekordSW* record, unsigned index) {
  plat::ComPtr<LiniaSW> line;
  MD_CHECK(record->dajLinie(index, line.out()));
  if (!line) MD_CHECK(plat::E_POINTER);
  std::int32_t previous = 0;
  MD_CHECK(line->pomijajZnakiNieznaczace(1, &previous));
  return line;
}

plat::ComPtr<LiniaSW> bzMdAnalyzer::followUp(RekordSW* record, unsigned* index, int follow,
                                             bool* faulty) {
  plat::ComPtr<LiniaSW> line = lineAt(record, *index + 1);
  if (owner->checkError(line.get())) {
    *faulty = true;
    return {};
  }
  if (bzLineFields(line.get(), kUnit).code() != follow) return {};
  ++*index;
  return line;
}

bool bzMdAnalyzer::parseAttribSection(RekordSW* record) {
  std::uint32_t count = 0;
  MD_CHECK(record->dajIloscLinii(&count));
  for (unsigned i = 0; i < count; ++i) {
    plat::ComPtr<LiniaSW> line = lineAt(record, i);
    if (owner->checkError(line.get())) return false;
    const int code = bzLineFields(line.get(), kUnit).code();
    if (code == lcB)
      parse_B_Line(line.get());
    else if (code == lcW)
      parse_W_Line(line.get());
  }
  return true;
}

bool bzMdAnalyzer::parseType(RekordSW* record) {
  std::uint32_t count = 0;
  MD_CHECK(record->dajIloscLinii(&count));
  for (unsigned i = 0; i < count; ++i) {
    plat::ComPtr<LiniaSW> line = lineAt(record, i);
    if (owner->checkError(line.get())) return false;
    const bzLineFields td(line.get(), kUnit);
    if (td.code() != lcTD) continue;
    const std::uint64_t tdLine = td.number();
    const std::uint64_t tdPosition = td.position();
    RecordType* type = parse_TD_Line(line.get());
    if (!type) return true;  // defined before: the rest of the record is passed over
    // The definition's lines up to its end line; a record without one makes
    // the reader refuse the index.
    for (++i;; ++i) {
      line = lineAt(record, i);
      if (owner->checkError(line.get())) return false;
      const int code = bzLineFields(line.get(), kUnit).code();
      if (code == lcX || code == lcXC) break;
      if (code == lcTP) {
        if (!parseAttributeFieldDecl(line.get(), record, type, &i)) return false;
      } else if (code == lcWE) {
        if (!parseElementDecl(line.get(), record, type, &i)) return false;
      } else if (code == lcWR) {
        if (!parseRelationFieldDecl(line.get(), record, type, &i)) return false;
      }
    }
    checkMandatoryAttribAndRelat(static_cast<unsigned>(tdLine),
                                 static_cast<unsigned long>(tdPosition), type);
  }
  return true;
}

void bzMdAnalyzer::parse_B_Line(LiniaSW* line) {
  const bzLineFields fields(line, kUnit);
  const std::uint64_t lineNo = fields.number(), position = fields.position();
  const AnsiString name = fields.name(1);
  AttribType* entry = fileMetadata->getAttribsSection()->addAttribute(name);
  if (!entry) {
    raise(seAttribDeclaredBefore, false, lineNo, position, AnsiString(), name);
    return;
  }
  entry->type = fields[2];
  entry->field3 = fields[3];
  entry->field4 = fields[4];
  const int found = existAttrInOriginalSP(name, entry->type);
  if (found == 1)
    raise(seAttribTypeMismatch, true, lineNo, position, AnsiString(), name);
  else if (found == 2)
    raise(seAttribNotInAnnex, false, lineNo, position, AnsiString(), name);
}

void bzMdAnalyzer::parse_W_Line(LiniaSW* line) {
  const bzLineFields fields(line, kUnit);
  const std::uint64_t lineNo = fields.number(), position = fields.position();
  const AnsiString name = fields.name(1);
  if (!fileMetadata->getAttribsSection()->addRelation(name))
    raise(seRelationDeclaredBefore, false, lineNo, position, AnsiString(), name);
  else if (existRelatInOriginalSP(name) == 2)
    raise(seRelationNotInAnnex, false, lineNo, position, AnsiString(), name);
}

RecordType* bzMdAnalyzer::parse_TD_Line(LiniaSW* line) {
  const bzLineFields fields(line, kUnit);
  const std::uint64_t lineNo = fields.number(), position = fields.position();
  const AnsiString name = fields.name(1);
  const AnsiString base = fields[2];
  RecordType* type = fileMetadata->getTypesSection()->addType(name, base, AnsiString());
  if (!type) {
    raise(seTypeDefinedTwice, false, lineNo, position, name, name);
    return nullptr;
  }
  if (existRecordTypeInOriginalST(name) == 2) {
    raise(seTypeNotInAnnex, false, lineNo, position, name, name);
  } else if (!annexMetadata->getTypesSection()->getType(name)->baseType.empty() &&
             isCorrectRecordBaseTypeInOrigST(name, base)) {
    // A reference type without a base type accepts any.
    raise(seTypeBaseMismatch, true, lineNo, position, name, name);
  }
  return type;
}

bool bzMdAnalyzer::parseAttributeFieldDecl(LiniaSW* line, RekordSW* record, RecordType* type,
                                           unsigned* index) {
  const bzLineFields fields(line, kUnit);
  const std::uint64_t lineNo = fields.number(), position = fields.position();
  const AnsiString code = fields.name(1);
  bool faulty = false;
  const bool multiple = static_cast<bool>(followUp(record, index, lcTPW, &faulty));
  if (faulty) return false;
  const AnsiString fieldName = followUpName(record, index, lcTPN, &faulty);
  if (faulty) return false;

  // A code defined before, or a field name taken, adds nothing.
  AttributeDef* def =
      type->getAttributeByCode(code) ? nullptr : type->addAttribute(code, fieldName);
  if (def)
    def->multiple = multiple;
  else
    raise(seTypeAttribTwice, true, lineNo, position, type->name, code, &type->name);
  if (isAttributeDeclaredInFileSP(code) == 2)
    raise(seAttribNotInSP, true, lineNo, position, AnsiString(), code);
  if (!isAdditionalAttribInOrigSP(type->name, code))
    raise(seTypeExtraAttrib, false, lineNo, position, type->name, code, &type->name);
  return true;
}

bool bzMdAnalyzer::parseElementDecl(LiniaSW* line, RekordSW* record, RecordType* type,
                                    unsigned* index) {
  const AnsiString code = bzLineFields(line, kUnit).name(1);
  bool faulty = false;
  const bool single = static_cast<bool>(followUp(record, index, lcWP, &faulty));
  if (faulty) return false;
  ReferenceDef* def =
      type->getReferenceByCode(code) ? nullptr : type->addReference(code, AnsiString());
  if (def) {
    def->element = true;
    def->multiple = !single;
  }
  relationFindings(line, type, code, def);
  return true;
}

bool bzMdAnalyzer::parseRelationFieldDecl(LiniaSW* line, RekordSW* record, RecordType* type,
                                          unsigned* index) {
  const AnsiString code = bzLineFields(line, kUnit).name(1);
  bool faulty = false;
  const bool multiple = static_cast<bool>(followUp(record, index, lcWW, &faulty));
  if (faulty) return false;
  const AnsiString fieldName = followUpName(record, index, lcWN, &faulty);
  if (faulty) return false;
  ReferenceDef* def =
      type->getReferenceByCode(code) ? nullptr : type->addReference(code, fieldName);
  if (def) def->multiple = multiple;
  relationFindings(line, type, code, def);
  return true;
}

void bzMdAnalyzer::relationFindings(LiniaSW* line, RecordType* type, const AnsiString& code,
                                    ReferenceDef* def) {
  const bzLineFields fields(line, kUnit);
  const std::uint64_t lineNo = fields.number(), position = fields.position();
  if (!def) raise(seTypeRelationTwice, true, lineNo, position, type->name, code, &type->name);
  if (isRelationDeclaredInFileSP(code) == 2)
    raise(seRelationNotInSP, true, lineNo, position, AnsiString(), code);
  if (!isAdditionalRelatInOrigSP(type->name, code))
    raise(seTypeExtraRelation, false, lineNo, position, type->name, code, &type->name);
  if (def)
    checkRelationMultiple(type->name, def, static_cast<unsigned>(lineNo),
                          static_cast<unsigned long>(position));
}

AnsiString bzMdAnalyzer::followUpName(RekordSW* record, unsigned* index, int follow, bool* faulty) {
  const plat::ComPtr<LiniaSW> line = followUp(record, index, follow, faulty);
  return line ? bzLineFields(line.get(), kUnit).name(1) : AnsiString();
}

int bzMdAnalyzer::existAttrInOriginalSP(const AnsiString& name, const AnsiString& type) const {
  const AttribType* entry = annexMetadata->getAttribsSection()->getAttribute(name);
  if (!entry) return 2;
  return entry->type == type ? 0 : 1;
}

int bzMdAnalyzer::existRelatInOriginalSP(const AnsiString& name) const {
  return annexMetadata->getAttribsSection()->isRelationTypePresent(name) ? 0 : 2;
}

int bzMdAnalyzer::existRecordTypeInOriginalST(const AnsiString& name) const {
  return annexMetadata->getTypesSection()->isTypePresent(name) ? 0 : 2;
}

bool bzMdAnalyzer::isCorrectRecordBaseTypeInOrigST(const AnsiString& name,
                                                   const AnsiString& base) const {
  return annexMetadata->getTypesSection()->getType(name)->baseType != base;
}

int bzMdAnalyzer::isAttributeDeclaredInFileSP(const AnsiString& name) const {
  return fileMetadata->getAttribsSection()->isAttributeTypePresent(name) ? 0 : 2;
}

int bzMdAnalyzer::isRelationDeclaredInFileSP(const AnsiString& name) const {
  return fileMetadata->getAttribsSection()->isRelationTypePresent(name) ? 0 : 2;
}

bool bzMdAnalyzer::isAdditionalAttribInOrigSP(const AnsiString& typeName,
                                              const AnsiString& code) const {
  const RecordType* type = annexMetadata->getTypesSection()->getType(typeName);
  return !type || type->getAttributeByCode(code);
}

bool bzMdAnalyzer::isAdditionalRelatInOrigSP(const AnsiString& typeName,
                                             const AnsiString& code) const {
  const RecordType* type = annexMetadata->getTypesSection()->getType(typeName);
  return !type || type->getReferenceByCode(code);
}

void bzMdAnalyzer::checkMandatoryAttribAndRelat(unsigned lineNo, unsigned long position,
                                                RecordType* type) {
  RecordType* reference = annexMetadata->getTypesSection()->getType(type->name);
  if (!reference) return;
  for (AttributeDef* a = reference->getFirstAttr(); a; a = reference->getNextAttr())
    if (!type->getAttributeByCode(a->code))
      raise(seTypeLacksAttrib, true, lineNo, position, type->name, a->key, &type->name);
  for (ReferenceDef* r = reference->getFirstReference(); r; r = reference->getNextReference())
    if (!type->getReferenceByCode(r->code))
      raise(seTypeLacksRelation, true, lineNo, position, type->name, r->key, &type->name);
}

void bzMdAnalyzer::checkForManadatoryRecordTypeDef(unsigned lineNo, unsigned long position) {
  TypesSection* reference = annexMetadata->getTypesSection();
  const TypesSection* file = fileMetadata->getTypesSection();
  for (RecordType* t = reference->getFirstType(); t; t = reference->getNextType()) {
    if (t->mandatoryLevel >= 3 || file->isTypePresent(t->name)) continue;
    if (t->mandatoryLevel == 1)
      raise(seNoTypeDefInST, true, lineNo, position, t->name, t->name);
    else if (t->mandatoryLevel == 2)
      raise(seNoTypeDefInST, false, lineNo, position, t->name, t->name);
    owner->updateState();
  }
}

void bzMdAnalyzer::checkRelationMultiple(AnsiString& typeName, ReferenceDef* fileReference,
                                         unsigned lineNo, unsigned long position) {
  const RecordType* type = annexMetadata->getTypesSection()->getType(typeName);
  if (!type) return;
  const ReferenceDef* reference = type->getReferenceByCode(fileReference->code);
  if (!reference) return;
  if (fileReference->multiple && !reference->multiple)
    raise(seTypeRelationMultiplicity, true, lineNo, position, typeName, fileReference->key,
          &typeName);
}

void bzMdAnalyzer::raise(smErrorCode code, bool error, std::uint64_t lineNo, std::uint64_t position,
                         const AnsiString& key, const AnsiString& arg1, const AnsiString* arg2) {
  // Both arguments are held by the caller while the message is made.
  static const AnsiString kNone;
  const AnsiString& second = arg2 ? *arg2 : kNone;
  const TVarRec args[] = {TVarRec(arg1), TVarRec(second)};
  const smError finding(code, args, arg2 ? 1 : 0);
  const std::uint8_t section = code < 3000 ? kSectionSP : kSectionST;
  owner->addToReport(code, error ? bzProcessThread::rmError : bzProcessThread::rmWarning,
                     owner->currentFile, section, static_cast<std::int64_t>(lineNo),
                     static_cast<std::int64_t>(position), finding.message, key);
  if (error) {
    ++owner->current.errors;
    ++owner->totalErrors;
  } else {
    ++owner->current.warnings;
    ++owner->totalWarns;
  }
}

}  // namespace swde
