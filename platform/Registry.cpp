#include "platform/Registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"

namespace plat {

namespace {

// ---------------------------------------------------------------------------
// The tree of one hive

enum class Kind { String, ExpandString, Binary, Dword };

struct Value {
  std::string name;  // first spelling written
  Kind kind = Kind::String;
  std::string data;  // String, ExpandString, Binary
  std::uint32_t number = 0;
};

struct Key {
  std::string name;                                     // first spelling written
  std::map<std::string, Value> values;                  // by folded name
  std::map<std::string, std::unique_ptr<Key>> subkeys;  // by folded name
};

using Path = std::vector<std::string>;

std::string fold(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

Path splitPath(std::string_view key) {
  Path out;
  std::size_t start = 0;
  while (start <= key.size()) {
    std::size_t end = key.find('\\', start);
    if (end == std::string_view::npos) end = key.size();
    if (end > start) out.emplace_back(key.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

std::string joinPath(const Path& path) {
  std::string out;
  for (const std::string& part : path) {
    if (!out.empty()) out += '\\';
    out += part;
  }
  return out;
}

const Key* findKey(const Key& root, const Path& path) {
  const Key* key = &root;
  for (const std::string& part : path) {
    auto it = key->subkeys.find(fold(part));
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

Key* findKey(Key& root, const Path& path) {
  return const_cast<Key*>(findKey(static_cast<const Key&>(root), path));
}

Key& createKey(Key& root, const Path& path, bool* created = nullptr) {
  Key* key = &root;
  for (const std::string& part : path) {
    std::unique_ptr<Key>& sub = key->subkeys[fold(part)];
    if (!sub) {
      sub = std::make_unique<Key>();
      sub->name = part;
      if (created) *created = true;
    }
    key = sub.get();
  }
  return *key;
}

bool eraseKey(Key& root, const Path& path) {
  if (path.empty()) return false;
  Key* parent = findKey(root, Path(path.begin(), path.end() - 1));
  return parent && parent->subkeys.erase(fold(path.back())) > 0;
}

void setValue(Key& key, Value value) {
  auto [it, inserted] = key.values.try_emplace(fold(value.name));
  if (!inserted) value.name = it->second.name;
  it->second = std::move(value);
}

const char* rootName(HKEY root) {
  switch (root) {
    case HKEY_CLASSES_ROOT:
      return "HKEY_CLASSES_ROOT";
    case HKEY_LOCAL_MACHINE:
      return "HKEY_LOCAL_MACHINE";
    case HKEY_CURRENT_USER:
      break;
  }
  return "HKEY_CURRENT_USER";
}

bool rootFromName(std::string_view name, HKEY& root) {
  const std::string f = fold(name);
  if (f == "hkey_local_machine" || f == "hklm") {
    root = HKEY_LOCAL_MACHINE;
  } else if (f == "hkey_current_user" || f == "hkcu") {
    root = HKEY_CURRENT_USER;
  } else if (f == "hkey_classes_root" || f == "hkcr") {
    root = HKEY_CLASSES_ROOT;
  } else {
    return false;
  }
  return true;
}

std::string fullName(HKEY root, const Path& path) {
  std::string out = rootName(root);
  if (!path.empty()) out += '\\' + joinPath(path);
  return out;
}

// ---------------------------------------------------------------------------
// Reading REGEDIT4 text

struct Statement {
  enum Type { Section, DeleteSection, SetValue, DeleteValue };
  Type type = Section;
  int line = 0;
  HKEY root = HKEY_CURRENT_USER;  // sections
  Path path;                      // sections
  Value value;                    // values; only the name for DeleteValue
};

struct ParseError {
  int line;
  std::string message;
};

std::string_view trimLeft(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

std::string_view trimRight(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t')) --n;
  return s.substr(0, n);
}

std::string_view trim(std::string_view s) {
  return trimRight(trimLeft(s));
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && fold(s.substr(0, prefix.size())) == prefix;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Parser {
 public:
  explicit Parser(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines_.push_back(line);
      start = end + 1;
    }
  }

  // Statements of the text; values under a deleted key are dropped, as the
  // import drops them.
  std::vector<Statement> parse() {
    std::vector<Statement> out;
    const std::string_view header = lines_.empty() ? std::string_view() : trim(lines_[0]);
    if (header == "Windows Registry Editor Version 5.00") {
      unicode_ = true;
    } else if (header != "REGEDIT4") {
      fail(1, cp("brak nagłówka REGEDIT4"));
    }
    bool inSection = false;
    bool inDeleted = false;
    for (next_ = 1; next_ < lines_.size();) {
      const int lineNo = static_cast<int>(next_) + 1;
      const std::string_view line = trim(lines_[next_++]);
      if (line.empty() || line[0] == ';') continue;
      if (line[0] == '[') {
        Statement st = section(lineNo, line);
        inSection = true;
        inDeleted = st.type == Statement::DeleteSection;
        out.push_back(std::move(st));
      } else if (line[0] == '"' || line[0] == '@') {
        if (!inSection) fail(lineNo, cp("wartość przed pierwszą sekcją klucza"));
        Statement st = value(lineNo, line);
        if (!inDeleted) out.push_back(std::move(st));
      } else {
        fail(lineNo, cp("wiersz nie jest ani sekcją klucza, ani wartością"));
      }
    }
    return out;
  }

 private:
  [[noreturn]] static void fail(int line, std::string message) {
    throw ParseError{line, std::move(message)};
  }

  static Statement section(int lineNo, std::string_view line) {
    if (line.back() != ']') fail(lineNo, cp("sekcja klucza nie kończy się znakiem „]”"));
    std::string_view inner = line.substr(1, line.size() - 2);
    Statement st;
    st.line = lineNo;
    st.type = Statement::Section;
    if (!inner.empty() && inner[0] == '-') {
      st.type = Statement::DeleteSection;
      inner.remove_prefix(1);
    }
    const std::size_t slash = inner.find('\\');
    const std::string_view root = inner.substr(0, slash);
    if (!rootFromName(root, st.root))
      fail(lineNo, cp("nieznany klucz główny „") + std::string(root) + cp("”"));
    if (slash != std::string_view::npos) st.path = splitPath(inner.substr(slash + 1));
    if (st.type == Statement::DeleteSection && st.path.empty())
      fail(lineNo, cp("klucza głównego nie można usunąć"));
    return st;
  }

  // A quoted text from s[pos] (the opening quote); pos ends past the closing
  // quote. Only \\ and \" are escapes; any other backslash is kept, as people
  // write paths in scripts.
  static std::string quoted(int lineNo, std::string_view s, std::size_t& pos) {
    std::string out;
    for (++pos; pos < s.size(); ++pos) {
      const char c = s[pos];
      if (c == '\\' && pos + 1 < s.size() && (s[pos + 1] == '\\' || s[pos + 1] == '"')) {
        out += s[++pos];
      } else if (c == '"') {
        ++pos;
        return out;
      } else {
        out += c;
      }
    }
    fail(lineNo, cp("brak cudzysłowu zamykającego"));
  }

  Statement value(int lineNo, std::string_view line) {
    Statement st;
    st.line = lineNo;
    st.type = Statement::SetValue;
    std::size_t pos = 1;
    if (line[0] == '"') {
      pos = 0;
      st.value.name = quoted(lineNo, line, pos);
    }
    std::string_view rest = trimLeft(line.substr(pos));
    if (rest.empty() || rest[0] != '=') fail(lineNo, cp("brak znaku „=” po nazwie wartości"));
    rest = trimLeft(rest.substr(1));

    if (rest == "-") {
      st.type = Statement::DeleteValue;
    } else if (!rest.empty() && rest[0] == '"') {
      pos = 0;
      st.value.kind = Kind::String;
      st.value.data = quoted(lineNo, rest, pos);
      if (!trim(rest.substr(pos)).empty()) fail(lineNo, cp("nadmiarowe znaki po wartości"));
    } else if (startsWithNoCase(rest, "dword:")) {
      const std::string_view digits = trim(rest.substr(6));
      const auto [end, ec] =
          std::from_chars(digits.data(), digits.data() + digits.size(), st.value.number, 16);
      if (digits.empty() || digits.size() > 8 || ec != std::errc() ||
          end != digits.data() + digits.size())
        fail(lineNo, cp("błędna liczba dword „") + std::string(digits) + cp("”"));
      st.value.kind = Kind::Dword;
    } else if (startsWithNoCase(rest, "hex")) {
      hexValue(lineNo, rest.substr(3), st.value);
    } else {
      fail(lineNo, cp("nieznany typ wartości"));
    }
    return st;
  }

  void hexValue(int lineNo, std::string_view s, Value& value) {
    unsigned type = 3;
    if (!s.empty() && s[0] == '(') {
      const std::size_t close = s.find(')');
      const std::string_view digits =
          close == std::string_view::npos ? std::string_view() : s.substr(1, close - 1);
      const auto [end, ec] =
          std::from_chars(digits.data(), digits.data() + digits.size(), type, 16);
      if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        fail(lineNo, cp("błędny typ wartości hex"));
      s.remove_prefix(close + 1);
    }
    if (s.empty() || s[0] != ':') fail(lineNo, cp("brak dwukropka po hex"));
    s.remove_prefix(1);
    if (type == 1) {
      value.kind = Kind::String;
    } else if (type == 2) {
      value.kind = Kind::ExpandString;
    } else if (type == 3) {
      value.kind = Kind::Binary;
    } else {
      fail(lineNo, cp("nieobsługiwany typ wartości hex(") + std::to_string(type) + ")");
    }

    // The list goes on over the lines that end with a backslash; an error
    // names the line of the bad byte.
    std::string bytes;
    for (std::string_view part = trimRight(s);;) {
      const bool more = !part.empty() && part.back() == '\\';
      if (more) part.remove_suffix(1);
      std::size_t start = 0;
      while (start <= part.size()) {
        std::size_t end = part.find(',', start);
        if (end == std::string_view::npos) end = part.size();
        const std::string_view item = trim(part.substr(start, end - start));
        if (!item.empty() || end != part.size()) {
          const int hi = item.size() == 2 ? hexDigit(item[0]) : 0;
          const int lo = item.empty() ? -1 : hexDigit(item.back());
          if (item.size() > 2 || hi < 0 || lo < 0)
            fail(lineNo, cp("błędny bajt „") + std::string(item) + cp("” w liście hex"));
          bytes += static_cast<char>(hi * 16 + lo);
        }
        start = end + 1;
      }
      if (!more) break;
      if (next_ >= lines_.size()) fail(lineNo, cp("lista bajtów urwana na końcu pliku"));
      lineNo = static_cast<int>(next_) + 1;
      part = trim(lines_[next_++]);
    }

    if (value.kind == Kind::Binary) {
      value.data = std::move(bytes);
    } else if (!unicode_) {
      // The text is ended by one zero byte, which is not part of it.
      if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
      value.data = std::move(bytes);
    } else {
      if (bytes.size() % 2 != 0) fail(lineNo, cp("tekst UTF-16 o nieparzystej liczbie bajtów"));
      std::u16string text;
      for (std::size_t i = 0; i < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
      if (!text.empty() && text.back() == u'\0') text.pop_back();
      value.data = utf16ToCp1250(text);
    }
  }

  std::vector<std::string_view> lines_;
  std::size_t next_ = 0;
  bool unicode_ = false;
};

std::string lineMessage(const std::string& path, int line, const std::string& message) {
  return fileNameToCp1250(path) + cp(", wiersz ") + std::to_string(line) + ": " + message;
}

// Applies statements to the hives in trees (all the roots they name must be
// there).
void applyStatements(const std::vector<Statement>& statements, std::map<HKEY, Key>& trees) {
  Key* current = nullptr;
  for (const Statement& st : statements) {
    switch (st.type) {
      case Statement::Section:
        current = &createKey(trees.at(st.root), st.path);
        break;
      case Statement::DeleteSection:
        eraseKey(trees.at(st.root), st.path);
        current = nullptr;
        break;
      case Statement::SetValue:
        if (current) setValue(*current, st.value);
        break;
      case Statement::DeleteValue:
        if (current) current->values.erase(fold(st.value.name));
        break;
    }
  }
}

// ---------------------------------------------------------------------------
// Writing REGEDIT4 text

void appendQuoted(std::string& out, std::string_view s) {
  out += '"';
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

void appendHex(std::string& out, std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::size_t lineStart = out.rfind('\n') + 1;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    out += digits[b >> 4];
    out += digits[b & 15];
    if (i + 1 == bytes.size()) break;
    out += ',';
    if (out.size() - lineStart > 76) {
      out += "\\\n  ";
      lineStart = out.size() - 2;
    }
  }
}

bool needsHex(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) < 0x20) return true;
  return false;
}

void appendValue(std::string& out, const Value& v) {
  if (v.name.empty()) {
    out += '@';
  } else {
    appendQuoted(out, v.name);
  }
  out += '=';
  switch (v.kind) {
    case Kind::String:
      if (!needsHex(v.data)) {
        appendQuoted(out, v.data);
      } else {
        out += "hex(1):";
        appendHex(out, v.data + '\0');
      }
      break;
    case Kind::ExpandString:
      out += "hex(2):";
      appendHex(out, v.data + '\0');
      break;
    case Kind::Binary:
      out += "hex:";
      appendHex(out, v.data);
      break;
    case Kind::Dword: {
      char buf[9];
      std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>(v.number));
      out += "dword:";
      out += buf;
      break;
    }
  }
  out += '\n';
}

void appendKey(std::string& out, const Key& key, const std::string& name) {
  out += '[' + name + "]\n";
  for (const auto& [folded, v] : key.values) appendValue(out, v);
  out += '\n';
  for (const auto& [folded, sub] : key.subkeys) appendKey(out, *sub, name + '\\' + sub->name);
}

std::string serialize(HKEY root, const Key& tree) {
  std::string out = "REGEDIT4\n\n";
  if (!tree.values.empty()) {
    out += '[' + std::string(rootName(root)) + "]\n";
    for (const auto& [folded, v] : tree.values) appendValue(out, v);
    out += '\n';
  }
  for (const auto& [folded, sub] : tree.subkeys)
    appendKey(out, *sub, std::string(rootName(root)) + '\\' + sub->name);
  return out;
}

// ---------------------------------------------------------------------------
// Files, locks

[[noreturn]] void fileFailed(const std::string& what, const std::string& path,
                             const std::string& reason) {
  throw ERegistryException(what + fileNameToCp1250(path) + " (" + reason + ")");
}

// No hive of ours comes near this; a larger file is not read whole into
// memory, and no change makes a hive larger.
constexpr std::uint64_t kMaxHiveSize = std::uint64_t{64} << 20;

[[noreturn]] void hiveRefused(const std::string& path) {
  throw ERegistryException(cp("Plik rejestru jest uszkodzony lub zbyt duży: ") +
                           fileNameToCp1250(path));
}

constexpr HKEY kRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
constexpr std::size_t kTempSuffix = 6;  // the XXXXXX of mkostemp

std::string tempPrefix(HKEY root) {
  return std::string(".") + rootName(root) + ".reg.";
}

bool isTempHiveName(std::string_view name) {
  for (HKEY root : kRoots) {
    const std::string prefix = tempPrefix(root);
    if (name.size() == prefix.size() + kTempSuffix && name.substr(0, prefix.size()) == prefix)
      return true;
  }
  return false;
}

// Removes the temporary hives of writers that died before renaming them:
// those whose lock is free. Call with the exclusive folder lock held, so
// that no writer of ours is between making its file and locking it. What
// cannot be removed stays; it costs only its space.
void removeDeadWritersFiles(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(dir))
      if (isTempHiveName(e->d_name)) names.emplace_back(e->d_name);
    ::closedir(dir);
  }
  for (const std::string& name : names) {
    const std::string path = folder + '/' + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat held, named;
    // Still the same file under the name once locked: not one that took its
    // place meanwhile.
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
        named.st_ino == held.st_ino)
      ::unlink(path.c_str());
    ::close(fd);  // releases the lock
  }
}

std::string registryFolder() {
  const char* dir = std::getenv("OLVEN_REGISTRY");
  if (dir && *dir) return dir;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return std::string(config) + "/olven/registry";
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* pw = ::getpwuid(::getuid());
    home = pw ? pw->pw_dir : nullptr;
  }
  if (!home || !*home)
    throw ERegistryException(cp("Nie wiadomo, gdzie jest rejestr: brak katalogu domowego"));
  return std::string(home) + "/.config/olven/registry";
}

std::string hivePath(const std::string& folder, HKEY root) {
  return folder + '/' + rootName(root) + ".reg";
}

void makeFolder(const std::string& folder) {
  for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos < folder.size() && folder[pos] != '/') continue;
    const std::string prefix = folder.substr(0, pos);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
      const int err = errno;
      struct stat st;
      if (::stat(prefix.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        fileFailed(cp("Nie można utworzyć katalogu rejestru: "), prefix, fileWriteErrorReason(err));
    }
  }
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    fileFailed(cp("Nie można utworzyć katalogu rejestru: "), folder, fileErrorReason(ENOTDIR));
}

// flock on the .lock file of the folder for the life of the object. A shared
// lock on a folder without a lock file is no lock: nothing was ever written
// there by us, and a hive is only ever replaced whole. The exclusive lock is
// a writer's: it first removes what dead writers left.
class FolderLock {
 public:
  FolderLock(const std::string& folder, bool exclusive) {
    const std::string path = folder + "/.lock";
    // Opened without blocking, whatever stands there.
    if (exclusive) {
      makeFolder(folder);
      fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600);
    } else {
      fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd_ < 0 && (errno == ENOENT || errno == ENOTDIR)) return;
    }
    if (fd_ < 0)
      fileFailed(cp("Nie można otworzyć blokady rejestru: "), path, fileErrorReason(errno));
    struct stat st;
    int err = 0;
    if (::fstat(fd_, &st) != 0) {
      err = errno;
    } else if (!S_ISREG(st.st_mode)) {
      err = S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
    }
    if (err != 0) {
      ::close(fd_);
      fileFailed(cp("Nie można otworzyć blokady rejestru: "), path, fileErrorReason(err));
    }
    int rc;
    do {
      rc = ::flock(fd_, exclusive ? LOCK_EX : LOCK_SH);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      const int err = errno;
      ::close(fd_);
      fileFailed(cp("Nie można zablokować rejestru: "), path, fileErrorReason(err));
    }
    if (exclusive) removeDeadWritersFiles(folder);
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

// The tree of a hive file; empty when the file does not exist.
Key loadHive(const std::string& folder, HKEY root) {
  const std::string path = hivePath(folder, root);
  int err = 0;
  struct stat st;
  const int fd = openRegularForReading(path, err, &st);
  if (fd < 0) {
    if (err == ENOENT || err == ENOTDIR) return Key();
    if (err == kNotRegularFile || err == EISDIR) hiveRefused(path);
    fileFailed(cp("Nie można otworzyć pliku rejestru: "), path, fileErrorReason(err));
  }
  if (static_cast<std::uint64_t>(st.st_size) > kMaxHiveSize) {
    ::close(fd);
    hiveRefused(path);
  }
  std::string text;
  text.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int readErr = errno;
      ::close(fd);
      fileFailed(cp("Nie można odczytać pliku rejestru: "), path, fileErrorReason(readErr));
    }
    if (text.size() + static_cast<std::size_t>(n) > kMaxHiveSize) {  // grew meanwhile
      ::close(fd);
      hiveRefused(path);
    }
    text.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);

