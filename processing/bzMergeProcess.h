// The merge of a descriptive and a geometric SWDE file into one. A run checks
// the output path, decides the kind of both inputs from their SO sections,
// then reads each input once: its SN, SP and ST sections into a metadata
// model of its own, and every SO record into a merge record whose text is
// parked in a spool file. Both inputs are read at the same time, input 1 on
// a thread of its own; what it gives is taken over after input 0, so the
// report and the numbering are those of reading one after the other. The
// pairing, the writing of the part result and the second pass are mergeFiles
// and updateRelationsIds; the second pass resolves the part result's records
// on every core from its bytes while the reader checks it, and walks it
// record by record only where that check or the bytes call for it. Every
// work file (the part result and both spools) is a temporary store in the
// output folder; each ending of a run removes them. So is the merged file until a clean
// second pass renames it onto the output: any other ending leaves an output
// that was there as it was. Made as bzRun<bzMergeProcess>.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <future>
#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "merge/Mgfile.h"
#include "merge/Mgobject.h"
#include "metadata/Metadata.h"
#include "metadata/Recordtype.h"
#include "platform/Exception.h"
#include "platform/Export.h"
#include "platform/LargeMemory.h"
#include "processing/bzMergeRules.h"
#include "processing/bzProcessThread.h"

namespace swde {

// A list of the merge's objects; millions long.
using mgObjectList = plat::LargeVector<std::unique_ptr<mgObject>>;

// An open-addressing table of values by the hash of their key; the caller
// tells, from a value, whether it is the key sought. Values are positions
// or addresses; kNone is none.
class bzMergeIndex {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  // Empty, with room for count entries.
  void reset(std::size_t count) {
    std::size_t size = 16;
    while (size < 2 * count) size *= 2;
    slots_.assign(size, Slot{0, kNone});
    mask_ = size - 1;
    used_ = 0;
  }
  // Room for count entries in all, those there kept.
  void reserve(std::size_t count) {
    if (2 * count > slots_.size()) rehash(count);
  }
  void release() {
    slots_.clear();
    slots_.shrink_to_fit();
    mask_ = 0;
    used_ = 0;
  }
  bool empty() const { return slots_.empty(); }
  // Starts loading the slot where a search for hash begins.
  void prefetch(std::size_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[hash & mask_]);
  }
  // The first value under hash, unchecked: a guess to load ahead of a find.
  std::size_t peek(std::size_t hash) const {
    if (slots_.empty()) return kNone;
    for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (s.value == kNone || s.hash == hash) return s.value;
    }
  }
  // The value under hash for which is(value) holds; kNone when none.
  template <class Is>
  std::size_t find(std::size_t hash, Is is) const {
    if (slots_.empty()) return kNone;
    for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (s.value == kNone) return kNone;
      if (s.hash == hash && is(s.value)) return s.value;
    }
  }
  // Adds value under hash unless a value for which is(value) holds is
  // there already; false then.
  template <class Is>
  bool insertFirst(std::size_t hash, std::size_t value, Is is) {
    bool made = false;
    emplace(hash, value, is, made);
    return made;
  }
  // The value under hash for which is(value) holds, or value added under
  // hash (made then true); the reference holds until the next addition.
  template <class Is>
  std::size_t& emplace(std::size_t hash, std::size_t value, Is is, bool& made) {
    if (2 * (used_ + 1) > slots_.size()) grow();
    for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (s.value == kNone) {
        s = Slot{hash, value};
        ++used_;
        made = true;
        return s.value;
      }
      if (s.hash == hash && is(s.value)) {
        made = false;
        return s.value;
      }
    }
  }

 private:
  struct Slot {
    std::size_t hash;
    std::size_t value;
  };
  void grow() { rehash(slots_.size()); }
  // The entries moved into a table with room for count.
  void rehash(std::size_t count) {
    plat::LargeVector<Slot> old = std::move(slots_);
    const std::size_t used = used_;
    reset(std::max(count, used));
    for (const Slot& s : old) {
      if (s.value == kNone) continue;
      std::size_t i = s.hash & mask_;
      while (slots_[i].value != kNone) i = (i + 1) & mask_;
      slots_[i] = s;
      ++used_;
    }
  }
  plat::LargeVector<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t used_ = 0;
};

