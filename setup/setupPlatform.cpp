#include "setup/setupPlatform.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/FileSystem.h"
#include "platform/Registry.h"

namespace swde {

setupPlatform::~setupPlatform() = default;

setupPlatform& setupPlatform::system() {
  static setupPlatform platform;
  return platform;
}

bool setupPlatform::isRoot() {
  return ::geteuid() == 0;
}

std::optional<std::string> setupPlatform::environment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

std::string setupPlatform::programFile() {
  return plat::executableFile();
}

int setupPlatform::openForReading(const std::string& path, struct ::stat& st) {
  int err = 0;
  const int fd = plat::openRegularForReading(path, err, &st);
  if (fd < 0) errno = err == plat::kNotRegularFile ? EINVAL : err;
  return fd;
}

int setupPlatform::createTemporary(const std::string& folder, const std::string& prefix,
                                   const std::string& suffix, std::string& path) {
  return plat::createTempFile(folder, prefix, suffix, path);
}

long long setupPlatform::readSome(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

long long setupPlatform::writeSome(int fd, const char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::write(fd, buffer, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

int setupPlatform::setMode(int fd, unsigned mode) {
  return ::fchmod(fd, static_cast<mode_t>(mode));
}

int setupPlatform::closeFile(int fd) {
  return ::close(fd);
}

int setupPlatform::renameFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str());
}

int setupPlatform::removeFile(const std::string& path) {
  return ::unlink(path.c_str());
}

int setupPlatform::removeFolder(const std::string& path) {
  return ::rmdir(path.c_str());
}

int setupPlatform::makeFolder(const std::string& path) {
  return ::mkdir(path.c_str(), 0777);
}

int setupPlatform::statusOf(const std::string& path, struct ::stat& st) {
  return ::lstat(path.c_str(), &st);
}

bool setupPlatform::listFolder(const std::string& path, std::vector<std::string>& names) {
  names.clear();
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), &::closedir);
  if (!dir) return false;
  errno = 0;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  return errno == 0;
}

std::optional<std::string> setupPlatform::resolvedPath(const std::string& path) {
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

bool setupPlatform::importRegistryScript(const std::string& path, std::string& error) {
  return plat::ImportRegistryScript(path, &error);
}

void* setupPlatform::loadLibrary(const std::string& path, std::string& error) {
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* message = ::dlerror();
    error = message ? message : "";
  }
  return library;
}

void* setupPlatform::findFunction(void* library, const char* name) {
  ::dlerror();
  return ::dlsym(library, name);
}

}  // namespace swde

namespace swde {

bool setupPlatform::makeFolders(const std::string& path) {
  if (isFolder(path)) return true;
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const std::size_t slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0 && !makeFolders(folder.substr(0, slash)))
    return false;
  if (makeFolder(folder) == 0) return true;
  // Made by someone else in the meantime: as good.
  return errno == EEXIST && isFolder(folder);
}

std::optional<std::string> setupPlatform::dataHome() {
  auto trimmed = [](std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
  };
  const std::optional<std::string> xdg = environment("XDG_DATA_HOME");
  if (xdg && !xdg->empty() && xdg->front() == '/') return trimmed(*xdg);
  const std::optional<std::string> home = environment("HOME");
  if (home && !home->empty() && home->front() == '/') {
    std::string folder = trimmed(*home);
    if (folder != "/") folder += '/';
    return folder + ".local/share";
  }
  return std::nullopt;
}

bool setupPlatform::isRegularFile(const std::string& path) {
  struct ::stat st;
  return statusOf(path, st) == 0 && S_ISREG(st.st_mode);
}

bool setupPlatform::isFolder(const std::string& path) {
  const std::optional<std::string> resolved = resolvedPath(path);
  struct ::stat st;
  return resolved && statusOf(*resolved, st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace swde