  std::map<HKEY, Key> trees;
  trees[root];
  try {
    const std::vector<Statement> statements = Parser(text).parse();
    for (const Statement& st : statements)
      if ((st.type == Statement::Section || st.type == Statement::DeleteSection) && st.root != root)
        throw ParseError{st.line, cp("klucz spoza ") + rootName(root)};
    applyStatements(statements, trees);
  } catch (const ParseError& e) {
    throw ERegistryException(cp("Uszkodzony plik rejestru: ") +
                             lineMessage(path, e.line, e.message));
  }
  return std::move(trees[root]);
}

void writeAll(int fd, const std::string& text, const std::string& path) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A write that takes nothing sets no errno.
      const int err = n < 0 ? errno : EIO;
      fileFailed(cp("Nie można zapisać pliku rejestru: "), path, fileWriteErrorReason(err));
    }
    done += static_cast<std::size_t>(n);
  }
}

// Replaces the hive file at once: a temporary file beside it, synced, renamed
// over it. Call with the exclusive lock held.
void saveHive(const std::string& folder, HKEY root, const Key& tree) {
  const std::string path = hivePath(folder, root);
  const std::string text = serialize(root, tree);
  if (text.size() > kMaxHiveSize) hiveRefused(path);
  std::string temp = folder + '/' + tempPrefix(root) + std::string(kTempSuffix, 'X');
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    fileFailed(cp("Nie można zapisać pliku rejestru: "), temp, fileWriteErrorReason(err));
  }
  // The lock on the temporary file tells the next writer that it is not
  // left over; a copy of the descriptor holds it until after the rename.
  int held = -1;
  try {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || (held = ::fcntl(fd, F_DUPFD_CLOEXEC, 0)) < 0) {
      const int err = errno;
      fileFailed(cp("Nie można zapisać pliku rejestru: "), temp, fileWriteErrorReason(err));
    }
    writeAll(fd, text, temp);
    if (::fsync(fd) != 0) {
      const int err = errno;
      fileFailed(cp("Nie można zapisać pliku rejestru: "), temp, fileWriteErrorReason(err));
    }
  } catch (...) {
    ::unlink(temp.c_str());
    ::close(fd);
    if (held >= 0) ::close(held);
    throw;
  }
  // Closed once, whatever close gives: a second close could hit a descriptor
  // that another thread has opened meanwhile.
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    ::close(held);
    fileFailed(cp("Nie można zapisać pliku rejestru: "), temp, fileWriteErrorReason(err));
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    ::close(held);
    fileFailed(cp("Nie można zapisać pliku rejestru: "), path, fileWriteErrorReason(err));
  }
  ::close(held);
  // The rename itself reaches the disk with the folder.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

