#include "app/guiFileListStore.h"

#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/FileSystem.h"

namespace swde {

namespace {

void putInt32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::int32_t getInt32(const unsigned char* p) {
  const std::uint32_t v = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                          std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
  return static_cast<std::int32_t>(v);
}

// Makes each missing folder of path (which ends with "/").
bool makeFolders(const std::string& folder) {
  for (std::size_t i = 1; i < folder.size(); ++i) {
    if (folder[i] != '/') continue;
    const std::string part = folder.substr(0, i);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

bool writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string guiFileListStore::defaultPath() {
  // A relative $XDG_CONFIG_HOME is not to be used.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config && config[0] == '/') {
    folder = config;
  } else {
    const char* home = std::getenv("HOME");
    if (home && *home) {
      folder = home;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
      folder = pw->pw_dir;
    }
    folder += "/.config";
  }
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + "olven/" + kFileName;
}

std::vector<std::string> guiFileListStore::load() const {
  std::vector<std::string> paths;
  int err = 0;
  struct ::stat st;
  const int fd = plat::openRegularForReading(path_, err, &st);
  if (fd < 0) return paths;
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);

  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t pos = 0;
  if (bytes.size() < 4) return paths;
  pos = 4;
  // Each entry takes at least its four length bytes: a count that claims
  // more reads what is there.
  const std::int64_t count =
      std::min<std::int64_t>(getInt32(data), static_cast<std::int64_t>((bytes.size() - pos) / 4));
  for (std::int64_t i = 0; i < count; ++i) {
    if (bytes.size() - pos < 4) break;
    const std::int32_t length = getInt32(data + pos);
    pos += 4;
    if (length < 0 || length > PATH_MAX || static_cast<std::size_t>(length) > bytes.size() - pos)
      break;
    std::string path = bytes.substr(pos, static_cast<std::size_t>(length));
    pos += static_cast<std::size_t>(length);
    // Files that vanished since the list was saved are dropped.
    struct ::stat fs;
    if (!path.empty() && path.find('\0') == std::string::npos && ::stat(path.c_str(), &fs) == 0)
      paths.push_back(std::move(path));
  }
  return paths;
}

bool guiFileListStore::save(const std::vector<std::string>& paths) const {
  std::string bytes;
  putInt32(bytes, static_cast<std::uint32_t>(paths.size()));
  for (const std::string& p : paths) {
    putInt32(bytes, static_cast<std::uint32_t>(p.size()));
    bytes += p;
  }
  const std::string target = plat::resolveWriteTarget(path_);
  std::string folder = plat::extractFilePath(target);
  if (folder.empty()) folder = "./";
  if (!makeFolders(folder)) return false;
  std::string temp;
  const int fd = plat::createTempFile(folder, "." + plat::extractFileName(target) + ".", "", temp);
  if (fd < 0) return false;
  bool ok = writeAll(fd, bytes) && ::fchmod(fd, plat::newFileMode()) == 0 && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok && !plat::existsAsNonRegular(target) && ::rename(temp.c_str(), target.c_str()) == 0)
    return true;
  ::unlink(temp.c_str());
  return false;
}

}  // namespace swde