class OLVCORE_API bzMergeProcess : public bzProcessThread {
 public:
  bzMergeProcess(RunKey key, bzFileList* fileList, bzReport* report, bzSettings* settings,
                 bzProcessState* state);
  ~bzMergeProcess() override;

  AnsiString getTitle() const override;

  // What the quick way made of an input's SO section (quickSectionSO).
  enum class Quick { done, declined, refused };

 protected:
  // Empties the object lists and the lists borrowed from them; the models
  // and the stores stay.
  void clear() override;
  int process() override;

  // Writes the part result from both models and object lists (the objects'
  // text read back from the spools): the merged metadata sections, the SO
  // section and the file's end line. False when a step fails.
  virtual bool mergeFiles();
  // The second pass: reads the part result back and writes the merged file
  // with the new relation targets into a temporary store in the output
  // folder, which replaces the output only after a clean pass. Any other
  // ending (a stop included) sets failed and leaves the output as it was.
  virtual void updateRelationsIds();

  // Output folder (ending with "/", or empty for the current folder) and
  // merged file; false, with the reason written, when the name is empty,
  // names an input or names something other than a regular file.
  bool checkOutputPath();
  // Decides the kind of both inputs.
  bool checkFilesType();
  // The kind check of the open input.
  bool processCheckFileType();
  // The kind-deciding walk over the SO section.
  bool parseSectionSO(PlikSW* reader);
  bool parseRecordObject(RekordSW* record, bool& decided);

  // The first pass over the open input currentFile: openSpool, then
  // readSections.
  bool processFile();
  // Makes the spool of the open input; false, reported, when it cannot.
  bool openSpool();
  // The walk over the sections of the open input into its model, its object
  // list and its spool.
  bool readSections();
  bool parseSectionSN(PlikSW* reader);
  bool parseSectionSP(PlikSW* reader);
  bool parseSectionST(PlikSW* reader);
  RecordType* parse_TD_Line(const sxLine& line);
  // One line group of a TD record starting at line index; on return index is
  // the last line taken.
  bool parseLineTP(RekordSW* record, std::uint32_t count, RecordType* type, std::uint32_t& index);
  bool parseLineWE(RekordSW* record, std::uint32_t count, RecordType* type, std::uint32_t& index);
  bool parseLineWR(RekordSW* record, std::uint32_t count, RecordType* type, std::uint32_t& index);
  // The object walk of the first pass.
  bool parseSectionSO(PlikSW* reader, mgFile* spool);
  // The SO section of an input read the quick way: its records cut at
  // record ends into chunks whose lines are cut, checked and made objects
  // on every core, taken over in order, while a reader of its own checks
  // the whole input in blocks. Taken only when that reader finds nothing,
  // the section is the input's last and every line is one the chunks can
  // read as the record walk would; declined otherwise, with nothing taken
  // (the reader's walk then reads the section from its start, where this
  // process's reader stands). refused: an object the numbering refuses
  // ends the pass, its error written.
  // Whether the first pass may take the quick way (a test sets it off to
  // compare with the record walk); the reader of input 1 follows.
  bool quickFirstPass_ = true;
  virtual Quick quickSectionSO(mgFile* spool, std::int32_t section);
  struct QuickChunk;
  // The records of bytes [from, to) into chunk; false when a line is not one
  // a record walk over a sound file reads so.
  // verdicts: the rules whose verdicts on each object (not its number) the
  // numbering in order will keep; made: where the objects' memory comes from.
  bool quickChunk(const AnsiString& path, std::uint64_t from, std::uint64_t to,
                  std::int32_t section, const bzMergeRules& verdicts, mgObjectBatch& made,
                  QuickChunk& chunk) const;
  // Reads one SO record; false ends the first pass as a failure.
  bool parseRecordObject(RekordSW* record, mgFile* spool);
  bool makeNewRecordIds(mgObject& object);

