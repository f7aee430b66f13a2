#include "processing/bzReport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "platform/Format.h"

namespace swde {

using Guard = plat::TCriticalSectionLock;

namespace {

constexpr std::size_t kRecordHead = 16;
constexpr std::size_t kMaxText = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());

void putU32(AnsiString& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFFu));
  out.push_back(static_cast<char>((v >> 8) & 0xFFu));
  out.push_back(static_cast<char>((v >> 16) & 0xFFu));
  out.push_back(static_cast<char>((v >> 24) & 0xFFu));
}

std::uint32_t getU32(const char* p) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

std::int32_t getI32(const char* p) {
  return static_cast<std::int32_t>(getU32(p));
}

// A line number or position as stored: none (and anything that does not fit)
// becomes 0xFFFFFFFF.
std::uint32_t toDisk(std::int64_t v) {
  return v < 0 || v >= static_cast<std::int64_t>(bzReport::kNone) ? bzReport::kNone
                                                                  : static_cast<std::uint32_t>(v);
}

std::int64_t fromDisk(std::uint32_t v) {
  return v == bzReport::kNone ? -1 : static_cast<std::int64_t>(v);
}

// Makes the rename or copy of a file in folder durable; failures are of no
// consequence to the data already written.
void syncFolder(const AnsiString& path) {
  AnsiString folder = plat::extractFilePath(path);
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

struct ReportTexts {
  AnsiString openError = plat::cp("Błąd otwarcia pliku raportu");
  AnsiString readError = plat::cp("Błąd odczytu pliku raportu ");
  AnsiString writeError = plat::cp("Błąd zapisu pliku raportu ");
  AnsiString createError = plat::cp("Nie można utworzyć pliku tymczasowego raportu w folderze ");
  AnsiString corrupt = plat::cp("Plik raportu jest uszkodzony: ");
  AnsiString shortHeader = plat::cp("niepełny nagłówek");
  AnsiString badCount = plat::cp("nieprawidłowa liczba plików w nagłówku: ");
  AnsiString shortRecord = plat::cp("niepełny rekord na pozycji ");
  AnsiString badLength = plat::cp("długość tekstu ");
  AnsiString atPosition = plat::cp(" na pozycji ");
  AnsiString pastEnd = plat::cp(" wykracza poza koniec pliku");
  AnsiString notCreated = plat::cp("Raport nie został utworzony");
  AnsiString saveError = plat::cp("Nie można zapisać raportu w pliku ");
  AnsiString sourceError = plat::cp("Nie można odczytać pliku raportu ");
  AnsiString kept = plat::cp(". Raport pozostał w pliku ");
  AnsiString tooShort = plat::cp("plik jest krótszy niż oczekiwano");
  AnsiString notRegular = plat::cp("Plik raportu nie jest zwykłym plikiem: ");
  AnsiString fileOutside = plat::cp("numer pliku %d spoza listy plików na pozycji %d");
};

const ReportTexts& texts() {
  static const ReportTexts t;
  return t;
}

// A path in a message: cp1250 text.
AnsiString shown(const AnsiString& path) {
  return plat::fileNameToCp1250(path);
}

}  // namespace

AnsiString formatFindingLine(std::int64_t lineNo, int type, int code, int section,
                             const AnsiString& text) {
  static const char* const kTypeMarks[] = {"B ", "O ", "I "};
  static const char* const kSectionTags[] = {"SD ", "SG ", "SN ", "SO ", "SP ", "ST "};
  AnsiString line = plat::IntToStr(lineNo);
  line += ' ';
  if (type >= 0 && type <= 2) line += kTypeMarks[type];
  const AnsiString digits = plat::IntToStr(code);
  if (digits.size() < 5) line.append(5 - digits.size(), ' ');
  line += digits;
  line += ' ';
  if (section >= 46 && section <= 51) line += kSectionTags[section - 46];
  line += "- ";
  line += text;
  return line;
}

AnsiString fileLine(const AnsiString& path) {
  return "=========> " + path;
}

bzReport::bzReport(bool keepForViewing) : keepForViewing_(keepForViewing) {}

bzReport::~bzReport() {
  if (fd_ >= 0) ::close(fd_);
  if (tempOwned_) ::unlink(tempPath_.c_str());
}

