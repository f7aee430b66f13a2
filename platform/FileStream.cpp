#include "platform/FileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"

namespace plat {

std::string fileErrorReason(int err) {
  switch (err) {
    case ENOENT:
      return cp("plik nie istnieje");
    case EACCES:
    case EPERM:
      return cp("brak uprawnień do odczytu");
    case EISDIR:
      return cp("to jest katalog, a nie plik");
    case ENOTDIR:
      return cp("część ścieżki nie jest katalogiem");
    case ENAMETOOLONG:
      return cp("za długa nazwa pliku");
    case kNotRegularFile:
      return cp("to nie jest zwykły plik");
    case ELOOP:
      return cp("zbyt wiele dowiązań symbolicznych");
    case EMFILE:
    case ENFILE:
      return cp("zbyt wiele otwartych plików");
    case EIO:
      return cp("błąd wejścia-wyjścia");
    default:
      return cp("błąd systemu nr ") + std::to_string(err);
  }
}

namespace {

[[noreturn]] void openFailed(const std::string& path, const std::string& reason) {
  throw EFileError(cp("Nie można otworzyć pliku: ") + fileNameToCp1250(path) + " (" + reason + ")");
}

// The files followed now, by device and inode.
struct Followed {
  dev_t device;
  ino_t inode;
  std::shared_ptr<GrowingFile> growing;
};
std::mutex followedLock;
std::vector<Followed>& followed() {
  static std::vector<Followed>* files = new std::vector<Followed>;
  return *files;
}

std::shared_ptr<GrowingFile> followedFile(const struct stat& st) {
  std::lock_guard<std::mutex> hold(followedLock);
  for (const Followed& f : followed())
    if (f.device == st.st_dev && f.inode == st.st_ino) return f.growing;
  return nullptr;
}

}  // namespace

void GrowingFile::grew(std::uint64_t size) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    state_.size = std::max(state_.size, size);
  }
  changed_.notify_all();
}

void GrowingFile::finish() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    state_.finished = true;
  }
  changed_.notify_all();
}

void GrowingFile::abandon() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    // A finished file stays readable to its end.
    if (!state_.finished) state_.abandoned = true;
  }
  changed_.notify_all();
}

GrowingFile::State GrowingFile::state() const {
  std::lock_guard<std::mutex> hold(lock_);
  return state_;
}

GrowingFile::State GrowingFile::waitPast(std::uint64_t at) const {
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [&] { return state_.size > at || state_.finished || state_.abandoned; });
  return state_;
}

FollowedFile::FollowedFile(int fd, std::shared_ptr<GrowingFile> growing) {
  struct stat st;
  if (!growing || ::fstat(fd, &st) != 0) return;
  device_ = st.st_dev;
  inode_ = st.st_ino;
  std::lock_guard<std::mutex> hold(followedLock);
  followed().push_back({device_, inode_, std::move(growing)});
  registered_ = true;
}

FollowedFile::~FollowedFile() {
  if (!registered_) return;
  std::lock_guard<std::mutex> hold(followedLock);
  auto& files = followed();
  for (auto it = files.begin(); it != files.end(); ++it)
    if (it->device == device_ && it->inode == inode_) {
      files.erase(it);
      break;
    }
}

InputFile::InputFile(const std::string& path) : path_(path) {
  int err = 0;
  struct stat st;
  fd_ = openRegularForReading(path, err, &st);
  if (fd_ < 0) openFailed(path, fileErrorReason(err));
  size_ = static_cast<std::uint64_t>(st.st_size);
  growing_ = followedFile(st);
  if (growing_) size_ = growing_->state().size;
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::uint64_t InputFile::seek(std::uint64_t offset) {
  position_ = offset;
  return position_;
}

std::size_t InputFile::read(void* buffer, std::size_t n) {
  if (growing_ && n > 0 && position_ >= size_) {
    const GrowingFile::State s = growing_->waitPast(position_);
    if (s.abandoned)
      throw EFileError(cp("Błąd odczytu pliku: ") + fileNameToCp1250(path_) + " (" +
                       fileErrorReason(EIO) + ")");
    size_ = s.size;
  }
  if (position_ >= size_ || n == 0) return 0;
  if (n > size_ - position_) n = static_cast<std::size_t>(size_ - position_);
  std::size_t done = 0;
  char* out = static_cast<char*>(buffer);
  while (done < n) {
    const ssize_t r = ::pread(fd_, out + done, n - done, static_cast<off_t>(position_ + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw EFileError(cp("Błąd odczytu pliku: ") + fileNameToCp1250(path_) + " (" +
                       fileErrorReason(errno) + ")");
    }
    if (r == 0) break;  // the file shrank under us
    done += static_cast<std::size_t>(r);
  }
  position_ += done;
  return done;
}

}  // namespace plat
