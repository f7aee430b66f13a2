// The object half of the semantic check. load reads the SO section of one
// input file: one semantic object per record, checked against the reference
// model and the file's own model, its findings written through the owning
// process. For the checks across records it keeps one bookkeeping record per
// object record over all files of the run, with two identifier indexes;
// duplicate identifiers are reported while loading (6034, 6035, 6036).
//
// After the last file, analyzeRelations resolves every relation to its
// target (6023, 6025, 6030, 6031, 6032, 6010) and analyzeCountRelations
// checks the number of component records pointing to complex records (6027,
// 6029). Their findings count to the file of the record they name.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "metadata/Metadata.h"
#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "reader/LiniaSW.h"
#include "reader/PlikSW.h"
#include "reader/RekordSW.h"
#include "semantics/Smerrors.h"
#include "semantics/Smobject.h"
#include "semantics/Smobjectfactory.h"
#include "semantics/Smrecord.h"

namespace swde {

using plat::AnsiString;

class bzSemanticProcess;

class OLVCORE_API bzRelationAnalyzer {
 public:
  bzRelationAnalyzer(bzSemanticProcess* process, unsigned interval);
  bzRelationAnalyzer(const bzRelationAnalyzer&) = delete;
  bzRelationAnalyzer& operator=(const bzRelationAnalyzer&) = delete;
  virtual ~bzRelationAnalyzer();

  // The records of the section the reader stands at; false when a faulty
  // record, line or file stopped the loading (its error line written). A
  // failing reader call raises bzCOMException.
  bool load(PlikSW* file);

  // The steps of load. parseObject is false at a faulty line.
  bool parseObject(RekordSW* record);
  // The bookkeeping record of a record line and its object (null both when
  // the line names no record type).
  smRecord* parseRecordLine(LiniaSW* line, std::unique_ptr<smObject>* object);
  void parseAttributeLine(LiniaSW* line, smObject* object);
  void parseRelationLine(LiniaSW* line, smObject* object, smRecord* record, int lineCode);
  void parseTopologicalRelatLine(LiniaSW* line, smRecord* record);
  // One component counter per element reference of a complex reference type.
  void createWERelationCounters(smRecord* record);
  void fillReportByObjectErrors(smObject* object);

  // A new record of the type, filed after the records of that type.
  smRecord* addRecord(const AnsiString& typeName);
  // Files a loaded record under its identifiers: 6036 for an empty object
  // identifier, 6034 and 6035 for duplicates (the record then stays out of
  // that index).
  void indexRecord(smRecord* record);

  // The target of a relation: by object identifier the current version of
  // that identifier and type (found is set when any version exists), or by
  // record identifier the record of the file. The caller clears found.
  smRecord* getRecord(bool byObjectId, const AnsiString& id, const AnsiString& typeName,
                      bool* found, int fileIndex) const;

  // The two passes after the last file.
  void analyzeRelations();
  void analyzeCountRelations();
  // 6010 when the reference type's definition of the relation's code does
  // not allow targetTypeName.
  void checkCorrectWLRelationDest(const AnsiString& typeName, smRelation* relation,
                                  const AnsiString& targetTypeName, int fileIndex);

  // Not exactly two characters, or the second one '0' or '1'.
  static bool isValidObjectVersion(std::string_view status);

  // Records loaded in the run.
  std::size_t recordCount() const { return recordCount_; }
  // Errors of the two passes counted to file index i.
  std::uint32_t passErrors(int i) const;

  Metadata* annexMetadata = nullptr;  // the reference model; not owned
  Metadata* fileMetadata = nullptr;   // the current file's own model; not owned
  bool fileMetadataPresent = false;   // the current file declared SP and ST

 private:
  // Index keys point at strings of the records themselves.
  using RecordKey = std::pair<std::string_view, int>;  // record identifier, file index

  // Records by a key read from the record itself: open addressing with
  // linear probing, at most half the slots in use, nothing allocated per
  // record. Key is std::string_view (the object identifier) or RecordKey.
  template <class Key>
  class RecordIndex {
   public:
    // The record of key, or null.
    smRecord* find(const Key& key) const;
    // Asks for the memory find(key) reads first, to be read soon; then,
    // with that memory at hand, for the record find(key) will most likely
    // give.
    void prefetch(const Key& key) const;
    void prefetchRecord(const Key& key) const;
    // Files record, whose key is not there yet.
    void add(smRecord* record);
    void clear();

   private:
    // A record with its key's hash: most keys that differ are told apart,
    // and the table grows, without reading the records.
    struct Slot {
      smRecord* record = nullptr;
      std::size_t hash = 0;
    };

    static Key keyOf(const smRecord& record);
    static std::size_t hash(const Key& key);
    void place(smRecord* record, std::size_t hash);

    struct Free {
      void operator()(Slot* slots) const;
    };
    std::unique_ptr<Slot[], Free> slots_;
    std::size_t size_ = 0;  // a power of two, or none
    std::size_t used_ = 0;
  };

  // The records of one type in load order, in blocks that never move.
  class RecordList {
   public:
    smRecord& add(const AnsiString& typeName);
    template <class Visit>
    bool forEach(Visit& visit);  // false when visit stopped the walk

   private:
    static constexpr std::size_t kBlock = 256;
    std::vector<std::unique_ptr<smRecord[]>> blocks_;
    std::size_t size_ = 0;
  };

  const AnsiString& intern(const AnsiString& typeName);
  void raiseLoadError(smErrorCode code, const smRecord& record, const AnsiString& key,
                      const AnsiString& arg1, const AnsiString* arg2 = nullptr);
  // A finding of the passes at lineNo and position, counted to the file.
  void raisePassError(smErrorCode code, int fileIndex, const AnsiString& key, std::uint64_t lineNo,
                      std::uint64_t position, const AnsiString& arg1,
                      const AnsiString* arg2 = nullptr, const AnsiString* arg3 = nullptr);
  void resolve(smRecord* record, smRelation* relation);
  // Asks for the index slot where the relation's target will be looked up,
  // or, later, for the target record itself.
  void prefetchTarget(const smRecord& record, const smRelation& relation, bool slot) const;
  void startPass(const char* message);
  // The shared state brought up to date when the update interval has passed
  // since the last update of the loading.
  void progress();
  // Calls visit on every record, by type name and in load order within a
  // type, until the run is stopped.
  template <class Visit>
  void forEachRecord(Visit visit);
  // Total errors, position and the files' pass counts into the shared state.
  void publish(std::uint64_t position);

  std::set<AnsiString, std::less<>> typeNames_;
  // By type name, each type's records in load order; the passes walk them so.
  std::map<std::string_view, RecordList> records_;
  std::size_t recordCount_ = 0;
  // The first record of each object identifier; the others of the same
  // identifier follow it through smRecord::nextSameObjectId, in load order.
  RecordIndex<std::string_view> byObjectId_;
  RecordIndex<RecordKey> byRecordId_;
  std::unique_ptr<smObjectFactory> factory_;
  bzSemanticProcess* process_ = nullptr;  // not owned
  unsigned interval_ = 0;                 // milliseconds between progress updates
  std::uint64_t progressAt_ = 0;          // tick of the loading's last update
  RecordType* fileType_ = nullptr;        // of the object being read, in fileMetadata
  std::vector<std::uint32_t> passErrors_;
  std::vector<std::uint32_t> published_;
  AnsiString counterKey_;  // reused per relation: no allocation once grown
};

}  // namespace swde