template <class F>
auto readHive(HKEY root, F&& f) {
  const std::string folder = registryFolder();
  FolderLock lock(folder, false);
  const Key tree = loadHive(folder, root);
  return f(tree);
}

// f(Key&) changes the tree and returns whether it did; the file is written
// only then.
template <class F>
bool modifyHive(HKEY root, F&& f) {
  const std::string folder = registryFolder();
  FolderLock lock(folder, true);
  Key tree = loadHive(folder, root);
  if (!f(tree)) return false;
  saveHive(folder, root, tree);
  return true;
}

void checkName(const std::string& name, const char* what) {
  if (needsHex(name))
    throw ERegistryException(cp(what) + cp(" zawiera znak sterujący: „") + name + cp("”"));
}

}  // namespace

// ---------------------------------------------------------------------------
// TRegistry

Path TRegistry::resolve(const std::string& key) const {
  Path path;
  if (open_ && openRoot_ == RootKey && (key.empty() || key[0] != '\\')) path = openPath_;
  for (std::string& part : splitPath(key)) path.push_back(std::move(part));
  return path;
}

void TRegistry::requireOpen() const {
  if (!open_) throw ERegistryException(cp("Nie otwarto żadnego klucza rejestru"));
}

void TRegistry::requireWritable() const {
  requireOpen();
  if (readOnly_)
    throw ERegistryException(cp("Klucz ") + fullName(openRoot_, openPath_) +
                             cp(" jest otwarty tylko do odczytu"));
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  const Path path = resolve(key);
  // The stored spelling, when the key is there.
  auto stored = [&path](const Key& tree, Path& out) {
    const Key* k = &tree;
    out.clear();
    for (const std::string& part : path) {
      auto it = k->subkeys.find(fold(part));
      if (it == k->subkeys.end()) return false;
      k = it->second.get();
      out.push_back(k->name);
    }
    return true;
  };
  Path spelling;
  bool found = readHive(RootKey, [&](const Key& tree) { return stored(tree, spelling); });
  if (!found && canCreate) {
    for (const std::string& part : path) checkName(part, "Nazwa klucza");
    modifyHive(RootKey, [&](Key& tree) {
      bool created = false;
      createKey(tree, path, &created);
      stored(tree, spelling);
      return created;
    });
    found = true;
  }
  if (!found) return false;
  open_ = true;
  readOnly_ = false;
  openRoot_ = RootKey;
  openPath_ = std::move(spelling);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  if (!OpenKey(key, false)) return false;
  readOnly_ = true;
  return true;
}

