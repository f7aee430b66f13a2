// The semantic check: the reference metadata of "metadata_def.xml" is read
// once per program run; every SWDE input file is walked section by section,
// its SP and ST sections compared with the reference by the metadata
// analyzer and its objects loaded and checked by the relation analyzer.
// After the last file the relations of all files are resolved and the
// component counts checked, then the statistics are written. Made as
// bzRun<bzSemanticProcess>.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "metadata/Metadata.h"
#include "platform/Export.h"
#include "processing/bzMdAnalyzer.h"
#include "processing/bzProcessThread.h"
#include "processing/bzRelationAnalyzer.h"

namespace swde {

class OLVCORE_API bzSemanticProcess : public bzProcessThread {
 public:
  bzSemanticProcess(RunKey key, bzFileList* fileList, bzReport* report, bzSettings* settings,
                    bzProcessState* state);
  ~bzSemanticProcess() override;

  AnsiString getTitle() const override;

  // The reference model of the program run and whether it has been loaded.
  // The model is written only by a load, which runs while loaded is false.
  static Metadata& referenceModel();
  static bool referenceLoaded();

  // Test seam: the reference is read from path from now on ("" is the file
  // beside the program), and the model is emptied so that the next run
  // loads it again.
  static void setReferenceFile(const std::string& path);

 protected:
  int process() override;
  void clear() override;

  // The sections of the open file; false ends the run.
  bool processFile();
  // The two passes across the records of all files.
  void checkIntegrity();
  void clearMetadataFileStructure();

  std::unique_ptr<bzRelationAnalyzer> relationAnalyzer;
  std::unique_ptr<bzMdAnalyzer> mdAnalyzer;
  std::unique_ptr<Metadata> fileMetadata;
  // The current file's ST section was read after its SP section.
  bool fileMetadataPresent = false;

 private:
  // Loads the reference when no run of the program has loaded it yet, else
  // writes the schema lines of the last load.
  void ensureReference();
  // 2008 and 3014: an information line of the current file, not counted.
  void reportMissingSection(smErrorCode code, ReportSectionType section);
  // The file's new model, handed to both analyzers.
  void startFileModel();
  // The statistics, and the condensed findings when asked for.
  void reportResults();

  bool stopped_ = false;  // a file's processing failed: no passes

  // The reference of the program run, the file it is read from ("" beside
  // the program) and the lock of all three.
  static Metadata m_metadataOrg;
  static bool m_loadedXMLMetadata;
  static std::string m_referencePath;
  static std::mutex m_referenceLock;
};

}  // namespace swde
