#include "merge/Mgfile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"

namespace swde {
namespace {

using plat::cp;

// Pieces gather here before they are written; a piece larger than this goes
// to the file in one write of its own.
constexpr std::size_t kBufferSize = 256 * 1024;

[[noreturn]] void raise(const std::string& text) {
  throw plat::EFileError(text);
}

// 0 when path is missing or a regular file (links followed); else why it is
// not written: EISDIR for a folder, plat::kNotRegularFile for the rest.
int nonRegular(const AnsiString& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return 0;
  return S_ISDIR(st.st_mode) ? EISDIR : plat::kNotRegularFile;
}

// Bytes written between two syncs of a file written early.
constexpr std::uint64_t kSyncStep = std::uint64_t{32} << 20;

}  // namespace

// Syncs the file each time kSyncStep more bytes are written, while the store
// goes on writing: the medium takes the bytes as they come, so that the
// last sync waits for the last few only. A sync's failure is kept, so that
// the store reports it (the system reports a failed write-back once).
class mgFile::Syncer {
 public:
  Syncer(int fd, SyncFunction sync) : fd_(fd), sync_(std::move(sync)) {
    thread_ = std::thread([this] { run(); });
  }
  ~Syncer() { stop(); }
  // The file holds written bytes now.
  void wrote(std::uint64_t written) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      written_ = written;
      if (written_ - asked_ < kSyncStep) return;
    }
    wake_.notify_one();
  }
  // Ends the thread after the sync under way; the errno of the first
  // failed sync, 0 when none failed.
  int stop() noexcept {
    {
      std::lock_guard<std::mutex> hold(lock_);
      stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
    return error_;
  }

 private:
  void run() noexcept {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
      wake_.wait(hold, [this] { return stopping_ || written_ - asked_ >= kSyncStep; });
      if (stopping_) return;
      asked_ = written_;
      hold.unlock();
      int err = 0;
      if ((sync_ ? sync_(fd_) : ::fdatasync(fd_)) != 0) err = errno != 0 ? errno : EIO;
      hold.lock();
      if (err != 0 && error_ == 0) error_ = err;
    }
  }

  const int fd_;
  const SyncFunction sync_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::uint64_t written_ = 0;  // under lock_
  std::uint64_t asked_ = 0;    // written_ when the last sync began
  bool stopping_ = false;
  int error_ = 0;  // written by the thread, read after its join
  std::thread thread_;
};

mgFile::mgFile() = default;

mgFile::~mgFile() {
  if (fd_ >= 0 && !temporary_) {
    // Best effort only: closeFile is where a failure is reported.
    try {
      flush();
    } catch (const plat::EFileError&) {
    }
  }
  release();
}

void mgFile::openTempFile(const AnsiString& folder) {
  if (fd_ >= 0 && !temporary_) flush();
  std::string created;
  const int fd = plat::createTempFile(folder.empty() ? "." : folder, "~olv", ".tmp", created);
  if (fd < 0) {
    const int err = errno;
    raise(cp("Nie można utworzyć pliku tymczasowego w folderze ") + plat::fileNameToCp1250(folder) +
          " (" + plat::fileWriteErrorReason(err) + ")");
  }
  open(fd, created, true);
}

void mgFile::openFile(const AnsiString& name) {
  if (fd_ >= 0 && !temporary_) flush();
  auto refuse = [&](int err) {
    raise(cp("Nie można utworzyć pliku ") + plat::fileNameToCp1250(name) + " (" +
          plat::fileWriteErrorReason(err) + ")");
  };
  // Something other than a regular file of that name (a folder, a device, a
  // FIFO) is neither opened nor emptied: the open does not block on a FIFO
  // and is checked again on what it opened, before the truncation.
  if (const int err = nonRegular(name)) refuse(err);
  const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) refuse(errno);
  struct stat st;
  int err = 0;
  int flags = 0;
  if (::fstat(fd, &st) != 0)
    err = errno;
  else if (!S_ISREG(st.st_mode))
    err = S_ISDIR(st.st_mode) ? EISDIR : plat::kNotRegularFile;
  else if ((flags = ::fcntl(fd, F_GETFL)) < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
           ::ftruncate(fd, 0) != 0)
    err = errno;
  if (err != 0) {
    ::close(fd);
    refuse(err);
  }
  open(fd, name, false);
}

void mgFile::open(int fd, const AnsiString& path, bool temporary) {
  release();
  fd_ = fd;
  path_ = path;
  temporary_ = temporary;
  linked_ = true;
  written_ = 0;
  writeError_ = 0;
  buffer_.clear();
  buffer_.reserve(kBufferSize);
}

