#include "processing/bzRelationAnalyzer.h"

#include <sys/mman.h>

#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <new>

#include "platform/CodePage.h"
#include "platform/Com.h"
#include "platform/ComPtr.h"
#include "platform/Exception.h"
#include "platform/Format.h"
#include "processing/bzException.h"
#include "processing/bzLineFields.h"
#include "processing/bzSemanticProcess.h"
#include "syntax/Sxcodes.h"

namespace swde {

using plat::cp;

namespace {

#define RA_CHECK(call) checkReaderStatus((call), kUnit, __LINE__)

constexpr std::uint8_t kSectionSO = 49;

constexpr const char* kUnit = "bzRelationAnalyzer";

// The passes look at the clock once per so many records.
constexpr std::uint64_t kClockEvery = 64;

bool isRecordStart(int code) {
  return code == lcRL || code == lcRM || code == lcRO || code == lcRP || code == lcRC ||
         code == lcRD;
}

// One of "00", "01", "10", "11".
bool isCurrentStatus(std::string_view s) {
  return s.size() == 2 && (s[0] == '0' || s[0] == '1') && (s[1] == '0' || s[1] == '1');
}

bool isTrimmedEmpty(std::string_view s) {
  return plat::TrimView(s).empty();
}

[[noreturn]] void allocationFailed() {
  throw plat::Exception(cp("Błąd przydziału pamięci"));
}

}  // namespace

bzRelationAnalyzer::bzRelationAnalyzer(bzSemanticProcess* process, unsigned interval)
    : factory_(std::make_unique<smObjectFactory>()),
      process_(process),
      interval_(interval),
      progressAt_(bzProcessThread::tickCount()) {}

// ---------------------------------------------------------------------------
// The identifier indexes

template <>
std::string_view bzRelationAnalyzer::RecordIndex<std::string_view>::keyOf(const smRecord& record) {
  return record.objectId;
}

template <>
bzRelationAnalyzer::RecordKey bzRelationAnalyzer::RecordIndex<bzRelationAnalyzer::RecordKey>::keyOf(
    const smRecord& record) {
  return RecordKey(record.recordId, record.fileIndex);
}

template <>
std::size_t bzRelationAnalyzer::RecordIndex<std::string_view>::hash(const std::string_view& key) {
  return std::hash<std::string_view>()(key);
}

template <>
std::size_t bzRelationAnalyzer::RecordIndex<bzRelationAnalyzer::RecordKey>::hash(
    const RecordKey& key) {
  return std::hash<std::string_view>()(key.first) ^
         (static_cast<std::size_t>(key.second) * 0x9E3779B97F4A7C15ULL);
}

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// n empty slots; a large table asks for huge pages, as its slots are read at
// random.
template <class Slot>
Slot* newSlots(std::size_t n) {
  const std::size_t bytes = n * sizeof(Slot);
  void* memory = bytes >= kHugePage ? std::aligned_alloc(kHugePage, bytes) : std::malloc(bytes);
  if (!memory) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  if (bytes >= kHugePage) ::madvise(memory, bytes, MADV_HUGEPAGE);
#endif
  Slot* slots = static_cast<Slot*>(memory);
  std::uninitialized_value_construct_n(slots, n);
  return slots;
}

}  // namespace

template <class Key>
void bzRelationAnalyzer::RecordIndex<Key>::Free::operator()(Slot* slots) const {
  std::free(slots);
}

template <class Key>
smRecord* bzRelationAnalyzer::RecordIndex<Key>::find(const Key& key) const {
  if (!size_) return nullptr;
  const std::size_t h = hash(key);
  const std::size_t mask = size_ - 1;
  for (std::size_t i = h & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (!slot.record) return nullptr;
    if (slot.hash == h && keyOf(*slot.record) == key) return slot.record;
  }
}

template <class Key>
void bzRelationAnalyzer::RecordIndex<Key>::prefetch(const Key& key) const {
  if (size_) __builtin_prefetch(&slots_[hash(key) & (size_ - 1)]);
}

template <class Key>
void bzRelationAnalyzer::RecordIndex<Key>::prefetchRecord(const Key& key) const {
  if (!size_) return;
  const std::size_t h = hash(key);
  const std::size_t mask = size_ - 1;
  for (std::size_t i = h & mask; slots_[i].record; i = (i + 1) & mask) {
    if (slots_[i].hash != h) continue;
    const char* record = reinterpret_cast<const char*>(slots_[i].record);
    for (std::size_t line = 0; line < sizeof(smRecord); line += 64)
      __builtin_prefetch(record + line);
    return;
  }
}