void TRegistry::CloseKey() {
  open_ = false;
  readOnly_ = false;
  openPath_.clear();
}

bool TRegistry::KeyExists(const std::string& key) {
  const Path path = resolve(key);
  return readHive(RootKey, [&](const Key& tree) { return findKey(tree, path) != nullptr; });
}

bool TRegistry::DeleteKey(const std::string& key) {
  const bool relative = key.empty() || key[0] != '\\';
  if (relative && open_ && openRoot_ == RootKey && readOnly_) requireWritable();
  const Path path = resolve(key);
  if (path.empty() || !KeyExists('\\' + joinPath(path))) return false;
  return modifyHive(RootKey, [&](Key& tree) { return eraseKey(tree, path); });
}

bool TRegistry::ValueExists(const std::string& name) {
  if (!open_) return false;
  return readHive(openRoot_, [&](const Key& tree) {
    const Key* k = findKey(tree, openPath_);
    return k && k->values.count(fold(name)) > 0;
  });
}

namespace {

// The value to read, or an exception naming it.
Value readValue(HKEY root, const Path& path, const std::string& name) {
  return readHive(root, [&](const Key& tree) {
    const Key* k = findKey(tree, path);
    if (!k) throw ERegistryException(cp("Klucz ") + fullName(root, path) + cp(" już nie istnieje"));
    auto it = k->values.find(fold(name));
    if (it == k->values.end())
      throw ERegistryException(cp("Brak wartości „") + name + cp("” w kluczu ") +
                               fullName(root, path));
    return it->second;
  });
}

[[noreturn]] void wrongType(const std::string& name, const char* expected) {
  throw ERegistryException(cp("Wartość „") + name + cp("” nie jest ") + cp(expected));
}

}  // namespace

