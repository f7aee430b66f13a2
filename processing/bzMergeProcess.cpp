#include "processing/bzMergeProcess.h"

#include <sys/stat.h>

#include <cerrno>

#include "metadata/Attribssection.h"
#include "metadata/Attribtype.h"
#include "metadata/Attributedef.h"
#include "metadata/Contextrecord.h"
#include "metadata/Contextsection.h"
#include "metadata/Referencedef.h"
#include "metadata/Relationtype.h"
#include "metadata/Typessection.h"
#include "metadata/Usrcontextrecord.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "processing/bzException.h"
#include "syntax/Sxcodes.h"

namespace swde {

using plat::cp;
using plat::HRESULT;

namespace {

constexpr const char* kSource = ".\\bzMergeProcess.cpp";

// The line record behind a reader line; a line without one is a fault of the
// reader.
const sxLine& lineOf(LiniaSW* line, int at) {
  if (!line->line()) checkReaderStatus(plat::E_UNEXPECTED, kSource, at);
  return *line->line();
}

std::string_view rawField(const sxLine& line, std::size_t i) {
  const sxLineField* f = line.getField(i);
  return f ? std::string_view(f->text) : std::string_view();
}

// Identifiers (names of types, attributes, relations, keys) are always
// compared trimmed.
std::string_view name(const sxLine& line, std::size_t i) {
  return plat::TrimView(rawField(line, i));
}

const AnsiString& interruptedText() {
  static const AnsiString text = cp("Proces scalania został przerwany!!!");
  return text;
}

}  // namespace

bzMergeProcess::bzMergeProcess(RunKey key, bzFileList* fileList, bzReport* report,
                               bzSettings* settings, bzProcessState* state)
    : bzProcessThread(key, fileList, report, settings, state) {}

bzMergeProcess::~bzMergeProcess() {
  clear();
}

AnsiString bzMergeProcess::getTitle() const {
  return cp("Scalanie plików z opisem i geometrią");
}

void bzMergeProcess::clear() {
  specialGeoObjects.clear();
  mergedPrecincts.clear();
  fileObjects[0].clear();
  fileObjects[1].clear();
  mergedKeys.clear();
}

// ---------------------------------------------------------------------------
// The run

int bzMergeProcess::process() {
  rules = bzMergeRules(settings->skipComments, settings->skipWhiteChars);
  // Whatever way the run leaves, no work file and no reader outlives it.
  struct WorkFiles {
    bzMergeProcess& p;
    ~WorkFiles() { p.releaseWorkFiles(); }
  } workFiles{*this};

  reportFileList();
  if (!checkOutputPath() || !checkFilesType()) {
    failed = true;
    addToReport(interruptedText());
    closeFilePartResult();
    releaseWorkFiles();
    updateState();
    return 0;
  }

  fileMetadata[0] = std::make_unique<Metadata>();
  fileMetadata[1] = std::make_unique<Metadata>();
  // A folder that takes no file ends the run as a critical failure naming it.
  partResultFile = std::make_unique<mgFile>();
  partResultFile->openTempFile(outputFolder);
  partResultPath = partResultFile->path();

  addToReport(" ");
  addToReport(cp("Scalanie plików:"));
  for (unsigned i = 0; i < 2 && !isTerminated(); ++i) {
    if (!openFile(i)) {
      closeFile();
      failed = true;
      continue;
    }
    currentKind = fileKind[i];
    if (!fileObject) continue;
    if (fileType == lcSWING) {
      closeFile();
      addToReport("Niepoprawny format pliku. Oczekiwany plik w formacie SWDE");
      failed = true;
      break;
    }
    currentFile = static_cast<int>(i);
    const bool ok = processFile();
    updateState();
    closeFile();
    if (!ok) failed = true;
    if (failed) break;
  }
  if (isTerminated()) failed = true;
  bzMergeRules::sortObjects(fileObjects[0]);
  bzMergeRules::sortObjects(fileObjects[1]);

  if (failed) {
    addToReport(interruptedText());
  } else {
    mergeFiles();
    updateRelationsIds();
  }
  closeFilePartResult();
  releaseWorkFiles();
  updateState();
  return 0;
}

bool bzMergeProcess::checkOutputPath() {
  const AnsiString& dir = settings->outputDir;
  outputFolder = dir;
  if (!dir.empty() && dir.back() != '/') outputFolder.push_back('/');
  mergedPath = outputFolder + settings->outputFileName;
  if (settings->outputFileName.empty()) {
    addToReport("Brak nazwy pliku wynikowego");
    return false;
  }
  for (unsigned i = 0; i < fileList->getFileCount(); ++i) {
    if (plat::sameFile(mergedPath, fileList->getFilePath(i) + fileList->getFileName(i))) {
      addToReport(cp("Plik wynikowy jest plikiem wejściowym: ") +
                  plat::fileNameToCp1250(mergedPath));
      return false;
    }
  }
  // A folder, a device or a FIFO of that name is never written over.
  struct stat st;
  if (::stat(mergedPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    addToReport(cp("Błąd zapisu pliku ") + plat::fileNameToCp1250(mergedPath) + ": " +
                plat::fileWriteErrorReason(S_ISDIR(st.st_mode) ? EISDIR : plat::kNotRegularFile));
    return false;
  }
  return true;
}

void bzMergeProcess::closeFilePartResult() {
  fileObject.reset();
  current.status = 2;
  state->setFilesProceeded(static_cast<std::uint32_t>(currentFile + 1));
  currentFile = -1;
}

void bzMergeProcess::releaseWorkFiles() noexcept {
  fileObject.reset();
  partResultFile.reset();
  partResultPath.clear();
  spoolFiles[0].reset();
  spoolFiles[1].reset();
  mergedFile.reset();
}

void bzMergeProcess::tick(std::uint64_t& last) {
  const std::uint64_t now = tickCount();
  if (now - last > updateInterval) {
    last = now;
    updateState();
  }
}

void bzMergeProcess::reportProgramError(const plat::Exception& e) {
  AnsiString text = cp("Wystąpił błąd programu w trakcie przetwarzania pliku. ") + e.Message();
  // A read that failed in the middle of the file: the reader's own words name
  // the file and the reason.
  if (const auto* com = dynamic_cast<const bzCOMException*>(&e); com && !com->description.empty())
    text += ": " + com->description;
  addToReport(text);
  ++current.errors;
  ++totalErrors;
  state->setProcessPosition(fileSize);
}

void bzMergeProcess::reportMergeError(int code, int fileIdx) {
  const mgError error(static_cast<mgErrorCode>(code));
  addToReport(code, rmError, fileIdx, mgError::rsSO, 1, 0, error.message);
  ++totalErrors;
}

std::string_view bzMergeProcess::field(const sxLine& line, std::size_t i) const {
  const std::string_view f = rawField(line, i);
  return settings->skipWhiteChars ? plat::TrimView(f) : f;
}

plat::ComPtr<LiniaSW> bzMergeProcess::takeLine(RekordSW* record, std::uint32_t index,
                                               bool& reported) {
  plat::ComPtr<LiniaSW> line;
  checkReaderStatus(record->dajLinie(index, line.out()), kSource, __LINE__);
  reported = checkError(line.get());
  if (reported) line.reset();
  if (line) lineOf(line.get(), __LINE__);
  return line;
}

void bzMergeProcess::skipRecords(PlikSW* reader) {
  plat::ComPtr<RekordSW> record;
  for (;;) {
    checkReaderStatus(reader->dajKolejnyRekord(record.out()), kSource, __LINE__);
    if (!record) return;
  }
}

// ---------------------------------------------------------------------------
// Kinds of the inputs

bool bzMergeProcess::checkFilesType() {
  const AnsiString title = cp("Analiza rodzajów obiektów zawartych w scalanych plikach");
  setMessage(title);
  addToReport(title + ":");
  if (fileList->getFileCount() != 2) {
    addToReport(cp("Niepoprawna liczba plików do scalenia"));
    return false;
  }
  for (unsigned i = 0; i < 2 && !isTerminated(); ++i) {
    if (!openFile(i)) {
      closeFile();
      return false;
    }
    if (fileType == lcSWING) {
      addToReport("Niepoprawny format pliku. Oczekiwany plik w formacie SWDE");
    } else if (!processCheckFileType()) {
      fileObject.reset();
      return false;
    }
    fileObject.reset();
  }
  // A stop leaves the kinds undecided; it is no finding.
  if (isTerminated()) return false;
  for (int i = 0; i < 2; ++i) {
    if (fileKind[i] == bzMergeRules::kindUndecided) {
      reportMergeError(meFileKindUndecided, i);
      return false;
    }
  }
  if (fileKind[0] == fileKind[1]) {
    reportMergeError(meSameKindTwice, currentFile);
    return false;
  }
  return true;
}

bool bzMergeProcess::processCheckFileType() {
  bool ok = true;
  try {
    eachSection([&](std::int32_t section) {
      if (section != scSO) return true;
      ok = parseSectionSO(fileObject.get());
      return false;
    });
    if (ok && !isTerminated() && checkError(fileObject.get())) ok = false;
  } catch (const plat::Exception& e) {
    reportProgramError(e);
    updateState();
    return false;
  }
  const bool through = passEnded(ok);
  if (!isTerminated()) updateState();
  return through;
}

bool bzMergeProcess::parseSectionSO(PlikSW* reader) {
  plat::ComPtr<RekordSW> record;
  checkReaderStatus(reader->dajKolejnyRekord(record.out()), kSource, __LINE__);
  std::uint64_t last = tickCount();
  bool decided = false;
  while (record && !isTerminated() && !decided) {
    if (checkError(record.get())) return false;
    ++recordsCount;
    if (!parseRecordObject(record.get(), decided)) return false;
    checkReaderStatus(reader->dajKolejnyRekord(record.out()), kSource, __LINE__);
    tick(last);
  }
  return true;
}

bool bzMergeProcess::parseRecordObject(RekordSW* record, bool& decided) {
  bool reported = false;
  const plat::ComPtr<LiniaSW> line = takeLine(record, 0, reported);
  if (reported) return false;
  const sxLine& header = lineOf(line.get(), __LINE__);
  const std::string_view type = header.getFieldCount() > 2 ? name(header, 2) : std::string_view();
  const auto kind = bzMergeRules::kindOfType(type);
  if (kind != bzMergeRules::kindUndecided) {
    fileKind[currentFile] = kind;
    decided = true;
  }
  return true;
}

// ---------------------------------------------------------------------------
// The first pass

bool bzMergeProcess::processFile() {
  if (!fileObject) {
    addToReport(cp("Nie udało się otworzyć pliku"));
    return false;
  }
  bool ok = true;
  try {
    auto spool = std::make_unique<mgFile>();
    spool->openTempFile(outputFolder);
    // Nobody opens a spool by name: the descriptor keeps it, and no ending of
    // the run can leave it behind.
    spool->unlinkName();
    setMessage(currentFile == 0 ? "Przetwarzanie pliku pierwszego"
                                : "Przetwarzanie pliku drugiego");
    spoolFiles[currentFile] = std::move(spool);
    mgFile* out = spoolFiles[currentFile].get();

    eachSection([&](std::int32_t section) {
      switch (section) {
        case scSN:
          ok = parseSectionSN(fileObject.get());
          break;
        case scSP:
          ok = parseSectionSP(fileObject.get());
          break;
        case scST:
          ok = parseSectionST(fileObject.get());
          break;
        case scSO:
          ok = parseSectionSO(fileObject.get(), out);
          break;
        default:
          return true;
      }
      // A section read to its end leaves the error of its end line pending
      // on the file; the next read would drop it.
      if (ok && !isTerminated() && checkError(fileObject.get())) ok = false;
      return ok;
    });
    if (ok && !isTerminated() && checkError(fileObject.get())) ok = false;
  } catch (const plat::Exception& e) {
    reportProgramError(e);
    return false;
  }
  return passEnded(ok);
}

bool bzMergeProcess::passEnded(bool ok) {
  if (isTerminated()) {
    state->setProcessPosition(fileSize);
    return false;
  }
  if (!ok) {
    current.status = 2;
    state->setFilesProceeded(static_cast<std::uint32_t>(currentFile + 1));
    state->setProcessPosition(fileSize);
    return false;
  }
  return true;
}

template <class Body>
void bzMergeProcess::eachSection(Body body) {
  std::uint64_t last = tickCount();
  for (;;) {
    std::int32_t section = 0;
    const HRESULT hr = fileObject->ustawNaKolejnaSekcje(&section);
    checkReaderStatus(hr, kSource, __LINE__);
    if (hr != plat::S_OK || section == 0) return;
    if (!body(section)) return;
    tick(last);
    if (isTerminated()) return;
    skipRecords(fileObject.get());
  }
}

template <class Body>
bool bzMergeProcess::walkRecords(PlikSW* reader, Body body) {
  plat::ComPtr<RekordSW> record;
  checkReaderStatus(reader->dajKolejnyRekord(record.out()), kSource, __LINE__);
  std::uint64_t last = tickCount();
  while (record && !isTerminated()) {
    // The error of a line that ended the record without belonging to it (a
    // section end where the record's end line is missing) travels on the
    // record.
    if (checkError(record.get())) return false;
    if (!body(record.get())) return false;
    checkReaderStatus(reader->dajKolejnyRekord(record.out()), kSource, __LINE__);
    tick(last);
  }
  return true;
}

template <class Body>
bool bzMergeProcess::eachLine(RekordSW* record, Body body) {
  std::uint32_t count = 0;
  checkReaderStatus(record->dajIloscLinii(&count), kSource, __LINE__);
  for (std::uint32_t i = 0; i < count && !isTerminated(); ++i) {
    bool reported = false;
    const plat::ComPtr<LiniaSW> line = takeLine(record, i, reported);
    if (reported) return false;
    body(*line->line());
  }
  return true;
}

// ---------------------------------------------------------------------------
// Metadata sections

bool bzMergeProcess::parseSectionSN(PlikSW* reader) {
  ContextSection* contexts = fileMetadata[currentFile]->getContextSection();
  return walkRecords(reader, [&](RekordSW* record) {
    return eachLine(record, [&](const sxLine& l) {
      if ((l.code != lcNS && l.code != lcNU) || l.getFieldCount() < 2) return;
      // The last field holds the value, the ";" and the comment.
      const std::string_view first = name(l, 1);
      const auto text = bzMergeRules::splitFreeText(rawField(l, l.getFieldCount() - 1));
      const std::string_view value =
          settings->skipWhiteChars ? plat::TrimView(text.value) : text.value;
      const AnsiString key = bzMergeRules::contextKey(first, value);
      auto fill = [&](auto* r) {
        if (!r) return;  // the first of equal keys stays
        r->firstValue = first;
        r->lastValue = value;
        if (!settings->skipComments) r->comment = text.comment;
      };
      if (l.code == lcNS)
        fill(contexts->addRecord(key));
      else
        fill(contexts->addUsrRecord(key));
    });
  });
}

bool bzMergeProcess::parseSectionSP(PlikSW* reader) {
  AttribsSection* attribs = fileMetadata[currentFile]->getAttribsSection();
  return walkRecords(reader, [&](RekordSW* record) {
    return eachLine(record, [&](const sxLine& l) {
      const std::uint32_t n = l.getFieldCount();
      if (l.code == lcB && n >= 2) {
        AttribType* a = attribs->addAttribute(AnsiString(name(l, 1)));
        if (!a) return;
        a->type = field(l, 2);
        a->fieldCount = static_cast<int>(n);
        if (n > 3) a->field3 = field(l, 3);
        if (n > 4) a->field4 = field(l, 4);
        if (!settings->skipComments) a->comment = l.comment;
      } else if (l.code == lcW && n >= 2) {
        RelationType* r = attribs->addRelation(bzMergeRules::relationRename(name(l, 1)));
        if (r && !settings->skipComments) r->comment = l.comment;
      }
    });
  });
}

bool bzMergeProcess::parseSectionST(PlikSW* reader) {
  return walkRecords(reader, [&](RekordSW* record) {
    std::uint32_t count = 0;
    checkReaderStatus(record->dajIloscLinii(&count), kSource, __LINE__);
    for (std::uint32_t i = 0; i < count; ++i) {
      bool reported = false;
      plat::ComPtr<LiniaSW> line = takeLine(record, i, reported);
      if (reported) return false;
      if (line->line()->code != lcTD) continue;
      RecordType* type = parse_TD_Line(*line->line());
      line.reset();
      if (!type) break;  // a type of that name is in the model: the record is passed over
      bool closed = false;
      for (++i; i < count && !closed; ++i) {
        line = takeLine(record, i, reported);
        if (reported) return false;
        const int code = line->line()->code;
        line.reset();
        bool groupOk = true;
        switch (code) {
          case lcTP:
            groupOk = parseLineTP(record, count, type, i);
            break;
          case lcWE:
            groupOk = parseLineWE(record, count, type, i);
            break;
          case lcWR:
            groupOk = parseLineWR(record, count, type, i);
            break;
          case lcX:
          case lcXC:
            closed = true;
            break;
          default:
            break;
        }
        if (!groupOk) return false;
      }
      break;
    }
    return true;
  });
}

RecordType* bzMergeProcess::parse_TD_Line(const sxLine& line) {
  const std::string_view asRead = name(line, 1);
  RecordType* type = fileMetadata[currentFile]->getTypesSection()->addType(
      bzMergeRules::typeRename(asRead), AnsiString(name(line, 2)), AnsiString(asRead));
  if (type && !settings->skipComments) type->comment = line.comment;
  return type;
}

namespace {

// One line group of a TD record: the line that opens it, then the lines that
// may follow it, each taken only when its code is the one the group expects:
// a line that flags the group (TPW, WW, WP), then a line that names its key
// (TPN, WN).
struct Group {
  AnsiString code;
  AnsiString key;
  AnsiString comments[3];
  bool flagged = false;
};

constexpr int kNoKeyLine = -1;

// Reads the group opened by the line at index into g; index ends on the
// group's last line. take(i, reported) gives line i of the record; false
// when a line could not be taken (already reported).
template <class Take>
bool readGroup(Take take, std::uint32_t count, std::uint32_t& index, int flagCode, int keyCode,
               Group& g) {
  bool reported = false;
  {
    const plat::ComPtr<LiniaSW> first = take(index, reported);
    if (reported) return false;
    g.code = name(*first->line(), 1);
    g.comments[0] = first->line()->comment;
  }
  plat::ComPtr<LiniaSW> next;
  if (index + 1 < count) next = take(index + 1, reported);
  if (reported) return false;
  if (next && next->line()->code == flagCode) {
    g.flagged = true;
    g.comments[1] = next->line()->comment;
    ++index;
    next.reset();
    if (keyCode == kNoKeyLine) return true;
    if (index + 1 < count) next = take(index + 1, reported);
    if (reported) return false;
  }
  if (keyCode != kNoKeyLine && next && next->line()->code == keyCode) {
    g.key = name(*next->line(), 1);
    g.comments[2] = next->line()->comment;
    ++index;
  }
  return true;
}

}  // namespace

bool bzMergeProcess::parseLineTP(RekordSW* record, std::uint32_t count, RecordType* type,
                                 std::uint32_t& index) {
  Group g;
  const auto take = [&](std::uint32_t i, bool& reported) { return takeLine(record, i, reported); };
  if (!readGroup(take, count, index, lcTPW, lcTPN, g)) return false;
  AttributeDef* a = type->addAttribute(g.code, g.key);
  if (a) {
    a->multiple = g.flagged;
    if (!settings->skipComments)
      for (const AnsiString& c : g.comments) a->addComment(c);
  }
  return true;
}

bool bzMergeProcess::parseLineWE(RekordSW* record, std::uint32_t count, RecordType* type,
                                 std::uint32_t& index) {
  Group g;
  const auto take = [&](std::uint32_t i, bool& reported) { return takeLine(record, i, reported); };
  if (!readGroup(take, count, index, lcWP, kNoKeyLine, g)) return false;
  ReferenceDef* r = type->addReference(bzMergeRules::relationRename(g.code), AnsiString());
  if (r) {
    r->multiple = !g.flagged;  // WP: a single component
    r->element = true;
    if (!settings->skipComments) {
      r->addComment(g.comments[0]);
      r->addComment(g.comments[1]);
    }
  }
  return true;
}

bool bzMergeProcess::parseLineWR(RekordSW* record, std::uint32_t count, RecordType* type,
                                 std::uint32_t& index) {
  Group g;
  const auto take = [&](std::uint32_t i, bool& reported) { return takeLine(record, i, reported); };
  if (!readGroup(take, count, index, lcWW, lcWN, g)) return false;
  ReferenceDef* r = type->addReference(bzMergeRules::relationRename(g.code), g.key);
  if (r) {
    r->multiple = g.flagged;
    if (!settings->skipComments)
      for (const AnsiString& c : g.comments) r->addComment(c);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Objects

bool bzMergeProcess::parseSectionSO(PlikSW* reader, mgFile* spool) {
  return walkRecords(reader, [&](RekordSW* record) {
    ++recordsCount;
    return parseRecordObject(record, spool);
  });
}

bool bzMergeProcess::parseRecordObject(RekordSW* record, mgFile* spool) {
  bzMergeRules::Reader reader;
  {
    bool reported = false;
    const plat::ComPtr<LiniaSW> line = takeLine(record, 0, reported);
    if (reported) return false;
    const sxLine& header = *line->line();
    const std::string_view type = header.getFieldCount() > 2 ? name(header, 2) : std::string_view();
    reader = bzMergeRules::readerOf(type);
    if (reader == bzMergeRules::Reader::uncatalogued) {
      const TVarRec args[] = {TVarRec(type)};
      const mgError error(meObjectNotInCatalogue, args, 0);
      addToReport(meObjectNotInCatalogue, rmError, currentFile, mgError::rsSO,
                  static_cast<std::int64_t>(header.lineNumber),
                  static_cast<std::int64_t>(header.position), error.message);
      ++current.errors;
      ++totalErrors;
      reader = bzMergeRules::Reader::another;
    }
  }
  return readObject(record, spool, reader);
}

bool bzMergeProcess::readObject(RekordSW* record, mgFile* spool, bzMergeRules::Reader reader) {
  using R = bzMergeRules::Reader;
  auto object = std::make_unique<mgObject>();
  checkReaderStatus(record->pomijajKomentarze(settings->skipComments ? 1 : 0, nullptr), kSource,
                    __LINE__);
  std::uint32_t count = 0;
  checkReaderStatus(record->dajIloscLinii(&count), kSource, __LINE__);
  for (AnsiString& p : parts_) p.clear();
  const bool geometry = reader == R::geometry;
  bool inGeometry = false, keyFound = false, keySearch = false;

  for (std::uint32_t i = 0; i < count; ++i) {
    bool reported = false;
    const plat::ComPtr<LiniaSW> line = takeLine(record, i, reported);
    if (reported) return false;
    std::int32_t code = 0;
    checkReaderStatus(line->dajTypLinii(&code), kSource, __LINE__);
    const sxLine& l = *line->line();
    if (code == lcX || code == lcXC) break;
    if (i == 0) {
      fillObjectInfo(l, *object);
      keySearch = reader != R::another || bzMergeRules::anotherHasKey(object->objectType);
    } else if (geometry) {
      switch (code) {
        case lcGL:
          inGeometry = true;
          break;
        case lcGX:
          addLine(l, parts_[0], object->references[0]);
          inGeometry = false;
          break;
        case lcD:
          bzMergeRules::offerKeyLine(*object, keyFound, l.getFieldCount(), rawField(l, 1),
                                     rawField(l, l.getFieldCount() - 1));
          addLine(l, parts_[1], object->references[1]);
          break;
        case lcWG:
        case lcWL:
          addLine(l, parts_[2], object->references[2]);
          break;
        default:
          break;
      }
      if (inGeometry) addLine(l, parts_[0], object->references[0]);
    } else {
      if (code == lcD && keySearch && l.getFieldCount() > 0)
        bzMergeRules::offerKeyLine(*object, keyFound, l.getFieldCount(), rawField(l, 1),
                                   rawField(l, l.getFieldCount() - 1));
      addLine(l, parts_[0], object->references[0]);
    }
    if (isTerminated()) return true;  // the object is not kept
  }

  object->part = geometry ? 0 : reader == R::description ? 1 : 2;
  const int parked = geometry ? mgObject::kParts : 1;
  for (int k = 0; k < parked; ++k) {
    object->textOffset[k] = spool->position();
    object->textLength[k] = parts_[k].size();
    spool->saveLinesToFile(parts_[k]);
  }
  if (!makeNewRecordIds(*object)) return false;
  fileObjects[currentFile].push_back(std::move(object));
  return true;
}

void bzMergeProcess::fillObjectInfo(const sxLine& header, mgObject& object) {
  std::string_view fields[6];
  const std::size_t n = std::min<std::size_t>(header.getFieldCount(), 6);
  for (std::size_t i = 0; i < n; ++i) fields[i] = field(header, i);
  bzMergeRules::setHeaderFields(object, fields, n);
  if (!settings->skipComments) object.comment = header.comment;
  object.lineNumber = header.lineNumber;
  object.filePosition = header.position;
  object.fileIndex = currentFile;
}

void bzMergeProcess::addLine(const sxLine& line, AnsiString& text, mgObject::ReferenceLines& refs) {
  const std::uint32_t n = line.getFieldCount();
  fields_.clear();
  for (std::uint32_t i = 0; i < n; ++i) fields_.push_back(field(line, i));
  rules.appendLine(line.code, fields_.data(), fields_.size(), line.hasSemicolon != 0, line.comment,
                   text, refs);
}

bool bzMergeProcess::makeNewRecordIds(mgObject& object) {
  const bzMergeRules::Verdict v = rules.makeNewRecordIds(object, currentKind);
  if (v.kept()) return true;
  addToReport(v.code, rmError, object.fileIndex, mgError::rsSO,
              static_cast<std::int64_t>(object.lineNumber),
              static_cast<std::int64_t>(object.filePosition), v.message);
  ++current.errors;
  ++totalErrors;
  return false;
}

}  // namespace swde