template <class Key>
void bzRelationAnalyzer::RecordIndex<Key>::place(smRecord* record, std::size_t hash) {
  const std::size_t mask = size_ - 1;
  std::size_t i = hash & mask;
  while (slots_[i].record) i = (i + 1) & mask;
  slots_[i] = Slot{record, hash};
}

template <class Key>
void bzRelationAnalyzer::RecordIndex<Key>::add(smRecord* record) {
  if ((used_ + 1) * 2 > size_) {
    const std::size_t oldSize = size_;
    std::unique_ptr<Slot[], Free> old(newSlots<Slot>(size_ ? size_ * 2 : 64));
    old.swap(slots_);
    size_ = size_ ? size_ * 2 : 64;
    for (std::size_t i = 0; i < oldSize; ++i)
      if (old[i].record) place(old[i].record, old[i].hash);
  }
  place(record, hash(keyOf(*record)));
  ++used_;
}

template <class Key>
void bzRelationAnalyzer::RecordIndex<Key>::clear() {
  slots_.reset();
  size_ = used_ = 0;
}

smRecord& bzRelationAnalyzer::RecordList::add(const AnsiString& typeName) {
  if (size_ % kBlock == 0) blocks_.push_back(std::make_unique<smRecord[]>(kBlock));
  smRecord& record = blocks_.back()[size_++ % kBlock];
  record.typeName = typeName;
  return record;
}

template <class Visit>
bool bzRelationAnalyzer::RecordList::forEach(Visit& visit) {
  for (std::size_t i = 0; i < size_; ++i)
    if (!visit(blocks_[i / kBlock][i % kBlock])) return false;
  return true;
}

bzRelationAnalyzer::~bzRelationAnalyzer() {
  // The indexes point into the records.
  byObjectId_.clear();
  byRecordId_.clear();
  records_.clear();
}

std::uint32_t bzRelationAnalyzer::passErrors(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= passErrors_.size()) return 0;
  return passErrors_[static_cast<std::size_t>(i)];
}

// ---------------------------------------------------------------------------
// Loading

void bzRelationAnalyzer::progress() {
  const std::uint64_t now = bzProcessThread::tickCount();
  if (now - progressAt_ > interval_) {
    progressAt_ = now;
    process_->updateState();
  }
}

bool bzRelationAnalyzer::load(PlikSW* file) {
  progressAt_ = bzProcessThread::tickCount();
  plat::ComPtr<RekordSW> record;
  RA_CHECK(file->dajKolejnyRekord(record.out()));
  while (record && !process_->isTerminated()) {
    ++process_->recordsCount;
    if (process_->checkError(record.get())) return false;
    if (!parseObject(record.get())) return false;
    progress();
    RA_CHECK(file->dajKolejnyRekord(record.out()));
  }
  progress();
  return !process_->checkError(file);
}

bool bzRelationAnalyzer::parseObject(RekordSW* record) {
  if (!record || process_->isTerminated()) return true;
  std::uint32_t count = 0;
  RA_CHECK(record->dajIloscLinii(&count));
  std::int32_t previous = 0;
  RA_CHECK(record->pomijajKomentarze(1, &previous));

  // Past the record's last line the reader refuses the index.
  auto lineAt = [&](unsigned index) {
    plat::ComPtr<LiniaSW> line;
    RA_CHECK(record->dajLinie(index, line.out()));
    if (!line) RA_CHECK(plat::E_POINTER);
    return line;
  };

  for (unsigned i = 0; i < count; ++i) {
    plat::ComPtr<LiniaSW> line = lineAt(i);
    if (process_->checkError(line.get())) return false;
    if (!isRecordStart(bzLineFields(line.get(), kUnit).code())) continue;

    std::unique_ptr<smObject> object;
    smRecord* entry = parseRecordLine(line.get(), &object);
    if (!entry || !object) return true;
    createWERelationCounters(entry);
    fileType_ = fileMetadata ? fileMetadata->getTypesSection()->getType(object->typeName) : nullptr;
    for (++i;; ++i) {
      line = lineAt(i);
      if (process_->checkError(line.get())) return false;
      const int code = bzLineFields(line.get(), kUnit).code();
      if (code == lcX || code == lcXC) break;
      if (code == lcD)
        parseAttributeLine(line.get(), object.get());
      else if (code == lcWG || code == lcWL)
        parseRelationLine(line.get(), object.get(), entry, code);
      else if (code == lcP)
        parseTopologicalRelatLine(line.get(), entry);
    }
    entry->shrinkRelations();
    if (!object->checkMain(annexMetadata, fileMetadata)) entry->accepted = false;
    fillReportByObjectErrors(object.get());
    object.reset();
    fileType_ = nullptr;
    // The caller looks at the time after the record's last object.
    if (i + 1 < count) progress();
  }
  return true;
}