  // The merged SN, SP and ST sections of the part result, each handed to
  // it in one write: every entry of the first model, then the entries of
  // the second whose key the first lacks, each in the byte order of keys.
  bool mergeMetadata();
  void mergeNS();
  void mergeNU();
  void mergeSP();
  void mergeST();
  // Pairs the objects of both inputs and writes the SO section of the part
  // result; true also after a stop.
  bool mergeObjects();
  // The objects of the special geometric types, written after the others:
  // with the relation to their precinct where one is found.
  void addSpecialGeoObject();

  // Notes the pair written from o, whose (merged type, key) has hash hash.
  // False when a pair of that key was noted before.
  bool addToMergeMap(const mgObject& o, std::size_t hash);

  // One run of a written SO record: the lines one part of source gave it,
  // counted by the kinds that name another object. A null source is a line
  // the merge adds itself (the relation of a special object to its precinct).
  struct WrittenRun {
    const mgObject* source = nullptr;
    mgObject::ReferenceLines lines;
  };
  // The runs of one SO record of the part result, in the order of its lines.
  struct WrittenRecord {
    static constexpr int kMaxRuns = 3;
    // An input not noted: the second pass asks the run's source.
    static constexpr std::int8_t kInputUnknown = -2;
    WrittenRun runs[kMaxRuns];
    int count = 0;
    // The input of each run's source (-1 for a run of no object), noted as
    // the record is written, so that the second pass need not load the
    // object to know where to look its targets up.
    std::int8_t inputs[kMaxRuns] = {kInputUnknown, kInputUnknown, kInputUnknown};
    // Bytes of the record in the part result (0: not noted).
    std::uint64_t textLength = 0;
    int inputOf(int run) const {
      if (inputs[run] != kInputUnknown) return inputs[run];
      return runs[run].source ? runs[run].source->fileIndex : -1;
    }
  };
  // One entry per SO record of the part result, in file order: what the
  // second pass walks.
  plat::LargeVector<WrittenRecord> writtenRecords;

  // Steps of the second pass. The part result is read by a reader of its
  // own (currentFile 2); its findings go to the objects its lines came from.
  bool openFilePartResult();
  bool processFilePartResult();
  bool parseNonObjectSectionPR(PlikSW* reader, std::int32_t section);
  bool parseObjectSectionPR(PlikSW* reader);
  // One SO record of the part result with the runs that wrote it.
  bool parseRecordObjectPR(RekordSW* record, const WrittenRecord& written);
  // A relation line of source (null: a line the merge added), whose targets
  // are looked up in input.
  void parseRelationLinePR(const sxLine& line, std::int32_t lineCode, const mgObject* source,
                           int input);
  void parseTopologicalRelatLinePR(const sxLine& line, const mgObject* source, int input);
  // The line that replaces a relation line of code lineCode (WG, WL or P)
  // of source, its targets looked up in input, handed to sink: emit(fields)
  // for a line written anew, fresh(first, second) for one that takes a
  // fresh record identifier after these two fields, verbatim() for the line
  // as it stands, nothing for a dropped one (insert(relation, id) false);
  // missing(object, code, relation) for its warning. field(i) gives the
  // line's field i, trimmed. Reads the objects and indexes only.
  template <class Field, class Sink>
  void resolveRelation(std::int32_t lineCode, Field field, const mgObject* source, int input,
                       Sink& sink) const;