std::string TRegistry::ReadString(const std::string& name) {
  requireOpen();
  Value v = readValue(openRoot_, openPath_, name);
  if (v.kind != Kind::String && v.kind != Kind::ExpandString) wrongType(name, "tekstem");
  return std::move(v.data);
}

int TRegistry::ReadInteger(const std::string& name) {
  requireOpen();
  const Value v = readValue(openRoot_, openPath_, name);
  if (v.kind != Kind::Dword) wrongType(name, "liczbą");
  return static_cast<int>(v.number);
}

bool TRegistry::ReadBool(const std::string& name) {
  return ReadInteger(name) != 0;
}

namespace {

void writeValue(HKEY root, const Path& path, Value value) {
  checkName(value.name, "Nazwa wartości");
  modifyHive(root, [&](Key& tree) {
    Key* k = findKey(tree, path);
    if (!k) throw ERegistryException(cp("Klucz ") + fullName(root, path) + cp(" już nie istnieje"));
    setValue(*k, std::move(value));
    return true;
  });
}

}  // namespace

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  requireWritable();
  Value v;
  v.name = name;
  v.kind = Kind::String;
  v.data = value;
  writeValue(openRoot_, openPath_, std::move(v));
}

void TRegistry::WriteInteger(const std::string& name, int value) {
  requireWritable();
  Value v;
  v.name = name;
  v.kind = Kind::Dword;
  v.number = static_cast<std::uint32_t>(value);
  writeValue(openRoot_, openPath_, std::move(v));
}

