// What the installer needs of the machine, behind virtual functions: the
// process (is it root, its environment, its own file), the files, the
// registry scripts and the library loader. The functions of this class are
// the real ones; setupPlatform::system() is the instance the program uses,
// and tests derive from it to put a fault or a fake value in one place.
//
// File functions work as their system calls do: -1 (or false) and errno on
// failure. Paths are file-system bytes.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace swde {

class setupPlatform {
 public:
  virtual ~setupPlatform();

  // The platform of the running program.
  static setupPlatform& system();

  // --- The process
  // True when the effective user is root.
  virtual bool isRoot();
  // A variable of the environment; nullopt when it is not set.
  virtual std::optional<std::string> environment(const std::string& name);
  // The absolute path of the running program (/proc/self/exe); "" when it
  // cannot be read.
  virtual std::string programFile();

  // --- Files
  // Opens a regular file for reading (never blocking at the open), filling
  // st; -1 with errno set otherwise (a folder: EISDIR).
  virtual int openForReading(const std::string& path, struct ::stat& st);
  // A new file folder + "/" + prefix + six characters + suffix, mode 0600,
  // open for writing; its path in path.
  virtual int createTemporary(const std::string& folder, const std::string& prefix,
                              const std::string& suffix, std::string& path);
  virtual long long readSome(int fd, char* buffer, std::size_t size);
  virtual long long writeSome(int fd, const char* buffer, std::size_t size);
  virtual int setMode(int fd, unsigned mode);
  virtual int closeFile(int fd);
  // rename(2): replaces to at once.
  virtual int renameFile(const std::string& from, const std::string& to);
  virtual int removeFile(const std::string& path);
  virtual int removeFolder(const std::string& path);
  virtual int makeFolder(const std::string& path);
  // lstat(2) of path.
  virtual int statusOf(const std::string& path, struct ::stat& st);
  // Names in a folder ("." and ".." left out); false with errno set when it
  // cannot be read.
  virtual bool listFolder(const std::string& path, std::vector<std::string>& names);
  // The path with every link resolved; nullopt when a part of it is missing.
  virtual std::optional<std::string> resolvedPath(const std::string& path);

  // --- Registry
  // Merges a registry script into the registry (all of it or nothing);
  // false with a cp1250 message in error.
  virtual bool importRegistryScript(const std::string& path, std::string& error);

  // --- Loader
  // Loads a shared library by its path; it stays loaded. nullptr with the
  // loader's message in error.
  virtual void* loadLibrary(const std::string& path, std::string& error);
  // An exported function of a loaded library; nullptr when it has none.
  virtual void* findFunction(void* library, const char* name);

  // --- Built on the functions above
  // Makes path with every missing folder above it; false with errno set.
  bool makeFolders(const std::string& path);
  // The user's data folder: $XDG_DATA_HOME when it is absolute, else
  // $HOME/.local/share when $HOME is absolute; nullopt without either. No
  // trailing "/".
  std::optional<std::string> dataHome();
  // True when path (links not followed) is a regular file.
  bool isRegularFile(const std::string& path);
  // True when path (links followed) is a folder.
  bool isFolder(const std::string& path);
};

}  // namespace swde