void bzReport::setWriteFunction(WriteFunction write) {
  Guard guard(lock_);
  write_ = std::move(write);
}

bool bzReport::writeAll(int fd, const char* data, std::size_t size, std::int64_t offset, int& err) {
  while (size > 0) {
    const ssize_t n = write_ ? write_(fd, data, size, static_cast<off_t>(offset))
                             : ::pwrite(fd, data, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return false;
    }
    if (n == 0) {
      err = ENOSPC;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

void bzReport::fail(const AnsiString& message) {
  if (failed_.load()) return;
  failure_ = message;
  failed_.store(true);
}

void bzReport::readFail(const AnsiString& message) {
  if (readFailed_.load()) return;
  readError_ = message;
  readFailed_.store(true);
}

void bzReport::corrupt(const AnsiString& detail) {
  readFail(texts().corrupt + shown(path_) + " (" + detail + ")");
}

AnsiString bzReport::failureMessage() const {
  Guard guard(lock_);
  return failure_;
}

AnsiString bzReport::readErrorMessage() const {
  Guard guard(lock_);
  return readError_;
}

AnsiString bzReport::getPath() const {
  Guard guard(lock_);
  return path_;
}

void bzReport::closeStream() {
  if (fd_ >= 0) {
    if (writable_) ::fsync(fd_);
    ::close(fd_);
  }
  fd_ = -1;
  writable_ = false;
  ownsStream_ = false;
}

bool bzReport::Create(const bzFileList* files) {
  Guard guard(lock_);
  closeStream();
  if (tempOwned_) ::unlink(tempPath_.c_str());
  tempOwned_ = false;
  tempPath_.clear();
  path_.clear();
  folders_.clear();
  lineCount_.store(0);
  failed_.store(false);
  failure_.clear();
  readFailed_.store(false);
  readError_.clear();
  writePos_ = readPos_ = readEnd_ = 0;

  const AnsiString folder = plat::tempFolder();
  AnsiString created;
  const int fd = plat::createTempFile(folder, "TMP", ".$$$", created);
  if (fd < 0) {
    fail(texts().createError + shown(folder) + " (" + plat::fileWriteErrorReason(errno) + ")");
    return false;
  }
  fd_ = fd;
  writable_ = true;
  path_ = tempPath_ = created;
  tempOwned_ = true;

  AnsiString header;
  const unsigned count = files ? files->getFileCount() : 0;
  putU32(header, count);
  for (unsigned i = 0; i < count; ++i) {
    AnsiString full = files->getFilePath(i) + files->getFileName(i);
    if (full.size() > kMaxText) full.resize(kMaxText);
    putU32(header, static_cast<std::uint32_t>(full.size()));
    header += full;
  }
  int err = 0;
  if (!writeAll(fd_, header.data(), header.size(), 0, err)) {
    fail(texts().writeError + shown(path_) + " (" + plat::fileWriteErrorReason(err) + ")");
    if (::ftruncate(fd_, 0) != 0) {
      // The header is void anyway; the report stays failed.
    }
    return false;
  }
  writePos_ = readPos_ = static_cast<std::int64_t>(header.size());
  return true;
}

void bzReport::AddLine(std::int64_t lineNo, std::int32_t fileIdx, std::int64_t position,
                       const AnsiString& text) {
  Guard guard(lock_);
  if (!writable_ || failed_.load()) return;
  const std::size_t n = text.size() < kMaxText - kRecordHead ? text.size() : kMaxText - kRecordHead;
  AnsiString record;
  record.reserve(kRecordHead + n);
  putU32(record, toDisk(lineNo));
  putU32(record, static_cast<std::uint32_t>(fileIdx));
  putU32(record, toDisk(position));
  putU32(record, static_cast<std::uint32_t>(n));
  record.append(text, 0, n);
  int err = 0;
  if (!writeAll(fd_, record.data(), record.size(), writePos_, err)) {
    fail(texts().writeError + shown(path_) + " (" + plat::fileWriteErrorReason(err) + ")");
    // Cut off what part of the record reached the disk, so that the file
    // stays a report of the lines before.
    if (::ftruncate(fd_, static_cast<off_t>(writePos_)) != 0) {
      // Readers stop at writePos_ in any case.
    }
    return;
  }
  writePos_ += static_cast<std::int64_t>(record.size());
  lineCount_.fetch_add(1);
}

bool bzReport::readAt(std::int64_t offset, char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::pread(fd_, data, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      readFail(texts().readError + shown(path_) + " (" + plat::fileErrorReason(errno) + ")");
      return false;
    }
    if (n == 0) {
      readFail(texts().readError + shown(path_) + " (" + texts().tooShort + ")");
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

std::unique_ptr<bzReport::bzLineInfo> bzReport::GetNextLine() {
  Guard guard(lock_);
  if (fd_ < 0 || readFailed_.load()) return nullptr;
  // The temporary file holds whole records up to writePos_; a saved report
  // must end with a whole record.
  const std::int64_t end = ownsStream_ ? readEnd_ : writePos_;
  const std::int64_t left = end - readPos_;
  if (left <= 0) return nullptr;
  if (left < static_cast<std::int64_t>(kRecordHead)) {
    if (ownsStream_) corrupt(texts().shortRecord + plat::IntToStr(readPos_));
    return nullptr;
  }
  char head[kRecordHead];
  if (!readAt(readPos_, head, sizeof head)) return nullptr;
  const std::int32_t n = getI32(head + 12);
  if (n < 0 || n > left - static_cast<std::int64_t>(kRecordHead)) {
    corrupt(texts().badLength + plat::IntToStr(n) + texts().atPosition + plat::IntToStr(readPos_) +
            texts().pastEnd);
    return nullptr;
  }
  // A saved report names only the files of its own list (or none).
  const std::int32_t fileIdx = getI32(head + 4);
  if (ownsStream_ && fileIdx != -1 &&
      (fileIdx < 0 || static_cast<std::size_t>(fileIdx) >= folders_.size())) {
    corrupt(plat::Format(texts().fileOutside, {fileIdx, readPos_}));
    return nullptr;
  }
  auto line = std::make_unique<bzLineInfo>();
  line->text.resize(static_cast<std::size_t>(n));
  if (n > 0 && !readAt(readPos_ + static_cast<std::int64_t>(kRecordHead), line->text.data(),
                       line->text.size()))
    return nullptr;
  line->lineNo = fromDisk(getU32(head));
  line->fileIdx = fileIdx;
  line->position = fromDisk(getU32(head + 8));
  readPos_ += static_cast<std::int64_t>(kRecordHead) + n;
  return line;
}

bool bzReport::Open(const AnsiString& path) {
  if (!keepForViewing_) return false;
  Guard guard(lock_);
  closeStream();
  folders_.clear();
  path_ = path;
  readFailed_.store(false);
  readError_.clear();
  readPos_ = readEnd_ = 0;

  // A report may come from anywhere: a FIFO or a device is refused without
  // waiting at the open.
  int err = 0;
  struct stat st;
  const int fd = plat::openRegularForReading(path, err, &st);
  if (fd < 0) {
    readFail(texts().openError + ": " + shown(path) + " (" + plat::fileErrorReason(err) + ")");
    return false;
  }
  fd_ = fd;
  ownsStream_ = true;
  const std::int64_t size = static_cast<std::int64_t>(st.st_size);

  auto header = [&]() -> bool {
    char b[4];
    if (size < 4) {
      corrupt(texts().shortHeader);
      return false;
    }
    if (!readAt(0, b, 4)) return false;
    const std::int32_t count = getI32(b);
    if (count == 0) {
      readFail(texts().openError);
      return false;
    }
    // Every entry takes at least its four length bytes.
    if (count < 0 || count > (size - 4) / 4) {
      corrupt(texts().badCount + plat::IntToStr(count));
      return false;
    }
    std::int64_t at = 4;
    for (std::int32_t i = 0; i < count; ++i) {
      if (size - at < 4) {
        corrupt(texts().shortHeader);
        return false;
      }
      if (!readAt(at, b, 4)) return false;
      at += 4;
      const std::int32_t n = getI32(b);
      if (n < 0 || n > size - at) {
        corrupt(texts().badLength + plat::IntToStr(n) + texts().atPosition +
                plat::IntToStr(at - 4) + texts().pastEnd);
        return false;
      }
      AnsiString full(static_cast<std::size_t>(n), '\0');
      if (n > 0 && !readAt(at, full.data(), full.size())) return false;
      at += n;
      // Entry i stays file i, an empty one too.
      folders_.push_back(plat::extractFilePath(full));
    }
    readPos_ = at;
    return true;
  };
  if (!header()) {
    closeStream();
    folders_.clear();
    return false;
  }
  readEnd_ = size;
  return true;
}

AnsiString bzReport::GetFilePath(int i) const {
  Guard guard(lock_);
  if (i < 0 || static_cast<std::size_t>(i) >= folders_.size()) return AnsiString();
  return folders_[static_cast<std::size_t>(i)];
}

bool bzReport::copyTo(const AnsiString& source, const AnsiString& target, AnsiString& message) {
  const ReportTexts& t = texts();
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    message = t.sourceError + shown(source) + " (" + plat::fileErrorReason(errno) + ")";
    return false;
  }
  AnsiString folder = plat::extractFilePath(target);
  if (folder.empty()) folder = ".";
  AnsiString copy;
  const int out = plat::createTempFile(folder, ".TMP", "", copy);
  if (out < 0) {
    message = t.saveError + shown(target) + " (" + plat::fileWriteErrorReason(errno) + ")";
    ::close(in);
    return false;
  }
  std::vector<char> buffer(1 << 16);
  std::int64_t done = 0;
  int err = 0;
  bool ok = true;
  bool sourceFailed = false;
  // The copy takes the mode of a plain creation, not the temporary's 0600.
  if (::fchmod(out, plat::newFileMode()) != 0) {
    err = errno;
    ok = false;
  }
  while (ok) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      ok = false;
      sourceFailed = true;
      break;
    }
    if (n == 0) break;
    if (!writeAll(out, buffer.data(), static_cast<std::size_t>(n), done, err)) {
      ok = false;
      break;
    }
    done += n;
  }
  ::close(in);
  if (ok && ::fsync(out) != 0) {
    err = errno;
    ok = false;
  }
  if (::close(out) != 0 && ok) {
    err = errno;
    ok = false;
  }
  if (ok && ::rename(copy.c_str(), target.c_str()) != 0) {
    err = errno;
    ok = false;
  }
  if (!ok) {
    ::unlink(copy.c_str());
    message = sourceFailed
                  ? t.sourceError + shown(source) + " (" + plat::fileErrorReason(err) + ")"
                  : t.saveError + shown(target) + " (" + plat::fileWriteErrorReason(err) + ")";
    return false;
  }
  syncFolder(target);
  return true;
}

bool bzReport::SaveToFile(const AnsiString& target, AnsiString* error) {
  Guard guard(lock_);
  const ReportTexts& t = texts();
  if (path_.empty()) {
    if (error) *error = t.notCreated;
    return false;
  }
  const AnsiString source = path_;
  // The temporary file was made 0600; the report moved into place takes the
  // mode of a plain creation (a copy gets it in copyTo).
  if (!keepForViewing_ && writable_ && fd_ >= 0 && ::fchmod(fd_, plat::newFileMode()) != 0) {
    // The stricter mode stays; the report is saved all the same.
  }
  closeStream();
  // From here on the file is the caller's: saved, or kept and named.
  tempOwned_ = false;

  if (target == source || plat::sameFile(source, target)) {
    if (keepForViewing_) Open(target);
    return true;
  }
  // A link to a regular file stays, and its file takes the report.
  const AnsiString written = plat::resolveWriteTarget(target);

  // A folder, a device node or a FIFO is never replaced by the report.
  if (plat::existsAsNonRegular(target)) {
    if (error) *error = t.notRegular + shown(target) + t.kept + shown(source);
    return false;
  }

  AnsiString message;
  if (!keepForViewing_) {
    if (::rename(source.c_str(), written.c_str()) == 0) {
      syncFolder(written);
      path_ = target;
      return true;
    }
    if (copyTo(source, written, message)) {
      ::unlink(source.c_str());
      path_ = target;
      return true;
    }
  } else if (copyTo(source, written, message)) {
    Open(target);
    return true;
  }
  if (error) *error = message + t.kept + shown(source);
  return false;
}

}  // namespace swde
