#include "processing/bzSemanticProcess.h"

#include <mutex>
#include <utility>

#include "platform/CodePage.h"
#include "processing/bzCounter.h"
#include "processing/bzException.h"
#include "semantics/Smerrors.h"
#include "syntax/Sxcodes.h"

namespace swde {

using plat::cp;

namespace {

constexpr const char* kUnit = ".\\bzSemanticProcess";

constexpr bzProcessThread::ReportSectionType kSectionSO = 49;
constexpr bzProcessThread::ReportSectionType kSectionSP = 50;
constexpr bzProcessThread::ReportSectionType kSectionST = 51;

}  // namespace

Metadata bzSemanticProcess::m_metadataOrg;
bool bzSemanticProcess::m_loadedXMLMetadata = false;
std::string bzSemanticProcess::m_referencePath;
std::mutex bzSemanticProcess::m_referenceLock;

Metadata& bzSemanticProcess::referenceModel() {
  return m_metadataOrg;
}

bool bzSemanticProcess::referenceLoaded() {
  std::lock_guard<std::mutex> g(m_referenceLock);
  return m_loadedXMLMetadata;
}

void bzSemanticProcess::setReferenceFile(const std::string& path) {
  std::lock_guard<std::mutex> g(m_referenceLock);
  m_referencePath = path;
  Metadata empty;
  m_metadataOrg.swap(empty);
  m_loadedXMLMetadata = false;
}

bzSemanticProcess::bzSemanticProcess(RunKey key, bzFileList* fileList, bzReport* report,
                                     bzSettings* settings, bzProcessState* state)
    : bzProcessThread(key, fileList, report, settings, state) {
  counters[ckObjectTypes] = std::make_unique<bzSimpleKeyCounter>();
  counters[ckArchivalTypes] = std::make_unique<bzComplexKeyCounter>();
  counters[ckAttributes] = std::make_unique<bzSimpleKeyCounter>();
  counters[ckRelations] = std::make_unique<bzSimpleKeyCounter>();
  counters[ckRelationTargets] = std::make_unique<bzComplexKeyCounter>();
  if (settings && settings->reportCondensed)
    counters[ckCondensed] = std::make_unique<bzSimpleKeyCounter>();
}

bzSemanticProcess::~bzSemanticProcess() = default;

AnsiString bzSemanticProcess::getTitle() const {
  return cp("Sprawdzanie poprawności semantycznej SWDE");
}

void bzSemanticProcess::clear() {
  relationAnalyzer.reset();
  mdAnalyzer.reset();
  fileMetadata.reset();
}

void bzSemanticProcess::clearMetadataFileStructure() {
  if (mdAnalyzer) mdAnalyzer->fileMetadata = nullptr;
  if (relationAnalyzer) relationAnalyzer->fileMetadata = nullptr;
  fileMetadata.reset();
}

void bzSemanticProcess::ensureReference() {
  std::lock_guard<std::mutex> g(m_referenceLock);
  if (m_loadedXMLMetadata) {
    mdAnalyzer->saveSchemaInfo();
    return;
  }
  // A load that fails leaves the flag down: the next run tries again.
  if (m_referencePath.empty())
    mdAnalyzer->loadFromFileXML();
  else
    mdAnalyzer->loadFromFileXML(m_referencePath);
  m_loadedXMLMetadata = true;
}

void bzSemanticProcess::startFileModel() {
  clearMetadataFileStructure();
  fileMetadata = std::make_unique<Metadata>();
  mdAnalyzer->fileMetadata = fileMetadata.get();
  relationAnalyzer->fileMetadata = fileMetadata.get();
  fileMetadataPresent = false;
  relationAnalyzer->fileMetadataPresent = false;
}

void bzSemanticProcess::reportResults() {
  reportStatistics();
  if (settings->reportCondensed) reportErrors();
}

int bzSemanticProcess::process() {
  totalWarns = 0;
  totalErrors = 0;
  recordsCount = 0;
  stopped_ = false;
  mdAnalyzer = std::make_unique<bzMdAnalyzer>(this, updateInterval);
  relationAnalyzer = std::make_unique<bzRelationAnalyzer>(this, updateInterval);
  Metadata* annex = &referenceModel();
  mdAnalyzer->annexMetadata = annex;
  relationAnalyzer->annexMetadata = annex;

  ensureReference();
  reportFileList();

  for (unsigned i = 0; i < fileList->getFileCount() && !isTerminated(); ++i) {
    startFileModel();
    if (!openFile(i)) {
      // The file is missing or not a file of the formats: the run ends
      // here, without the passes.
      updateState();
      closeFile();
      clearMetadataFileStructure();
      reportResults();
      return 0;
    }
    if (fileObject && fileType == lcSWING) {
      addToReport(cp("Niepoprawny format pliku. Oczekiwany plik w formacie SWDE"));
    } else if (fileObject) {
      // closeFile below counts the file as processed.
      if (!processFile()) stopped_ = true;
      // A pending error of the reader that no section met; a file that
      // failed has written its error already.
      if (!stopped_ && checkError(fileObject.get())) stopped_ = true;
    }
    updateState();
    closeFile();
    clearMetadataFileStructure();
    if (stopped_) break;
  }

  // Every file is closed: the passes' findings go to the files they name.
  if (!stopped_ && !isTerminated()) checkIntegrity();
  updateState();
  reportResults();
  return 0;
}

bool bzSemanticProcess::processFile() {
  if (!fileObject) return true;
  bool spSeen = false, stSeen = false, failed = false;
  std::uint64_t t = tickCount();
  try {
    for (;;) {
      std::int32_t section = 0;
      const plat::HRESULT hr = fileObject->ustawNaKolejnaSekcje(&section);
      checkReaderStatus(hr, kUnit, __LINE__);
      if (section == 0 || hr != plat::S_OK) break;
      if (section == kSectionSP) {
        if (!mdAnalyzer->loadFromFileSWDE_SP(fileObject.get())) {
          failed = true;
          break;
        }
        spSeen = true;
      } else if (section == kSectionST) {
        if (spSeen) {
          if (!mdAnalyzer->loadFromFileSWDE_ST(fileObject.get())) {
            failed = true;
            break;
          }
          fileMetadataPresent = true;
        } else {
          reportMissingSection(seNoSectionSP, kSectionSP);
          fileMetadataPresent = false;
        }
        relationAnalyzer->fileMetadataPresent = fileMetadataPresent;
        stSeen = true;
      } else if (section == kSectionSO) {
        if (!stSeen) {
          if (!spSeen) reportMissingSection(seNoSectionSP, kSectionSP);
          reportMissingSection(seNoSectionST, kSectionST);
        }
        if (!relationAnalyzer->load(fileObject.get())) {
          failed = true;
          break;
        }
      }
      const std::uint64_t now = tickCount();
      if (now - t > updateInterval) {
        t = now;
        updateState();
        if (isTerminated()) break;
      }
      // What the section holds besides what was read of it.
      plat::ComPtr<RekordSW> record;
      do {
        checkReaderStatus(fileObject->dajKolejnyRekord(record.out()), kUnit, __LINE__);
      } while (record && !isTerminated());
      if (isTerminated()) break;
    }
    // A failed load has written its error line, whether the record's or the
    // file's: the reader's pending error is that same error.
    if (!failed && checkError(fileObject.get())) failed = true;
  } catch (const plat::Exception& e) {
    AnsiString text = cp("Wystąpił błąd programu w trakcie przetwarzania pliku. ") + e.Message();
    // A read that failed in the middle of the file: the reader's own words
    // name the file and the reason.
    if (const auto* com = dynamic_cast<const bzCOMException*>(&e); com && !com->description.empty())
      text += ": " + com->description;
    addToReport(text);
    state->setProcessPosition(fileSize);
    ++current.errors;
    ++totalErrors;
    return false;
  }
  if (isTerminated()) {
    state->setProcessPosition(fileSize);
    return false;
  }
  if (failed) {
    current.status = 2;
    state->setFilesProceeded(static_cast<std::uint32_t>(currentFile + 1));
    state->setProcessPosition(fileSize);
    ++current.errors;
    ++totalErrors;
    return false;
  }
  return true;
}

void bzSemanticProcess::reportMissingSection(smErrorCode code, ReportSectionType section) {
  const smError finding(code);
  addToReport(code, rmInfo, currentFile, section, 0, 0, finding.message);
}

void bzSemanticProcess::checkIntegrity() {
  relationAnalyzer->analyzeRelations();
  relationAnalyzer->analyzeCountRelations();
}

}  // namespace swde