void TRegistry::WriteBool(const std::string& name, bool value) {
  WriteInteger(name, value ? 1 : 0);
}

bool TRegistry::DeleteValue(const std::string& name) {
  requireWritable();
  if (!ValueExists(name)) return false;
  return modifyHive(openRoot_, [&](Key& tree) {
    Key* k = findKey(tree, openPath_);
    return k && k->values.erase(fold(name)) > 0;
  });
}

std::vector<std::string> TRegistry::GetKeyNames() {
  if (!open_) return {};
  return readHive(openRoot_, [&](const Key& tree) {
    std::vector<std::string> names;
    if (const Key* k = findKey(tree, openPath_))
      for (const auto& [folded, sub] : k->subkeys) names.push_back(sub->name);
    return names;
  });
}

std::vector<std::string> TRegistry::GetValueNames() {
  if (!open_) return {};
  return readHive(openRoot_, [&](const Key& tree) {
    std::vector<std::string> names;
    if (const Key* k = findKey(tree, openPath_))
      for (const auto& [folded, v] : k->values) names.push_back(v.name);
    return names;
  });
}

std::string TRegistry::CurrentPath() const {
  return open_ ? joinPath(openPath_) : std::string();
}

// ---------------------------------------------------------------------------
// Snapshots

struct TRegistrySnapshot::Tree {
  Key root;
};

