#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileStream.h"

namespace plat {

int openRegularForReading(const std::string& path, int& err, struct ::stat* st) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return -1;
  }
  struct ::stat own;
  struct ::stat& s = st ? *st : own;
  int flags = 0;
  if (::fstat(fd, &s) != 0) {
    err = errno;
  } else if (!S_ISREG(s.st_mode)) {
    err = S_ISDIR(s.st_mode) ? EISDIR : kNotRegularFile;
  } else if ((flags = ::fcntl(fd, F_GETFL)) < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    err = errno;
  } else {
    return fd;
  }
  ::close(fd);
  return -1;
}

bool existsAsNonRegular(const std::string& path) {
  struct ::stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

std::string resolveWriteTarget(const std::string& path) {
  struct ::stat link, target;
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode) ||
      ::stat(path.c_str(), &target) != 0 || !S_ISREG(target.st_mode))
    return path;
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

unsigned newFileMode() {
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status))
      found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return 0666u & ~mask;
  }
  return 0644u;
}

namespace {

std::atomic<ConsoleEncoding> g_fileNameEncoding{ConsoleEncoding::Utf8};

}  // namespace

void setFileNameEncoding(ConsoleEncoding encoding) {
  g_fileNameEncoding = encoding;
}

ConsoleEncoding fileNameEncoding() {
  return g_fileNameEncoding;
}

std::string fileNameToCp1250(std::string_view name) {
  return fromConsoleEncoding(name, g_fileNameEncoding);
}

std::string tempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = dir && *dir ? dir : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

int createTempFile(const std::string& folder, std::string_view prefix, std::string_view suffix,
                   std::string& path) {
  std::string name = folder;
  if (name.empty() || name.back() != '/') name += '/';
  name.append(prefix);
  name += "XXXXXX";
  name.append(suffix);
  const int fd = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd >= 0) path = name;
  return fd;
}

std::string executableFile(int* err) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", target.data(), target.size());
    if (n < 0) {
      if (err) *err = errno;
      return {};
    }
    // A result that fills the buffer may have been cut: try a larger one.
    if (static_cast<std::size_t>(n) < target.size()) {
      target.resize(static_cast<std::size_t>(n));
      return target;
    }
    target.resize(target.size() * 2);
  }
}

std::string executableFolder() {
  int err = 0;
  const std::string target = executableFile(&err);
  if (target.empty())
    throw EFileError(cp("Nie można ustalić folderu programu (") + fileErrorReason(err) + ")");
  const std::size_t slash = target.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : target.substr(0, slash);
}

std::string extractFilePath(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string extractFileName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool sameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string fileWriteErrorReason(int err) {
  switch (err) {
    case ENOSPC:
      return cp("brak miejsca na dysku");
    case EDQUOT:
      return cp("przekroczony przydział miejsca na dysku");
    case EFBIG:
      return cp("przekroczony dopuszczalny rozmiar pliku");
    case EACCES:
    case EPERM:
      return cp("brak uprawnień do zapisu");
    case EROFS:
      return cp("system plików tylko do odczytu");
    case ENOENT:
      return cp("folder nie istnieje");
    default:
      return fileErrorReason(err);
  }
}

}  // namespace plat
