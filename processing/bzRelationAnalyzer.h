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
  std::size_t recordCount() const { return records_.size(); }
  // Errors of the two passes counted to file index i.
  std::uint32_t passErrors(int i) const;

  Metadata* annexMetadata = nullptr;  // the reference model; not owned
  Metadata* fileMetadata = nullptr;   // the current file's own model; not owned
  bool fileMetadataPresent = false;   // the current file declared SP and ST

 private:
  // Index keys point at strings of the records themselves.
  using RecordKey = std::pair<std::string_view, int>;  // record identifier, file index

  const AnsiString& intern(const AnsiString& typeName);
  void raiseLoadError(smErrorCode code, const smRecord& record, const AnsiString& key,
                      const AnsiString& arg1, const AnsiString* arg2 = nullptr);
  // A finding of the passes at lineNo and position, counted to the file.
  void raisePassError(smErrorCode code, int fileIndex, const AnsiString& key, std::uint64_t lineNo,
                      std::uint64_t position, const AnsiString& arg1,
                      const AnsiString* arg2 = nullptr, const AnsiString* arg3 = nullptr);
  void resolve(smRecord* record, smRelation* relation);
  void startPass(const char* message);
  // Total errors, position and the files' pass counts into the shared state.
  void publish(std::uint64_t position);

  std::set<AnsiString, std::less<>> typeNames_;
  std::multimap<std::string_view, std::unique_ptr<smRecord>> records_;
  std::multimap<std::string_view, smRecord*> byObjectId_;
  std::multimap<RecordKey, smRecord*> byRecordId_;
  std::unique_ptr<smObjectFactory> factory_;
  bzSemanticProcess* process_ = nullptr;  // not owned
  unsigned interval_ = 0;                 // milliseconds between progress updates
  RecordType* fileType_ = nullptr;        // of the object being read, in fileMetadata
  std::vector<std::uint32_t> passErrors_;
  std::vector<std::uint32_t> published_;
  AnsiString counterKey_;  // reused per relation: no allocation once grown
};

}  // namespace swde
