#include "processing/bzDocAuthProcess.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "processing/bzDocGenerator.h"
#include "processing/bzException.h"

namespace swde {

using plat::cp;
using namespace doclines;

namespace {

void appendSum(AnsiString& out, std::uint32_t sum) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, sum);
  out.append(buf, r.ptr);
}

AnsiString failureText(const plat::Exception& e) {
  AnsiString text = e.Message();
  if (const auto* com = dynamic_cast<const bzCOMException*>(&e); com && !com->description.empty())
    text += ": " + com->description;
  return text;
}

// Both files are whole: they take their places together. An older copy is
// kept under a second name until the document is in place too; when the
// document cannot take its place, the older copy comes back (or the new one
// goes, when there was none), so that the pair on disk is always one run's.
void publishTogether(bzOutFileStream& copy, bzOutFileStream& doc) {
  copy.close();
  doc.close();
  const std::string& target = copy.target();
  struct stat st;
  const bool hadOld = ::lstat(target.c_str(), &st) == 0;
  std::string backup;
  if (hadOld) {
    AnsiString folder = plat::extractFilePath(target);
    if (folder.empty()) folder = ".";
    const int fd =
        plat::createTempFile(folder, "." + plat::extractFileName(target) + ".", ".old", backup);
    if (fd >= 0) {
      ::close(fd);
      ::unlink(backup.c_str());
      if (::link(target.c_str(), backup.c_str()) != 0) backup.clear();
    } else {
      backup.clear();
    }
  }
  copy.commit();
  try {
    doc.commit();
  } catch (...) {
    if (!backup.empty())
      std::rename(backup.c_str(), target.c_str());
    else if (!hadOld)
      ::unlink(target.c_str());
    throw;
  }
  if (!backup.empty()) ::unlink(backup.c_str());
}

}  // namespace

AnsiString bzOutputFolder(const bzSettings& settings, const AnsiString& inputFolder) {
  AnsiString folder = settings.outputDir.empty() ? inputFolder : settings.outputDir;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

AnsiString bzCrcCopyName(const AnsiString& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == AnsiString::npos || dot == 0) return name + "_crc";
  return name.substr(0, dot) + "_crc" + name.substr(dot);
}

bzDocTargets bzAuthTargets(const bzSettings& settings, const AnsiString& inputFolder,
                           const AnsiString& inputName) {
  bzDocTargets t;
  t.folder = bzOutputFolder(settings, inputFolder);
  t.copyName = settings.outputFileName.empty() ? bzCrcCopyName(inputName) : settings.outputFileName;
  t.copyPath = t.folder + t.copyName;
  t.documentPath = t.copyPath + ".aut.rtf";
  return t;
}

AnsiString bzVerifDocumentPath(const bzSettings& settings, const AnsiString& inputFolder,
                               const AnsiString& inputName) {
  return bzOutputFolder(settings, inputFolder) + inputName + ".wer.rtf";
}

AnsiString bzOneOutputNameText() {
  return cp("Nazwa pliku wynikowego dotyczy tylko jednego pliku wejściowego");
}

bzDocAuthProcess::bzDocAuthProcess(RunKey key, bzFileList* fileList, bzReport* report,
                                   bzSettings* settings, bzProcessState* state)
    : bzProcessThread(key, fileList, report, settings, state) {}

bzDocAuthProcess::~bzDocAuthProcess() = default;

AnsiString bzDocAuthProcess::getTitle() const {
  return "Autoryzacja pliku danych";
}

bool bzDocAuthProcess::documentWritten(unsigned i) const {
  return i < written_.size() && written_[i] != 0;
}

void bzDocAuthProcess::countError() {
  ++current.errors;
  ++totalErrors;
}

int bzDocAuthProcess::process() {
  reportSettings();
  reportFileList();
  const unsigned count = fileList->getFileCount();
  written_.assign(count, 0);
  if (count > 1 && !settings->outputFileName.empty()) {
    // Every input would overwrite the one copy.
    addToReport(bzOneOutputNameText());
    ++totalErrors;
    updateState();
    return 0;
  }
  for (unsigned i = 0; i < count && !isTerminated() && !runEndedByData(); ++i) {
    if (openFile(i) && fileObject && !refuseTarget(i)) processFile();
    updateState();
    closeFile();
  }
  updateState();
  return 0;
}

bool bzDocAuthProcess::refuseTarget(unsigned i) {
  const bzDocTargets t =
      bzAuthTargets(*settings, fileList->getFilePath(i), fileList->getFileName(i));
  for (unsigned j = 0; j < fileList->getFileCount(); ++j) {
    const AnsiString input = fileList->getFilePath(j) + fileList->getFileName(j);
    for (const AnsiString* target : {&t.copyPath, &t.documentPath}) {
      if (!plat::sameFile(*target, input)) continue;
      addToReport(cp("Plik wynikowy jest plikiem wejściowym: ") + plat::fileNameToCp1250(*target));
      countError();
      return true;
    }
  }
  return false;
}

