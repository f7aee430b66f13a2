// The merge of a descriptive and a geometric SWDE file into one. A run checks
// the output path, decides the kind of both inputs from their SO sections,
// then reads each input once: its SN, SP and ST sections into a metadata
// model of its own, and every SO record into a merge record whose text is
// parked in a spool file. The pairing, the writing of the part result and the
// second pass are mergeFiles and updateRelationsIds. Every work file (the
// part result and both spools) is a temporary store in the output folder;
// each ending of a run removes them. Made as bzRun<bzMergeProcess>.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "merge/Mgfile.h"
#include "merge/Mgobject.h"
#include "metadata/Metadata.h"
#include "metadata/Recordtype.h"
#include "platform/Exception.h"
#include "platform/Export.h"
#include "processing/bzMergeRules.h"
#include "processing/bzProcessThread.h"

namespace swde {

class OLVCORE_API bzMergeProcess : public bzProcessThread {
 public:
  bzMergeProcess(RunKey key, bzFileList* fileList, bzReport* report, bzSettings* settings,
                 bzProcessState* state);
  ~bzMergeProcess() override;

  AnsiString getTitle() const override;

 protected:
  // Empties the object lists and the lists borrowed from them; the models
  // and the stores stay.
  void clear() override;
  int process() override;

  // Writes the part result from both models and object lists (the objects'
  // text read back from the spools).
  virtual void mergeFiles() {}
  // Reads the part result back and writes the merged file with the new
  // relation targets.
  virtual void updateRelationsIds() {}

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

  // The first pass over the open input currentFile.
  bool processFile();
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
  // Reads one SO record; false ends the first pass as a failure.
  bool parseRecordObject(RekordSW* record, mgFile* spool);
  bool makeNewRecordIds(mgObject& object);

  // Releases the reader, closes the run's file count and currentFile.
  void closeFilePartResult();
  // Releases every store (a temporary store removes its file) and the reader.
  void releaseWorkFiles() noexcept;

  std::unique_ptr<Metadata> fileMetadata[2];
  std::vector<std::unique_ptr<mgObject>> fileObjects[2];
  std::vector<mgObject*> specialGeoObjects;
  std::vector<mgObject*> mergedPrecincts;
  std::unique_ptr<mgFile> spoolFiles[2];
  std::unique_ptr<mgFile> partResultFile;
  std::unique_ptr<mgFile> mergedFile;
  std::map<AnsiString, AnsiString> mergedKeys;
  AnsiString partResultPath;
  AnsiString outputFolder;  // "" or ending with "/"
  AnsiString mergedPath;
  std::uint8_t fileKind[2] = {0, 0};
  std::uint8_t currentKind = 0;
  bool failed = false;
  bzMergeRules rules{true, true};

 private:
  // Reads one object with the reader its type takes.
  bool readObject(RekordSW* record, mgFile* spool, bzMergeRules::Reader reader);
  void fillObjectInfo(const sxLine& header, mgObject& object);
  // Appends the line as the spool keeps it.
  void addLine(const sxLine& line, AnsiString& text, mgObject::ReferenceLines& refs);
  // Line index of record, checked; null (with the error written) when the
  // reader reports it.
  plat::ComPtr<LiniaSW> takeLine(RekordSW* record, std::uint32_t index, bool& reported);
  // Releases the records left in the section in hand unread.
  void skipRecords(PlikSW* reader);
  // Brings the progress record up to date when updateInterval has passed.
  void tick(std::uint64_t& last);
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
  std::string_view field(const sxLine& line, std::size_t i) const;

  std::vector<std::string_view> fields_;  // fields of the line in hand
  AnsiString parts_[mgObject::kParts];    // text parts of the object in hand
};

}  // namespace swde