void mgFile::unlinkName() {
  if (fd_ < 0 || !temporary_ || !linked_) return;
  if (::unlink(path_.c_str()) == 0 || errno == ENOENT) linked_ = false;
}

void mgFile::closeFile() {
  if (fd_ < 0) return;
  int err = 0;
  const char* what = nullptr;
  try {
    flush();
  } catch (...) {
    release();
    throw;
  }
  if (const int synced = stopSyncer()) {
    err = synced;
    what = "Błąd zapisu pliku ";
  }
  if (::close(fd_) != 0 && errno != EINTR && !what) {
    err = errno;
    what = "Błąd zamknięcia pliku ";
  }
  fd_ = -1;
  const AnsiString path = path_;
  release();
  if (what)
    raise(cp(what) + plat::fileNameToCp1250(path) + " (" + plat::fileWriteErrorReason(err) + ")");
}

void mgFile::flushFile() {
  requireOpen("Błąd zapisu pliku ");
  flush();
}

void mgFile::commitTo(const AnsiString& name) {
  requireOpen("Błąd zapisu pliku ");
  auto refuse = [&](int err) {
    release();
    raise(cp("Błąd zapisu pliku ") + plat::fileNameToCp1250(name) + " (" +
          plat::fileWriteErrorReason(err) + ")");
  };
  if (!temporary_ || !linked_) refuse(ENOENT);
  try {
    flush();
  } catch (const plat::EFileError&) {
    // Named after the file the bytes were meant for, not the temporary one.
    refuse(writeError_ != 0 ? writeError_ : EIO);
  }
  if (const int err = stopSyncer()) refuse(err);
  if (::fsync(fd_) != 0) refuse(errno);
  if (::fchmod(fd_, plat::newFileMode()) != 0) refuse(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) refuse(errno);
  // The output may have turned into something else since the run began.
  if (const int err = nonRegular(name)) refuse(err);
  if (::rename(path_.c_str(), name.c_str()) != 0) refuse(errno);
  linked_ = false;
  // The rename reaches the disk with its folder; best effort.
  const std::string folder = plat::extractFilePath(name);
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  release();
}

void mgFile::saveLinesToFile(std::string_view text) {
  if (text.empty()) return;
  requireOpen("Błąd zapisu pliku ");
  if (writeError_ != 0) fail("Błąd zapisu pliku ", writeError_);
  if (buffer_.size() + text.size() > kBufferSize) {
    flush();
    if (text.size() >= kBufferSize) {
      writeAll(text.data(), text.size());
      return;
    }
  }
  buffer_.append(text);
}

AnsiString mgFile::readLinesFromFile(std::uint64_t offset, std::uint64_t length) {
  AnsiString text;
  appendLinesFromFile(offset, length, text);
  return text;
}

void mgFile::appendLinesFromFile(std::uint64_t offset, std::uint64_t length, AnsiString& text) {
  requireOpen("Błąd odczytu pliku ");
  flush();
  if (offset > written_ || length > written_ - offset)
    raise(cp("Błąd odczytu pliku ") + plat::fileNameToCp1250(path_) +
          cp(" (nieoczekiwany koniec pliku)"));
  const std::size_t start = text.size();
  if (length > 0 && mapWritten()) {
    text.append(map_ + offset, static_cast<std::size_t>(length));
    return;
  }
  text.resize(start + static_cast<std::size_t>(length));
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n =
        ::pread(fd_, text.data() + start + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = n < 0 ? errno : 0;
      text.resize(start);
      if (n < 0)
        raise(cp("Błąd odczytu pliku ") + plat::fileNameToCp1250(path_) + " (" +
              plat::fileErrorReason(err) + ")");
      raise(cp("Błąd odczytu pliku ") + plat::fileNameToCp1250(path_) +
            cp(" (nieoczekiwany koniec pliku)"));
    }
    done += static_cast<std::size_t>(n);
  }
}

std::string_view mgFile::writtenBytes() {
  flushFile();
  if (!mapWritten()) return {};
  return {map_, mapped_};
}

void mgFile::dropWrittenBytes(std::uint64_t from, std::uint64_t to) noexcept {
  if (!map_ || to > mapped_ || from >= to) return;
  const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  const std::uint64_t first = (from + page - 1) / page * page;
  const std::uint64_t last = to / page * page;
  if (first < last)
    static_cast<void>(::madvise(const_cast<char*>(map_) + first, last - first, MADV_DONTNEED));
}