TRegistrySnapshot::TRegistrySnapshot(HKEY root) : tree_(std::make_unique<Tree>()) {
  const std::string folder = registryFolder();
  const FolderLock lock(folder, false);
  tree_->root = loadHive(folder, root);
}

TRegistrySnapshot::~TRegistrySnapshot() = default;

bool TRegistrySnapshot::KeyExists(const std::string& key) const {
  return findKey(tree_->root, splitPath(key)) != nullptr;
}

bool TRegistrySnapshot::ReadString(const std::string& key, const std::string& name,
                                   std::string& value) const {
  const Key* k = findKey(tree_->root, splitPath(key));
  if (!k) return false;
  auto it = k->values.find(fold(name));
  if (it == k->values.end()) return false;
  if (it->second.kind != Kind::String && it->second.kind != Kind::ExpandString)
    wrongType(name, "tekstem");
  value = it->second.data;
  return true;
}

// ---------------------------------------------------------------------------
// Batches

struct TRegistryBatch::Change {
  enum Type { SetValue, DeleteValue, DeleteKey };
  Type type;
  Path path;
  Value value;  // only the name for DeleteValue
};

TRegistryBatch::TRegistryBatch(HKEY root) : root_(root) {}

TRegistryBatch::~TRegistryBatch() = default;