smRecord* bzRelationAnalyzer::parseRecordLine(LiniaSW* line, std::unique_ptr<smObject>* object) {
  object->reset();
  std::int32_t previous = 0;
  RA_CHECK(line->pomijajZnakiNieznaczace(1, &previous));
  const bzLineFields fields(line, kUnit);
  if (fields.count() < 3) return nullptr;
  // The identifiers are looked up once the record is made.
  byObjectId_.prefetch(fields.view(3));
  byRecordId_.prefetch(RecordKey(fields.view(4), process_->currentFile));
  // Field 1 is not used.
  const AnsiString label(plat::TrimView(fields.view(0)));
  smRecord* record = addRecord(fields.name(2));
  if (!record) return nullptr;
  record->fileIndex = process_->currentFile;
  record->label = label;
  *object = factory_->createObject(record->typeName);
  if (!*object) return nullptr;
  smObject& o = **object;
  o.setExistMetadata(fileMetadataPresent);
  o.baseType = label;
  record->objectId = fields[3];
  record->recordId = fields[4];
  record->status = fields[5];
  o.objectId = record->objectId;
  o.recordId = record->recordId;
  o.status = record->status;
  record->line = o.line = fields.number();
  record->position = o.position = fields.position();
  indexRecord(record);
  return record;
}

void bzRelationAnalyzer::indexRecord(smRecord* record) {
  if (isTrimmedEmpty(record->objectId)) {
    raiseLoadError(seNoObjectId, *record, record->typeName, record->typeName);
  } else {
    // A new current version clashes with every current version of the same
    // identifier and type, wherever it stands among the equal identifiers.
    const bool current = isCurrentStatus(record->status);
    bool twice = false;
    smRecord* last = nullptr;
    for (smRecord* r = byObjectId_.find(record->objectId); r; r = r->nextSameObjectId) {
      last = r;
      twice = twice || (current && r->typeName == record->typeName && isCurrentStatus(r->status));
    }
    if (twice)
      raiseLoadError(seCurrentVersionTwice, *record, record->typeName, record->typeName,
                     &record->objectId);
    else if (last)
      last->nextSameObjectId = record;
    else
      byObjectId_.add(record);
  }
  if (!isTrimmedEmpty(record->recordId)) {
    if (byRecordId_.find(RecordKey(record->recordId, record->fileIndex)))
      raiseLoadError(seRecordIdTwice, *record, AnsiString(), record->recordId);
    else
      byRecordId_.add(record);
  }
}

const AnsiString& bzRelationAnalyzer::intern(const AnsiString& typeName) {
  return *typeNames_.insert(typeName).first;
}

smRecord* bzRelationAnalyzer::addRecord(const AnsiString& typeName) {
  const AnsiString& name = intern(typeName);
  smRecord& record = records_[std::string_view(name)].add(name);
  ++recordCount_;
  return &record;
}

void bzRelationAnalyzer::createWERelationCounters(smRecord* record) {
  if (!annexMetadata) return;
  RecordType* type = annexMetadata->getTypesSection()->getType(record->typeName);
  if (!type || !type->isComplex()) return;
  for (ReferenceDef* r = type->getFirstReference(); r; r = type->getNextReference())
    if (r->element) record->addElemRelation(r->code);
}