bool mgFile::mapWritten() noexcept {
  if (mapped_ == written_ && map_) return true;
  if (mapRefused_ || written_ == 0 || written_ > SIZE_MAX) return false;
  unmap();
  // Reads come in any order: the pages are mapped in one go rather than one
  // fault at a time.
  void* p = ::mmap(nullptr, static_cast<std::size_t>(written_), PROT_READ,
                   MAP_SHARED | MAP_POPULATE, fd_, 0);
  if (p == MAP_FAILED) {
    mapRefused_ = true;
    return false;
  }
  map_ = static_cast<const char*>(p);
  mapped_ = static_cast<std::size_t>(written_);
  return true;
}

void mgFile::unmap() noexcept {
  if (map_) ::munmap(const_cast<char*>(map_), mapped_);
  map_ = nullptr;
  mapped_ = 0;
}

void mgFile::setWriteFunction(WriteFunction write) {
  write_ = std::move(write);
}

void mgFile::flush() {
  // After a failed write the file's end is unknown: every later write, read
  // or close reports the failure again.
  if (writeError_ != 0) fail("Błąd zapisu pliku ", writeError_);
  if (buffer_.empty()) return;
  writeAll(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void mgFile::writeAll(const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const off_t at = static_cast<off_t>(written_);
    const ssize_t n = write_ ? write_(fd_, data + done, size - done, at)
                             : ::pwrite(fd_, data + done, size - done, at);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("Błąd zapisu pliku ", errno);
    }
    // No progress without an error: the disk takes nothing more.
    if (n == 0) fail("Błąd zapisu pliku ", ENOSPC);
    // The disk starts taking the bytes now, so that commitTo's sync finds
    // little left to wait for; advice only.
    if (writeBack_) static_cast<void>(::sync_file_range(fd_, at, n, SYNC_FILE_RANGE_WRITE));
    done += static_cast<std::size_t>(n);
    written_ += static_cast<std::uint64_t>(n);
    if (writeBack_) syncEarly();
    if (growing_) growing_->grew(written_);
  }
}

void mgFile::syncEarly() noexcept {
  if (!syncer_) {
    if (syncerRefused_ || written_ < kSyncStep) return;
    try {
      syncer_ = std::make_unique<Syncer>(fd_, sync_);
    } catch (...) {
      // No thread: the sync of commitTo takes everything.
      syncerRefused_ = true;
      return;
    }
  }
  try {
    syncer_->wrote(written_);
  } catch (...) {
    // A lock that cannot be taken: the next write tells the thread again.
  }
}

std::shared_ptr<plat::GrowingFile> mgFile::letReadersFollow() {
  requireOpen("Błąd zapisu pliku ");
  if (!growing_) {
    growing_ = std::make_shared<plat::GrowingFile>();
    growing_->grew(written_);
    followed_ = std::make_unique<plat::FollowedFile>(fd_, growing_);
  }
  return growing_;
}

void mgFile::finishWriting() {
  try {
    flush();
  } catch (...) {
    stopFollowers();
    throw;
  }
  if (growing_) growing_->finish();
}

void mgFile::stopFollowers() noexcept {
  followed_.reset();
  if (growing_) growing_->abandon();
  growing_.reset();
}

int mgFile::stopSyncer() noexcept {
  if (!syncer_) return 0;
  const int err = syncer_->stop();
  syncer_.reset();
  return err;
}

void mgFile::setSyncFunction(SyncFunction sync) {
  sync_ = std::move(sync);
}

void mgFile::release() noexcept {
  stopSyncer();
  syncerRefused_ = false;
  stopFollowers();
  unmap();
  mapRefused_ = false;
  if (fd_ >= 0) ::close(fd_);
  if (temporary_ && linked_ && !path_.empty()) ::unlink(path_.c_str());
  fd_ = -1;
  path_.clear();
  temporary_ = false;
  linked_ = false;
  written_ = 0;
  writeError_ = 0;
  buffer_.clear();
}

void mgFile::fail(const char* what, int err) {
  if (writeError_ == 0) {
    writeError_ = err;
    buffer_.clear();
  }
  raise(cp(what) + plat::fileNameToCp1250(path_) + " (" + plat::fileWriteErrorReason(err) + ")");
}

void mgFile::requireOpen(const char* what) const {
  if (fd_ < 0) raise(cp(what) + cp("(brak otwartego pliku)"));
}

}  // namespace swde
