#include "app/ModuleList.h"

#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/FileSystem.h"

namespace swde {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The path with every link resolved; "" when it cannot be.
std::string resolved(const std::string& path) {
  char* r = ::realpath(path.c_str(), nullptr);
  if (!r) return std::string();
  std::string out(r);
  std::free(r);
  return out;
}

std::string programPath() {
  return plat::executableFile();
}

int collect(struct dl_phdr_info* info, size_t, void* data) {
  auto* names = static_cast<std::vector<std::string>*>(data);
  names->push_back(info->dlpi_name ? info->dlpi_name : "");
  return 0;
}

}  // namespace

std::string paddedVersion(std::string_view text) {
  std::string out;
  int parts = 0;
  std::size_t i = 0;
  while (parts < 4 && i < text.size() && isDigit(text[i])) {
    const std::size_t start = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    if (parts > 0) out += '.';
    out.append(text.substr(start, i - start));
    ++parts;
    // The next number only after a dot that a digit follows.
    if (i + 1 < text.size() && text[i] == '.' && isDigit(text[i + 1]))
      ++i;
    else
      break;
  }
  if (parts == 0) return std::string();
  for (; parts < 4; ++parts) out += ".0";
  return out;
}

std::string sharedObjectVersion(std::string_view fileName) {
  const std::size_t at = fileName.find(".so.");
  if (at == std::string_view::npos) return std::string();
  return paddedVersion(fileName.substr(at + 4));
}

bool isOwnModule(std::string_view fileName) {
  for (std::string_view program : {"olven", "olvenWizzard", "olvenSetup"})
    if (fileName == program) return true;
  // A library: its stem, then ".so" at the end or followed by a version.
  std::size_t at = 0;
  for (;;) {
    at = fileName.find(".so", at);
    if (at == std::string_view::npos) return false;
    if (at + 3 == fileName.size() || fileName[at + 3] == '.') break;
    at += 3;
  }
  const std::string_view stem = fileName.substr(0, at);
  return stem.rfind("libolv", 0) == 0 || stem == "libReportPane" || stem == "libPageView";
}

std::vector<ModuleInfo> loadedModules(std::string_view projectVersion) {
  std::vector<std::string> names;
  ::dl_iterate_phdr(&collect, &names);
  const std::string ownVersion = paddedVersion(projectVersion);

  std::vector<ModuleInfo> modules;
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string path;
    std::string real;
    if (i == 0) {
      // The program itself: the loader gives it no name.
      real = resolved("/proc/self/exe");
      path = real.empty() ? programPath() : real;
    } else {
      // Without a file (the kernel's vDSO has a bare name, or none).
      if (names[i].find('/') == std::string::npos) continue;
      real = resolved(names[i]);
      path = names[i][0] == '/' || real.empty() ? names[i] : real;
    }
    if (path.empty()) continue;
    ModuleInfo m;
    m.path = path;
    m.name = plat::extractFileName(path);
    struct ::stat st;
    m.size = ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    const std::string realName = plat::extractFileName(real.empty() ? path : real);
    if (i == 0 || isOwnModule(m.name) || isOwnModule(realName))
      m.version = ownVersion;
    else
      m.version = sharedObjectVersion(realName);
    modules.push_back(std::move(m));
  }
  return modules;
}

std::string moduleListText(const std::vector<ModuleInfo>& modules) {
  std::string out;
  for (const ModuleInfo& m : modules) {
    out += m.name;
    out += '\t';
    out += m.version;
    out += '\t';
    out += std::to_string(m.size);
    out += '\t';
    out += m.path;
    out += "\r\n";
  }
  return out;
}

std::string replaceFileWith(const std::string& path, std::string_view bytes) {
  if (plat::existsAsNonRegular(path)) return plat::fileWriteErrorReason(EISDIR);
  const std::string target = plat::resolveWriteTarget(path);
  const std::string folderPart = plat::extractFilePath(target);
  std::string temp;
  const int out = plat::createTempFile(folderPart.empty() ? std::string(1, '.') : folderPart,
                                       ".olvsave", ".tmp", temp);
  if (out < 0) return plat::fileWriteErrorReason(errno);
  int err = 0;
  for (std::size_t done = 0; done < bytes.size() && err == 0;) {
    const ssize_t w = ::write(out, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno != EINTR) err = errno;
    if (w > 0) done += static_cast<std::size_t>(w);
  }
  if (err == 0 && ::fsync(out) != 0) err = errno;
  if (::close(out) != 0 && err == 0) err = errno;
  if (err == 0 && ::fchmodat(AT_FDCWD, temp.c_str(), plat::newFileMode(), 0) != 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    return plat::fileWriteErrorReason(err);
  }
  return std::string();
}

}  // namespace swde