void bzRelationAnalyzer::parseAttributeLine(LiniaSW* line, smObject* object) {
  const bzLineFields fields(line, kUnit);
  const AnsiString code = fields.name(1);
  const AnsiString value = fields[3];
  const std::string_view trimmed = plat::TrimView(value);
  if (!trimmed.empty() && trimmed != ";")
    process_->addElemToCounter(bzProcessThread::ckAttributes, code);
  const AttributeDef* def = fileType_ ? fileType_->getAttributeByCode(code) : nullptr;
  smAttribute* attribute = object->addAttribute(code, def ? def->key : code, value);
  if (!attribute) allocationFailed();
  attribute->line = fields.number();
  attribute->position = fields.position();
}

void bzRelationAnalyzer::parseRelationLine(LiniaSW* line, smObject* object, smRecord* record,
                                           int lineCode) {
  const bzLineFields fields(line, kUnit);
  const AnsiString code = fields.name(1);
  smRelation* kept = record->addRelation(code);
  if (!kept) return;
  const ReferenceDef* def = fileType_ ? fileType_->getReferenceByCode(code) : nullptr;
  const AnsiString& name = def ? def->key : code;
  smRelation* own = object->addRelation(code, name);
  if (!own) allocationFailed();
  if (lineCode == lcWG) {
    kept->byObjectId = own->byObjectId = true;
    kept->targetType = fields.name(2);
    own->targetType = kept->targetType;
    kept->targetId = fields[3];
    own->targetId = kept->targetId;
  } else {
    kept->byObjectId = own->byObjectId = false;
    kept->name = name;
    kept->targetId = fields[2];
    own->targetId = kept->targetId;
  }
  kept->line = own->line = fields.number();
  kept->position = own->position = fields.position();
}

void bzRelationAnalyzer::parseTopologicalRelatLine(LiniaSW* line, smRecord* record) {
  const bzLineFields fields(line, kUnit);
  const std::string_view kind = plat::TrimView(fields.view(1));
  const bool byObjectId = kind == "P";
  if (!byObjectId && kind != "K") return;
  smRelation* relation = record->addRelation(AnsiString());
  relation->topological = true;
  relation->byObjectId = byObjectId;
  if (byObjectId) {
    relation->targetType = fields.name(2);
    relation->targetId = fields[3];
  } else {
    relation->targetId = fields[2];
  }
  relation->line = fields.number();
  relation->position = fields.position();
}

void bzRelationAnalyzer::fillReportByObjectErrors(smObject* object) {
  for (smError* e = object->getFirstError(); e; e = object->getNextError()) {
    process_->addToReport(e->code, static_cast<bzProcessThread::ReportMsgType>(e->kind),
                          process_->currentFile, e->section, static_cast<std::int64_t>(e->line),
                          static_cast<std::int64_t>(e->position), e->message, e->objectName);
    if (e->kind == smError::kError) {
      ++process_->current.errors;
      ++process_->totalErrors;
    } else if (e->kind == smError::kWarning) {
      ++process_->current.warnings;
      ++process_->totalWarns;
    }
  }
}

void bzRelationAnalyzer::raiseLoadError(smErrorCode code, const smRecord& record,
                                        const AnsiString& key, const AnsiString& arg1,
                                        const AnsiString* arg2) {
  static const AnsiString kNone;
  const TVarRec args[] = {TVarRec(arg1), TVarRec(arg2 ? *arg2 : kNone)};
  const smError finding(code, args, arg2 ? 1 : 0);
  process_->addToReport(code, bzProcessThread::rmError, record.fileIndex, kSectionSO,
                        static_cast<std::int64_t>(record.line),
                        static_cast<std::int64_t>(record.position), finding.message, key);
  ++process_->current.errors;
  ++process_->totalErrors;
}

// ---------------------------------------------------------------------------
// The passes

bool bzRelationAnalyzer::isValidObjectVersion(std::string_view status) {
  return status.size() != 2 || status[1] == '0' || status[1] == '1';
}

smRecord* bzRelationAnalyzer::getRecord(bool byObjectId, const AnsiString& id,
                                        const AnsiString& typeName, bool* found,
                                        int fileIndex) const {
  if (byObjectId) {
    for (smRecord* r = byObjectId_.find(id); r; r = r->nextSameObjectId) {
      if (r->typeName != typeName) continue;
      *found = true;
      if (isValidObjectVersion(r->status)) return r;
    }
    return nullptr;
  }
  smRecord* record = byRecordId_.find(RecordKey(id, fileIndex));
  if (record) *found = true;
  return record;
}