namespace {

Path checkedKeyPath(const std::string& key) {
  Path path = splitPath(key);
  for (const std::string& part : path) checkName(part, "Nazwa klucza");
  return path;
}

}  // namespace

void TRegistryBatch::WriteString(const std::string& key, const std::string& name,
                                 const std::string& value) {
  Change c{Change::SetValue, checkedKeyPath(key), Value()};
  checkName(name, "Nazwa wartości");
  c.value.name = name;
  c.value.kind = Kind::String;
  c.value.data = value;
  changes_.push_back(std::move(c));
}

void TRegistryBatch::WriteInteger(const std::string& key, const std::string& name, int value) {
  Change c{Change::SetValue, checkedKeyPath(key), Value()};
  checkName(name, "Nazwa wartości");
  c.value.name = name;
  c.value.kind = Kind::Dword;
  c.value.number = static_cast<std::uint32_t>(value);
  changes_.push_back(std::move(c));
}

void TRegistryBatch::DeleteValue(const std::string& key, const std::string& name) {
  Change c{Change::DeleteValue, splitPath(key), Value()};
  c.value.name = name;
  changes_.push_back(std::move(c));
}

void TRegistryBatch::DeleteKey(const std::string& key) {
  changes_.push_back(Change{Change::DeleteKey, splitPath(key), Value()});
}

bool TRegistryBatch::Commit() {
  if (changes_.empty()) return false;
  return modifyHive(root_, [this](Key& tree) {
    bool changed = false;
    for (const Change& c : changes_) {
      switch (c.type) {
        case Change::SetValue:
          setValue(createKey(tree, c.path), c.value);
          changed = true;
          break;
        case Change::DeleteValue:
          if (Key* k = findKey(tree, c.path)) changed |= k->values.erase(fold(c.value.name)) > 0;
          break;
        case Change::DeleteKey:
          changed |= eraseKey(tree, c.path);
          break;
      }
    }
    return changed;
  });
}

// ---------------------------------------------------------------------------
// Scripts

bool ImportRegistryScript(const std::string& path, std::string* error) {
  try {
    std::string text;
    {
      InputFile in(path);
      text.resize(static_cast<std::size_t>(in.size()));
      text.resize(in.read(text.data(), text.size()));
    }
    std::vector<Statement> statements;
    try {
      statements = Parser(text).parse();
    } catch (const ParseError& e) {
      throw ERegistryException(lineMessage(path, e.line, e.message));
    }

    std::set<HKEY> roots;
    for (const Statement& st : statements)
      if (st.type == Statement::Section || st.type == Statement::DeleteSection)
        roots.insert(st.root);
    if (roots.empty()) return true;

    const std::string folder = registryFolder();
    FolderLock lock(folder, true);
    std::map<HKEY, Key> trees;
    for (HKEY root : roots) trees[root] = loadHive(folder, root);
    applyStatements(statements, trees);
    for (HKEY root : roots) saveHive(folder, root, trees[root]);
    return true;
  } catch (const Exception& e) {
    if (error) *error = e.Message();
    return false;
  }
}

}  // namespace plat
