#include "semantics/Smobject.h"

#include <charconv>
#include <new>
#include <string_view>
#include <system_error>

#include "platform/CodePage.h"
#include "platform/Number.h"

namespace swde {
namespace {

constexpr std::size_t kNoCursor = static_cast<std::size_t>(-1);

const AnsiString kCreationDate = "G5DTU";
const AnsiString kVerificationDate = "G5DTW";

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// n > 0 characters from pos, all decimal digits; never reads past the end.
bool digitsAt(std::string_view s, std::size_t pos, std::size_t n) {
  if (pos > s.size() || s.size() - pos < n || n == 0) return false;
  for (std::size_t i = pos; i < pos + n; ++i)
    if (!isDigit(s[i])) return false;
  return true;
}

bool charAt(std::string_view s, std::size_t pos, char c) {
  return pos < s.size() && s[pos] == c;
}

// rrrr.mm.dd
bool isDate(std::string_view v) {
  return v.size() == 10 && digitsAt(v, 0, 4) && charAt(v, 4, '.') && digitsAt(v, 5, 2) &&
         charAt(v, 7, '.') && digitsAt(v, 8, 2);
}

// gg:mm:ss or gg:mm:ss.sssss
bool isTime(std::string_view v) {
  if (v.size() != 8 && v.size() != 14) return false;
  if (!(digitsAt(v, 0, 2) && charAt(v, 2, ':') && digitsAt(v, 3, 2) && charAt(v, 5, ':') &&
        digitsAt(v, 6, 2)))
    return false;
  return v.size() == 8 || (charAt(v, 8, '.') && digitsAt(v, 9, 5));
}

// rrrr.mm.dd-gg:mm:ss or rrrr.mm.dd-gg:mm:ss.sssss
bool isDateTime(std::string_view v) {
  if (v.size() != 19 && v.size() != 25) return false;
  return isDate(v.substr(0, 10)) && charAt(v, 10, '-') && isTime(v.substr(11));
}

// A run of decimal digits as an unsigned number; false when empty, not all
// digits or too large.
bool readUnsigned(std::string_view s, std::uint64_t& value) {
  if (!digitsAt(s, 0, s.size())) return false;
  auto r = std::from_chars(s.data(), s.data() + s.size(), value, 10);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// Grammar of a fraction; proper is set for "n/d" with 0 < n <= d.
bool parseFraction(std::string_view value, bool& proper) {
  proper = false;
  const AnsiString t = plat::Trim(value);
  if (t.empty()) {
    proper = true;
    return true;
  }
  std::string_view rest = t;
  bool whole = false;
  const std::size_t blank = rest.find(' ');
  if (blank != std::string_view::npos) {
    std::uint64_t w = 0;
    if (!readUnsigned(rest.substr(0, blank), w)) return false;
    rest = rest.substr(blank);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    whole = true;
  }
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return false;
  std::uint64_t n = 0, d = 0;
  if (!readUnsigned(rest.substr(0, slash), n)) return false;
  if (!readUnsigned(rest.substr(slash + 1), d)) return false;
  if (d == 0) return false;
  proper = !whole && n > 0 && n <= d;
  return true;
}

bool isEmptyDate(const AnsiString& value) {
  const AnsiString t = plat::Trim(value);
  return t.empty() || t == ";";
}

}  // namespace

smObject::smObject(const AnsiString& typeName) : typeName(typeName), errorCursor_(kNoCursor) {}

smObject::~smObject() {
  errors_.clear();
  clearMaps();
}

void smObject::checkAttribValue(const smAttribute&) {}

namespace {

// Files a new entry of a multimap in its code index; when the index cannot
// take it, the entry is taken out again, so both stay as they were.
template <class Map>
void fileByCode(Map& map, CodeIndex<typename Map::const_iterator>& index,
                typename Map::iterator entry, std::string_view code) {
  // A new entry goes after those of its name already there, so it comes
  // first only when its name sorts strictly before.
  try {
    index.add(code, entry, [](const auto& a, const auto& b) { return a->first < b->first; });
  } catch (...) {
    map.erase(entry);
    throw;
  }
}

}  // namespace

smAttribute* smObject::addAttribute(const AnsiString& code, const AnsiString& name,
                                    const AnsiString& value) {
  auto attribute = std::make_unique<smAttribute>(code, name, value);
  smAttribute* raw = attribute.get();
  auto entry = attributes_.emplace(raw->name, std::move(attribute));
  fileByCode(attributes_, attributesByCode_, entry, code);
  return raw;
}

smRelation* smObject::addRelation(const AnsiString& code, const AnsiString& name) {
  auto relation = std::make_unique<smRelation>(code, name);
  smRelation* raw = relation.get();
  auto entry = relations_.emplace(raw->name, std::move(relation));
  fileByCode(relations_, relationsByCode_, entry, code);
  return raw;
}

smAttribute* smObject::getAttribute(const AnsiString& name) const {
  auto it = attributes_.find(name);
  return it == attributes_.end() ? nullptr : it->second.get();
}

smRelation* smObject::getRelation(const AnsiString& name) const {
  auto it = relations_.find(name);
  return it == relations_.end() ? nullptr : it->second.get();
}

smAttribute* smObject::getAttributeByCode(std::string_view code) const {
  const Attributes::const_iterator* entry = attributesByCode_.find(code);
  return entry ? (*entry)->second.get() : nullptr;
}

smRelation* smObject::getRelationByCode(std::string_view code) const {
  const Relations::const_iterator* entry = relationsByCode_.find(code);
  return entry ? (*entry)->second.get() : nullptr;
}

// Once a walk has run out it stays out until the next getFirstError, even
// when findings are added meanwhile.
smError* smObject::getFirstError() {
  errorCursor_ = errors_.empty() ? kNoCursor : 0;
  return errors_.empty() ? nullptr : errors_.front().get();
}

smError* smObject::getNextError() {
  if (errorCursor_ == kNoCursor) return nullptr;
  if (++errorCursor_ < errors_.size()) return errors_[errorCursor_].get();
  errorCursor_ = kNoCursor;
  return nullptr;
}

void smObject::clearMaps() {
  attributesByCode_.clear();
  relationsByCode_.clear();
  attributes_.clear();
  relations_.clear();
}

void smObject::setExistMetadata(bool exists) {
  existMetadata_ = exists;
}

void smObject::raise(smErrorCode code, smError::ReportMsgType kind, std::uint64_t atLine,
                     std::uint64_t atPosition, std::initializer_list<TVarRec> args) {
  try {
    errors_.push_back(std::make_unique<smError>(code, smError::kSectionSO, kind, atLine, atPosition,
                                                args.begin(), static_cast<int>(args.size()) - 1,
                                                typeName));
  } catch (const std::bad_alloc&) {
    // A finding that cannot be stored is dropped; the check goes on.
  }
}

void smObject::raiseOn(const smAttribute& attribute, smErrorCode code,
                       smError::ReportMsgType kind) {
  raise(code, kind, attribute.line, attribute.position, {attribute.name, typeName});
}

RecordType* smObject::annexType() const {
  if (typesHeld_) return heldAnnexType_;
  return annex_ ? annex_->getTypesSection()->getType(typeName) : nullptr;
}

RecordType* smObject::fileType() const {
  if (typesHeld_) return heldFileType_;
  return fileMetadata_ ? fileMetadata_->getTypesSection()->getType(typeName) : nullptr;
}

// ---------------------------------------------------------------------------
// Structural checks

bool smObject::checkMain(Metadata* annex, Metadata* fileMetadata) {
  annex_ = annex;
  fileMetadata_ = fileMetadata;
  typesHeld_ = false;
  heldAnnexType_ = annexType();
  heldFileType_ = fileType();
  typesHeld_ = true;
  struct Release {
    bool& held;
    ~Release() { held = false; }
  } release{typesHeld_};
  if (!isTypeDefined() || !checkStatusFormat()) {
    clearMaps();
    return false;
  }
  isCorrectBaseType();
  existsAttribsRelationsInST();
  existsAttribsInSO();
  existsRelationsInSO();
  checkRelationDest();
  checkAttrAndRelatMultiple();
  // Value checks. The annex declares attribute types under their codes, so a
  // file that renames an attribute still has its value checked.
  AttribsSection* types = annex_ ? annex_->getAttribsSection() : nullptr;
  if (types) {
    for (const auto& [name, attribute] : attributes_)
      if (const AttribType* type = types->getAttribute(attribute->code))
        checkAttribute(type->type, *attribute);
  }
  checkDate();
  return true;
}

bool smObject::isTypeDefined() {
  if (existMetadata_) {
    if (fileType()) return true;
    raise(seNoTypeDefinition, smError::kError, line, position,
          {typeName, plat::cp("sekcji ST w pliku")});
    return annexType() != nullptr;
  }
  if (annexType()) return true;
  raise(seNoTypeDefinition, smError::kError, line, position, {typeName, plat::cp("załączniku")});
  return false;
}

bool smObject::checkStatusFormat() {
  for (const char* ok : {"00", "01", "02", "10", "11", "12"})
    if (status == ok) return true;
  for (const char* refused : {"20", "21", "22"})
    if (status == refused) return false;
  raise(seBadStatus, smError::kError, line, position, {typeName});
  return true;
}

// An empty base type states nothing: neither the object's nor a definition's
// is compared. The annex's definition is asked first; when it states no base
// type, the file's own definition may.
void smObject::isCorrectBaseType() {
  if (baseType.empty()) return;
  const RecordType* annex = annexType();
  const AnsiString* expected = annex && !annex->baseType.empty() ? &annex->baseType : nullptr;
  if (!expected) {
    const RecordType* own = fileType();
    if (own && !own->baseType.empty()) expected = &own->baseType;
  }
  if (expected && *expected != baseType)
    raise(seBadBaseType, smError::kError, line, position, {typeName});
}

void smObject::existsAttribsRelationsInST() {
  RecordType* type = fileType();
  if (!type) type = annexType();
  if (!type) return;
  for (const auto& [name, attribute] : attributes_)
    if (!type->getAttributeByCode(attribute->code))
      raiseOn(*attribute, seAttribNotDefined, smError::kWarning);
  for (const auto& [name, relation] : relations_)
    if (!type->getReferenceByCode(relation->code))
      raise(seRelationNotDefined, smError::kWarning, relation->line, relation->position,
            {relation->name, typeName});
}

// Mandatory attributes and relations are matched by code: an object's entry
// carries the file's name for it when the file renames it, and its code
// otherwise, while the annex files it under a name of its own.
void smObject::existsAttribsInSO() {
  RecordType* annex = annexType();
  if (!annex) return;
  RecordType* own = fileType();
  for (AttributeDef* def = annex->getFirstAttr(); def; def = annex->getNextAttr()) {
    if (def->mandatoryLevel >= 3) continue;
    if (getAttributeByCode(def->code)) continue;
    const AttributeDef* renamed = own ? own->getAttributeByCode(def->code) : nullptr;
    const AnsiString& shown = renamed ? renamed->key : def->key;
    if (def->mandatoryLevel == 1)
      raise(seMissingAttrib, smError::kError, line, position, {shown, typeName});
    else if (def->mandatoryLevel == 2)
      raise(seMissingAttrib, smError::kWarning, line, position, {shown, typeName});
  }
}

void smObject::existsRelationsInSO() {
  RecordType* annex = annexType();
  if (!annex) return;
  RecordType* own = fileType();
  for (ReferenceDef* def = annex->getFirstReference(); def; def = annex->getNextReference()) {
    // An element relation is carried by the component records that point
    // at this one; their number is checked across records.
    if (def->mandatoryLevel >= 3 || def->element) continue;
    if (getRelationByCode(def->code)) continue;
    const ReferenceDef* renamed = own ? own->getReferenceByCode(def->code) : nullptr;
    const AnsiString& shown = renamed ? renamed->key : def->key;
    if (def->mandatoryLevel == 1)
      raise(seMissingRelation, smError::kError, line, position, {shown, typeName});
    else if (def->mandatoryLevel == 2)
      raise(seMissingRelation, smError::kWarning, line, position, {shown, typeName});
  }
}

void smObject::checkRelationDest() {
  RecordType* annex = annexType();
  if (!annex) return;
  for (const auto& [name, relation] : relations_) {
    if (relation->targetType.empty()) continue;
    const ReferenceDef* def = annex->getReferenceByCode(relation->code);
    if (def && !def->isRefTypeNamePresent(relation->targetType))
      raise(seBadRelationTarget, smError::kError, line, position, {relation->name, typeName});
  }
}

std::size_t smObject::countAttributesWithCode(std::string_view code,
                                              const smAttribute** first) const {
  const std::size_t n = attributesByCode_.count(code);
  if (n > 0) *first = getAttributeByCode(code);
  return n;
}

std::size_t smObject::countRelationsWithCode(std::string_view code,
                                             const smRelation** first) const {
  const std::size_t n = relationsByCode_.count(code);
  if (n > 0) *first = getRelationByCode(code);
  return n;
}

void smObject::checkAttrAndRelatMultiple() {
  RecordType* type = annexType();
  if (!type) type = fileType();
  if (!type) return;
  for (AttributeDef* def = type->getFirstAttr(); def; def = type->getNextAttr()) {
    if (def->multiple) continue;
    const smAttribute* first = nullptr;
    if (countAttributesWithCode(def->code, &first) > 1)
      raise(seAttribCount, smError::kError, line, position, {first->name, typeName});
  }
  for (ReferenceDef* def = type->getFirstReference(); def; def = type->getNextReference()) {
    if (def->multiple) continue;
    const smRelation* first = nullptr;
    if (countRelationsWithCode(def->code, &first) > 1)
      raise(seRelationCount, smError::kError, line, position, {first->name, typeName});
  }
}

// Dates are compared on their "rrrr.mm.dd" part, and only when both values
// passed their format checks.
void smObject::checkDate() {
  const smAttribute* created = getAttributeByCode(kCreationDate);
  const smAttribute* verified = getAttributeByCode(kVerificationDate);
  const bool noCreation = !created || isEmptyDate(created->value);
  const bool noVerification = !verified || isEmptyDate(verified->value);
  if (noCreation) {
    if (!created) return;
    raise(seNoCreationDate, smError::kError, created->line, created->position, {typeName});
  }
  if (verified && noVerification) {
    raise(seNoVerificationDate, smError::kError, verified->line, verified->position, {typeName});
    return;
  }
  if (noCreation || noVerification || !creationDateValid_ || !verificationDateValid_) return;
  const std::string_view c = std::string_view(created->value).substr(0, 10);
  const std::string_view v = std::string_view(verified->value).substr(0, 10);
  if (v < c)
    raise(seVerificationBeforeCreation, smError::kError, verified->line, verified->position,
          {typeName});
}

// ---------------------------------------------------------------------------
// Value checks

bool smObject::isCorrectFloatData(std::string_view value) {
  // The whole value, blanks and controls around it aside, is one decimal
  // number that fits a double: an underflow is refused like an overflow.
  double d;
  return plat::parseDecimal(plat::TrimView(value), d) == plat::DecimalStatus::Ok;
}

bool smObject::isCorectFraction(const smAttribute& attribute) {
  bool proper = false;
  const bool ok = parseFraction(attribute.value, proper);
  properFraction_ = proper;
  if (!ok) raiseOn(attribute, seBadFraction);
  return ok;
}

void smObject::invalidateDate(const smAttribute& attribute) {
  if (attribute.code == kCreationDate) creationDateValid_ = false;
  if (attribute.code == kVerificationDate) verificationDateValid_ = false;
}

void smObject::checkAttribute(const AnsiString& typeCode, const smAttribute& attribute) {
  properFraction_ = true;
  if (!isWellFormed(typeCode, attribute)) {
    invalidateDate(attribute);
    return;
  }
  checkAttribValueRange(attribute);
}

// The grammar of the base type; the first failing test raises its finding.
bool smObject::isWellFormed(const AnsiString& typeCode, const smAttribute& attribute) {
  struct Rule {
    std::string_view type;
    smErrorCode fault;
    bool blankIsEmpty;  // a value of blanks only counts as empty
    bool (*accepts)(std::string_view);
  };
  static constexpr Rule kRules[] = {
      {"FL", seBadFloat, false, isCorrectFloatData},
      {"NO", seBadInteger, false,
       [](std::string_view v) {
         std::int64_t n = 0;
         return plat::TryStrToInt64(v, n);
       }},
      {"LN", seBadLogical, false,
       [](std::string_view v) {
         const std::string_view t = plat::TrimView(v);
         return t == "1" || t == "0";
       }},
      {"DN", seBadDate, false, isDate},
      {"HR", seBadTime, true, isTime},
      {"DH", seBadDateTime, true, isDateTime},
  };
  const AnsiString& v = attribute.value;
  if (typeCode == "UL") {  // checked also when empty
    if (v.find(';') != AnsiString::npos) {
      raiseOn(attribute, seBadCharInValue);
      return false;
    }
    return isCorectFraction(attribute);
  }
  for (const Rule& rule : kRules) {
    if (typeCode != rule.type) continue;
    if (rule.blankIsEmpty ? plat::TrimView(v).empty() : v.empty()) return true;
    if (v.find(';') != AnsiString::npos) {
      raiseOn(attribute, seBadCharInValue);
      return false;
    }
    if (rule.accepts(v)) return true;
    raiseOn(attribute, rule.fault);
    return false;
  }
  return true;  // no grammar for other types
}

void smObject::checkAttribValueRange(const smAttribute& attribute) {
  RecordType* type = annexType();
  const AttributeDef* def = type ? type->getAttributeByCode(attribute.code) : nullptr;
  if (!def) {
    checkAttribValue(attribute);
    return;
  }
  const AnsiString t = plat::Trim(attribute.value);
  if (t.empty()) {
    if (def->mandatoryLevel >= 3) return;
    if (def->mandatoryLevel == 1) raiseOn(attribute, seEmptyValue, smError::kError);
    if (def->mandatoryLevel == 2) raiseOn(attribute, seEmptyValue, smError::kWarning);
    checkAttribValue(attribute);
    return;
  }
  if (def->getPossibleValuesCount() == 0 || def->isValuePresent(t)) {
    checkAttribValue(attribute);
    return;
  }
  raiseOn(attribute, seValueOutOfRange);
}

void smObject::checkProperShare(const smAttribute& attribute) {
  if (attribute.code == "G5UD" && !properFraction_) raiseOn(attribute, seImproperFraction);
}

}  // namespace swde