  // The second pass over the part result's bytes, as the merge wrote them:
  // the SO records resolved in chunks on every core, the merged file
  // written from them in order, while the reader checks the part result in
  // blocks of lines. Kept (the warnings then given, in order, and the fresh
  // record identifiers numbered in order) only when the part result is the
  // text the merge wrote and the reader finds nothing in it; otherwise
  // (false) the merged store goes and nothing was reported, and the pass
  // reads the part result record by record. False after a stop too.
  virtual bool writeMergedDirectly(const AnsiString& target);
  // The reader's block check of the part result open in reader (no finding,
  // read to its end); false as soon as abandon is set or the run is stopped.
  bool partResultChecked(PlikSW& reader, const std::atomic<bool>& abandon);
  // That check made while the pairing writes the part result, the reader
  // following the file as it grows: started once the metadata sections are
  // written; writeMergedDirectly takes its verdict.
  class PartResultCheck;
  std::unique_ptr<PartResultCheck> partResultCheck_;
  void startPartResultCheck();
  struct DirectChunk;
  struct DirectSink;
  struct PassSink;
  // A chunk's SO records, from written record first on, resolved into it;
  // false when a record is not one this reading can resolve as the reader's
  // walk would.
  bool resolveChunk(std::string_view text, std::size_t first, std::size_t count,
                    DirectChunk& chunk) const;
  // Where the SO records of the part result lie, and its size, as the merge
  // wrote it; directReady_ once the whole part result is written.
  std::uint64_t recordsFrom_ = 0, recordsTo_ = 0, partResultSize_ = 0;
  bool directReady_ = false;
  bool partResultBlockRead_ = false;  // the reader read the part result in blocks
  // The object of input (0 or 1) that an identifier names: of type type
  // and identifier id, a current version first; any other input, or none
  // found, gives null.
  const mgObject* getNewIDRFindByID(std::string_view type, std::string_view id, int input) const;
  // The first object of input's list with record identifier recordId.
  const mgObject* getNewIDRFindByIDR(std::string_view recordId, int input) const;
  // Builds the second pass's indexes of input's sorted list.
  void indexObjects(int input);
  // Builds the indexes of input's list on a thread of their own while the
  // run goes on, after sorting the list there when sort is set (else the
  // caller has sorted it). The fields they read are not changed after the
  // first pass.
  void prepareInBackground(int input, bool sort);
  // Waits for the work prepareInBackground started on input; raises what it
  // raised. Nothing when none was started.
  void awaitPrepared(int input);
  // Waits for the sort of input's list that prepareInBackground started,
  // its indexes left to come; raises what the sort raised.
  void awaitSorted(int input);
  // Waits for every such work without raising.
  void joinPrepared() noexcept;
  // Notes the objects of input's list in the order they were made (the
  // list's order before its sort), for the teardown.
  void noteMadeOrder(int input);
  // The targets of a record's relation lines, found ahead of the record's
  // turn so that what their lookups read is loaded by then.
  struct Targets {
    static constexpr std::size_t kMost = 32;
    struct Target {
      std::size_t hash;
      std::size_t found;  // the index slot's first value (a guess), once peeked
      bool byId;          // an identifier lookup (else a record identifier one)
      int input;
    };
    Target target[kMost];
    std::size_t count = 0;
  };
  // A record of the SO section read ahead of the one in hand: its reader's
  // result (with the error information of a failure) and its targets.
  struct AheadRecord {
    plat::ComPtr<RekordSW> record;
    plat::HRESULT hr = plat::S_OK;
    bool described = false;
    plat::ErrorInfo error;
    Targets targets;
  };
  // The stages of loading a record's targets, by how many records ahead of
  // the one in hand it is: 3 notes the targets of its relation lines (from
  // the runs that wrote it, each looked up in its source's input) and loads
  // their index slots, 2 reads the slots and loads what they name, 1 loads
  // the objects an identifier lookup reaches through its list.
  void collectTargets(RekordSW* record, const WrittenRecord& written, Targets& targets) const;
  struct RunCursor;
  // The same from a record's text as the merge wrote it.
  void collectTargets(std::string_view record, const WrittenRecord& written,
                      Targets& targets) const;
  void prefetchTargets(Targets& targets, int stage) const;
  // A version of length other than 2 counts as current; one of two
  // characters when its second one is "0" or "1".
  static bool isValidObjectVersion(std::string_view version);

  // Where a test puts a store of its own (a write hook); a plain store.
  enum class Store { partResult, spool, merged };
  virtual std::unique_ptr<mgFile> createStore(Store kind);
  // A reader from the process that runs this one's second input, if any.
  plat::ComPtr<PlikSW> createFileInterface() override;

  // Releases the reader, closes the run's file count and currentFile.
  void closeFilePartResult();
  // Releases every store (a temporary store removes its file) and the reader.
  void releaseWorkFiles() noexcept;

  std::unique_ptr<Metadata> fileMetadata[2];
  mgObjectList fileObjects[2];
  std::vector<mgObject*> specialGeoObjects;
  std::vector<mgObject*> mergedPrecincts;
  std::unique_ptr<mgFile> spoolFiles[2];
  std::unique_ptr<mgFile> partResultFile;
  std::unique_ptr<mgFile> mergedFile;
  // (relation name, new record identifier) of the relations written for
  // the object in hand by the second pass; the same pair again is dropped.
  class TargetSet {
   public:
    void clear();
    // False when the pair is there already.
    bool insert(std::string_view name, std::string_view id);