template <class Visit>
void bzRelationAnalyzer::forEachRecord(Visit visit) {
  auto each = [&](smRecord& record) {
    if (process_->isTerminated()) return false;
    visit(&record);
    return true;
  };
  for (auto& [name, records] : records_)
    if (!records.forEach(each)) return;
}

void bzRelationAnalyzer::startPass(const char* message) {
  process_->setMessage(cp(message));
  if (process_->state) {
    process_->state->setProcessPosition(0);
    process_->state->setProcessMaxValue(recordCount_);
  }
  process_->recordsCount = 0;
}

void bzRelationAnalyzer::publish(std::uint64_t position) {
  bzProcessState* state = process_->state;
  if (!state) return;
  state->setTotalErrorsNum(process_->totalErrors);
  state->setProcessPosition(position);
  state->setRecordsNumber(process_->recordsCount);
  published_.resize(passErrors_.size(), 0);
  for (std::size_t i = 0; i < passErrors_.size(); ++i) {
    if (passErrors_[i] == published_[i]) continue;
    bzProcessState::FileInfo info = state->getFileInfo(static_cast<int>(i));
    info.errors += passErrors_[i] - published_[i];
    state->setFileInfo(info, static_cast<int>(i));
    published_[i] = passErrors_[i];
  }
}

void bzRelationAnalyzer::raisePassError(smErrorCode code, int fileIndex, const AnsiString& key,
                                        std::uint64_t lineNo, std::uint64_t position,
                                        const AnsiString& arg1, const AnsiString* arg2,
                                        const AnsiString* arg3) {
  static const AnsiString kNone;
  const TVarRec args[] = {TVarRec(arg1), TVarRec(arg2 ? *arg2 : kNone),
                          TVarRec(arg3 ? *arg3 : kNone)};
  const smError finding(code, args, arg3 ? 2 : arg2 ? 1 : 0);
  process_->addToReport(code, bzProcessThread::rmError, fileIndex, kSectionSO,
                        static_cast<std::int64_t>(lineNo), static_cast<std::int64_t>(position),
                        finding.message, key);
  const std::size_t file = fileIndex < 0 ? 0 : static_cast<std::size_t>(fileIndex);
  if (file >= passErrors_.size()) passErrors_.resize(file + 1, 0);
  ++passErrors_[file];
  ++process_->totalErrors;
}

void bzRelationAnalyzer::analyzeRelations() {
  startPass("Analiza spójności referencji - etap 1");
  std::uint64_t t = bzProcessThread::tickCount();
  std::uint64_t visited = 0;
  // The targets are looked up at random places of the indexes: a relation
  // waits in the window while its index slot and then its target are
  // fetched, and the relations are resolved in their order all the same.
  struct Pending {
    smRecord* record;
    smRelation* relation;
  };
  constexpr std::size_t kWindow = 16;
  Pending window[kWindow];
  std::size_t first = 0, waiting = 0;
  auto resolveFirst = [&] {
    const Pending p = window[first];
    first = (first + 1) % kWindow;
    --waiting;
    resolve(p.record, p.relation);
  };
  forEachRecord([&](smRecord* record) {
    ++visited;
    ++process_->recordsCount;
    if (!record->accepted) return;
    process_->addElemToCounter(bzProcessThread::ckObjectTypes, record->typeName);
    if (record->status.size() >= 2 && record->status[1] == '2')
      process_->addElemToCounter(bzProcessThread::ckArchivalTypes, record->typeName);
    if (visited % kClockEvery == 0) {
      const std::uint64_t now = bzProcessThread::tickCount();
      if (now - t > interval_) {
        t = now;
        publish(visited);
      }
    }
    for (smRelation* r = record->getFirstRelation(); r; r = record->getNextRelation()) {
      if (!r->topological) {
        process_->addElemToCounter(bzProcessThread::ckRelations, r->code);
        if (r->byObjectId) {
          counterKey_.assign(r->code).append("?").append(r->targetType);
          process_->addElemToCounter(bzProcessThread::ckRelationTargets, counterKey_);
        }
      }
      prefetchTarget(*record, *r, true);
      if (waiting >= kWindow / 2) {
        const Pending& half = window[(first + waiting - kWindow / 2) % kWindow];
        prefetchTarget(*half.record, *half.relation, false);
      }
      if (waiting == kWindow) resolveFirst();
      window[(first + waiting++) % kWindow] = Pending{record, r};
    }
  });
  while (waiting) resolveFirst();
  publish(visited);
}

