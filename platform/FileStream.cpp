#include "platform/FileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

}  // namespace

InputFile::InputFile(const std::string& path) : path_(path) {
  int err = 0;
  struct stat st;
  fd_ = openRegularForReading(path, err, &st);
  if (fd_ < 0) openFailed(path, fileErrorReason(err));
  size_ = static_cast<std::uint64_t>(st.st_size);
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::uint64_t InputFile::seek(std::uint64_t offset) {
  position_ = offset;
  return position_;
}

std::size_t InputFile::read(void* buffer, std::size_t n) {
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