   private:
    struct Entry {
      std::string name, id;
    };
    struct Hash {
      const TargetSet* set;
      std::size_t operator()(std::size_t i) const;
    };
    struct Equal {
      const TargetSet* set;
      bool operator()(std::size_t a, std::size_t b) const;
    };
    // Beyond this many pairs an index takes the search over.
    static constexpr std::size_t kScanned = 16;
    std::vector<Entry> entries_;  // slots reused from object to object
    std::size_t used_ = 0;
    std::unordered_set<std::size_t, Hash, Equal> index_{0, Hash{this}, Equal{this}};
  };
  // (merged type, key) of every pair written: the object it was taken from.
  // In parts by the top bits of the hash, each filled by a thread of its own.
  static constexpr std::size_t kMergedKeysParts = 8;
  static std::size_t mergedKeysPart(std::size_t hash) { return hash >> 61; }
  bzMergeIndex mergedKeys[kMergedKeysParts];
  TargetSet writtenTargets;
  // The new record identifier that the first pass would give next. Each
  // unresolved relation of the second pass raises it by one first and takes
  // the raised value, so that this value itself is never written.
  std::uint64_t nextRecordId = 0;
  AnsiString partResultPath;
  AnsiString outputFolder;  // "" or ending with "/"
  AnsiString mergedPath;
  std::uint8_t fileKind[2] = {0, 0};
  std::uint8_t currentKind = 0;
  bool failed = false;
  bzMergeRules rules{true, true};

 public:
  // The merged file replaced the output: true only after its rename.
  bool resultWritten() const { return resultWritten_; }

 protected:
 private:
  // The first pass over input 1 on a process and a thread of its own, while
  // this one reads input 0: its own reader, spool, buffers, model and object
  // list, its report lines held back, its objects numbered from 1.
  struct SecondInput;
  // Opens input 1 with its spool here (readers and stores are made in the
  // same order as when the inputs are read one after the other) and starts
  // its walk on a thread of its own.
  void startSecondInput();
  // Waits for the pass started by startSecondInput and takes it over as if
  // this process had read input 1 itself: its report lines, counts, reader,
  // model, object list (renumbered after input 0's) and spool. False when
  // the run ends there (the input failed).
  bool takeSecondInput();
  // Stops the pass started by startSecondInput, waits for it and drops
  // what it read. Nothing when none runs.
  void dropSecondInput() noexcept;
  std::unique_ptr<SecondInput> second_;
  // The process whose second input this one reads; null for a run itself.
  bzMergeProcess* owner_ = nullptr;