void bzRelationAnalyzer::prefetchTarget(const smRecord& record, const smRelation& r,
                                        bool slot) const {
  if (r.byObjectId) {
    if (slot)
      byObjectId_.prefetch(r.targetId);
    else
      byObjectId_.prefetchRecord(r.targetId);
  } else {
    const RecordKey key(r.targetId, record.fileIndex);
    if (slot)
      byRecordId_.prefetch(key);
    else
      byRecordId_.prefetchRecord(key);
  }
}

void bzRelationAnalyzer::resolve(smRecord* record, smRelation* r) {
  bool found = false;
  smRecord* target =
      getRecord(r->byObjectId, r->targetId, r->targetType, &found, record->fileIndex);
  if (!target) {
    if (!found) {
      if (r->topological)
        raisePassError(seTopoTargetMissing, record->fileIndex, record->typeName, r->line,
                       r->position, record->typeName);
      else
        raisePassError(seTargetMissing, record->fileIndex, record->typeName, r->line, r->position,
                       r->code, &record->typeName);
    } else {
      if (r->topological)
        raisePassError(seTopoTargetOutdated, record->fileIndex, record->typeName, r->line,
                       r->position, record->typeName);
      else
        raisePassError(seTargetOutdated, record->fileIndex, record->typeName, r->line, r->position,
                       r->code, &record->typeName);
    }
    return;
  }
  if (!r->topological && !r->byObjectId) {
    checkCorrectWLRelationDest(record->typeName, r, target->typeName, record->fileIndex);
    counterKey_.assign(r->code).append("?").append(target->typeName);
    process_->addElemToCounter(bzProcessThread::ckRelationTargets, counterKey_);
  }
  if (r->topological && target->label != "RP")
    raisePassError(seTopoTargetNotPoint, record->fileIndex, record->typeName, r->line, r->position,
                   record->typeName);
  ++record->linkCount;
  ++target->linkCount;
  if (smElemRelation* counter = target->getElemRelation(r->code)) ++counter->count;
}

void bzRelationAnalyzer::checkCorrectWLRelationDest(const AnsiString& typeName,
                                                    smRelation* relation,
                                                    const AnsiString& targetTypeName,
                                                    int fileIndex) {
  if (!annexMetadata) return;
  const RecordType* type = annexMetadata->getTypesSection()->getType(typeName);
  if (!type) return;
  const ReferenceDef* def = type->getReferenceByCode(relation->code);
  if (!def || def->isRefTypeNamePresent(targetTypeName)) return;
  raisePassError(seBadRelationTarget, fileIndex, typeName, relation->line, relation->position,
                 relation->code, &typeName);
}

void bzRelationAnalyzer::analyzeCountRelations() {
  startPass("Analiza spójności referencji - etap 2");
  std::uint64_t t = bzProcessThread::tickCount();
  std::uint64_t visited = 0;
  static const AnsiString kOne = "1", kOneOrMore = "1+";
  forEachRecord([&](smRecord* record) {
    ++visited;
    ++process_->recordsCount;
    if (!record->accepted || record->linkCount <= 0 || !annexMetadata) return;
    const RecordType* type = annexMetadata->getTypesSection()->getType(record->typeName);
    if (!type) return;
    smElemRelation* e = record->getFirstElemRelation();
    if (!e && type->isComplex()) {
      raisePassError(seNoComponents, record->fileIndex, record->typeName, record->line,
                     record->position, record->typeName);
    } else {
      for (; e; e = record->getNextElemRelation()) {
        const ReferenceDef* def = type->getReferenceByCode(e->name);
        if (!def || !def->element || def->mandatoryLevel >= 3) continue;
        if (!def->multiple && e->count != 1)
          raisePassError(seComponentCount, record->fileIndex, record->typeName, record->line,
                         record->position, record->typeName, &e->name, &kOne);
        else if (def->multiple && e->count == 0)
          raisePassError(seComponentCount, record->fileIndex, record->typeName, record->line,
                         record->position, record->typeName, &e->name, &kOneOrMore);
      }
    }
    if (visited % kClockEvery == 0) {
      const std::uint64_t now = bzProcessThread::tickCount();
      if (now - t > interval_) {
        t = now;
        publish(visited);
      }
    }
  });
  publish(visited);
}

}  // namespace swde