void bzDocAuthProcess::processFile() {
  counters_.clear();
  sums_.restart();
  skipWhite_ = settings->skipWhiteChars;
  skipComments_ = settings->skipComments;
  swing_ = fileType == lcSWING;
  copySize_ = 0;

  const unsigned i = static_cast<unsigned>(currentFile);
  const bzDocTargets targets =
      bzAuthTargets(*settings, fileList->getFilePath(i), fileList->getFileName(i));
  addToReport(cp("Przetwarzanie pliku: ") + shownFileName(i));
  addToReport(cp("Plik wynikowy z sumami kontrolnymi: ") +
              plat::fileNameToCp1250(targets.copyPath));
  setMessage(cp("Generacja pliku z sumami kontrolnymi"));

  // The temporaries go on every way out.
  struct Drop {
    std::unique_ptr<bzOutFileStream>& out;
    ~Drop() { out.reset(); }
  } drop{out_};

  bool published = false;
  try {
    out_ = std::make_unique<bzOutFileStream>(targets.copyPath, 32768);
    if (copyLines() == End::Clean) {
      out_->close();
      copySize_ = out_->getPosition();
      setMessage(cp("Generacja dokumentu autoryzacji"));
      try {
        createDocument(targets);
        published = true;
      } catch (const plat::Exception& e) {
        addToReport(cp("Wystąpił błąd w trakcie generacji dokumentu do autoryzacji: ") +
                    failureText(e));
        countError();
      }
    }
  } catch (const plat::Exception& e) {
    addToReport(cp("Wystąpił błąd w trakcie przetwarzania pliku. ") + failureText(e));
    countError();
  }
  out_.reset();
  if (!published) addToReport(cp("Plik wynikowy i dokument autoryzacji nie zostały zapisane"));
  written_[i] = published ? 1 : 0;
}

bzDocAuthProcess::End bzDocAuthProcess::copyLines() {
  std::uint64_t t = tickCount();
  std::uint32_t lines = 0;
  plat::ComPtr<LiniaSW> line;
  auto faultyEnd = [this] {
    addToReport(cp("Niepoprawne zakończenie pliku!"));
    endRunWith(cp("Przetwarzanie przerwano z powodu niepoprawnego zakończenia pliku"));
    return End::FaultyEnd;
  };
  for (;;) {
    checkReaderStatus(fileObject->dajLinie(line.out()), ".\\bzDocAuthProcess", 1);
    if (!line) return checkError(fileObject.get()) ? faultyEnd() : End::Clean;
    const sxLine* l = line->line().get();
    if (!l || isEndMarker(*l, fileSize)) {
      if (checkError(line.get())) return faultyEnd();
      line.reset();
      continue;
    }
    if (checkError(line.get())) {
      addToReport(cp("Proces przerwano z powodu niepoprawności pliku"));
      return End::FaultyLine;
    }
    if (!(skipComments_ && isCommentLine(l->code)) && !processLine(*l)) {
      addToReport(cp("Proces przerwano z powodu niepoprawności pliku"));
      return End::FaultyLine;
    }
    line.reset();
    if ((++lines & 0xFF) == 0) {
      const std::uint64_t now = tickCount();
      if (now - t > updateInterval) {
        t = now;
        updateState();
      }
    }
    if (isTerminated()) return End::Stopped;
  }
}

bool bzDocAuthProcess::processLine(const sxLine& l) {
  const int code = l.code;
  const std::uint32_t count = l.getFieldCount();
  line_.clear();
  if (count > 0) {
    if (isFileEnd(code)) {
      line_ = swing_ ? "SWINGXC," : "SWDEXC,";
      sums_.file.put(line_);
      counters_.fileSum = sums_.file.value();
      appendSum(line_, counters_.fileSum);
      line_ += ';';
      sums_.file.restart();
    } else if (isSectionEnd(code)) {
      line_ = "SXC,";
      sums_.section.put(line_);
      const std::uint32_t sum = sums_.section.value();
      if (sums_.inSection && sums_.slot >= 0) {
        counters_.sections[static_cast<std::size_t>(sums_.slot)].chars = sums_.section.byteCount;
        counters_.sections[static_cast<std::size_t>(sums_.slot)].sum = sum;
      }
      appendSum(line_, sum);
      line_ += ';';
    } else if (isRecordEnd(code)) {
      line_ = "XC,";
      sums_.record.put(line_);
      appendSum(line_, sums_.record.value());
      line_ += ';';
    } else {
      for (std::uint32_t i = 0; i < count; ++i) {
        const sxLineField* field = l.getField(i);
        if (!field) {
          addToReport(cp("!!! Błąd odczytu pola nr ") + plat::UIntToStr(i) + ", linia:" +
                      AnsiString(count > 0 && l.getField(0) ? l.getField(0)->text : ""));
          countError();
          return false;
        }
        if (i > 0) line_ += ',';
        if (skipWhite_)
          line_.append(plat::TrimView(field->text));
        else
          line_.append(field->text);
      }
      if (l.hasSemicolon) line_ += ';';
    }
  }
  if (!skipComments_) {
    line_.append(l.comment);
    if (isCommentLine(code) || !l.comment.empty()) ++counters_.commentLines;
    counters_.commentChars += l.comment.size();
  }

  // The three sums in one pass over the line.
  const bzSumWalk::Ends ends = sums_.feed(code, line_, counters_, recordsCount);
  if (ends.section) sums_.endSection();
  if (ends.record) sums_.endRecord();
  out_->putLine(line_);
  return true;
}

void bzDocAuthProcess::createDocument(const bzDocTargets& targets) {
  addToReport(cp("Generowanie dokumentu autoryzacji: ") +
              plat::fileNameToCp1250(targets.documentPath));
  bzDocGenerator gen(bzDocGenerator::today(), "...", targets.copyName, copySize_,
                     counters_.commentLines, counters_.commentChars, counters_.fileSum);
  for (unsigned slot = 0; slot < bzDocCounters::kSections; ++slot) {
    const bzDocCounters::Section& s = counters_.sections[slot];
    gen.addSection(s.present, counters_.getSectionName(slot), s.chars, s.records, s.sum);
  }
  gen.closeDocument();
  bzOutFileStream doc(targets.documentPath, 32768);
  doc.putBytes(gen.getDocument());
  publishTogether(*out_, doc);
}

}  // namespace swde