  // Reads one object with the reader its type takes.
  bool readObject(RekordSW* record, mgFile* spool, bzMergeRules::Reader reader);
  void fillObjectInfo(const sxLine& header, mgObject& object) const;
  class ObjectBuilder;
  std::unique_ptr<ObjectBuilder> builder_;  // the first pass's, made at its first object
  // Line index of record, checked; null (with the error written) when the
  // reader reports it.
  plat::ComPtr<LiniaSW> takeLine(RekordSW* record, std::uint32_t index, bool& reported);
  // Releases the records left in the section in hand unread.
  void skipRecords(PlikSW* reader);
  // Brings the progress record up to date when updateInterval has passed
  // (the clock read at every kTicksPerClockRead-th call).
  void tick(std::uint64_t& last);
  static constexpr unsigned kTicksPerClockRead = 16;
  unsigned ticks_ = 0;
  // The end of a walk over the file in hand: after a stop or a failed walk
  // (status 2) the file counts as read to its end; true when the walk went
  // through.
  bool passEnded(bool ok);
  // Walks the records of the section in hand to its end (or a stop): the
  // error a record carries first, then body(record); false at the first
  // error or when body gives false.
  template <class Body>
  bool walkRecords(PlikSW* reader, Body body);
  // Moves the open file from section to section to its end (or a stop):
  // body(section code) at the start of each, which reads the section or
  // leaves it to be skipped; body gives false to end the walk.
  template <class Body>
  void eachSection(Body body);
  // body(line) for each line of the record (up to a stop); false when a
  // line could not be taken (reported).
  template <class Body>
  bool eachLine(RekordSW* record, Body body);
  // "Wystąpił błąd programu ..." for an exception of a pass, counted.
  void reportProgramError(const plat::Exception& e);
  void reportMergeError(int code, int fileIdx);
  // A finding of the pairing on object o (a warning for 20005), counted in
  // the totals and in o's input.
  void reportObjectFinding(int code, const mgObject& o, std::string_view missing = {});
  // The SO records written for a run of objects: their text and, for each,
  // its runs, as the part result and writtenRecords take them.
  struct RecordBatch {
    AnsiString text;
    std::vector<WrittenRecord> records;
  };
  // Writers of one SO record into a batch, safe on any thread for objects
  // no other thread writes. A descriptive part d with its geometric part g
  // under d's header and identifiers (g takes them).
  void writePair(mgObject& d, mgObject& g, RecordBatch& batch) const;
  // An object with no partner; single for an object outside the parts.
  void writeAlone(const mgObject& o, bool single, RecordBatch& batch) const;
  // A special geometric object with the relation to its precinct id.
  void writeWithPrecinct(const mgObject& o, std::string_view precinctId, RecordBatch& batch) const;
  // Appends part k of o, read from its spool, to text and records the run.
  void appendPart(const mgObject& o, int k, WrittenRecord& written, AnsiString& text) const;
  // Ends the record that starts at start in the batch's text.
  void endRecord(WrittenRecord& written, std::size_t start, RecordBatch& batch) const;
  // Hands the batch to the part result and its records to writtenRecords;
  // the batch is empty after.
  void saveBatch(RecordBatch& batch);
  // The bytes of each input's spool during the pairing (empty: read from
  // the file).
  std::string_view spoolBytes_[2];
  std::string_view field(const sxLine& line, std::size_t i) const;

  // A reader's error on a part-result line, record or file, counted: a
  // finding of source's input at its header line, or a free line when no
  // object is known. True when one was written.
  template <class Reader>
  bool partResultError(Reader* object, const mgObject* source);
  // The same with the object found only when there is an error to report:
  // source() gives it.
  template <class Reader, class Source>
  bool partResultErrorOf(Reader* object, Source source);
  // The object whose header a written record carries: its descriptive part
  // when it has one, else the first object it was written from.
  static const mgObject* ownerOf(const WrittenRecord& written);
  // A finding on object o (at its header line), counted in its input.
  void reportSourceFinding(int code, ReportMsgType type, const mgObject& o, const AnsiString& text);
  // Warning 6023 or 6030 for a relation whose target is missing.
  void reportMissingTarget(const mgObject& o, int code, std::string_view relation);
  // "\r\n", the fields joined by ",", then ";" to the merged file.
  void writeLine(std::initializer_list<std::string_view> fields);
  // "Wewnętrzny błąd programu. " + text, counted.
  void reportInternalError(const AnsiString& text);

  // Second pass: the object of each record identifier, per input (the first
  // in list order); the next entry of writtenRecords; whether the result
  // replaced the output.
  bzMergeIndex byRecordId_[2];
  // Second pass: per input, the position in its sorted list of the first
  // object of each (identifier, type); empty outside the pass, when the
  // lookup searches the list itself.
  bzMergeIndex byObjectId_[2];
  // The sort and indexing of each input's list running on a thread of its
  // own; indexed_ tells whether the indexes stand.
  std::future<void> prepared_[2];
  std::future<void> sorted_[2];  // the sort's part of that work
  bool indexed_[2] = {false, false};
  // Per input, its objects in the order they were made, or empty; and where
  // each object of the sorted list stands in that order (or empty).
  plat::LargeTable<mgObject*> madeOrder_[2];
  plat::LargeTable<std::size_t> sortedFrom_[2];
  std::size_t nextWritten_ = 0;
  bool resultWritten_ = false;
  char number_[24] = {};  // text of a fresh record identifier
};

}  // namespace swde
