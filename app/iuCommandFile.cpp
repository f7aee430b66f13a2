#include "app/iuCommandFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/iuCommandToken.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace swde {

using plat::cp;
using plat::Trim;

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

bool holdsSeparator(const AnsiString& command) {
  return std::any_of(command.begin(), command.end(), isCommandSeparator);
}

}  // namespace

iuCommandFile::iuCommandFile() : file_(nullptr, &std::fclose) {}

iuCommandFile::~iuCommandFile() = default;

bool iuCommandFile::open(const AnsiString& path, int& err, struct stat* st) {
  file_.reset();
  ordinal_ = 0;
  err = ENOENT;
  const int fd = path.empty() ? -1 : plat::openRegularForReading(path, err, st);
  if (fd < 0) return false;
  std::FILE* f = ::fdopen(fd, "r");
  if (!f) {
    err = errno;
    ::close(fd);
    return false;
  }
  file_.reset(f);
  // A byte-order mark of UTF-8 before the first command is no part of it.
  char head[3];
  if (std::fread(head, 1, 3, f) != 3 || std::memcmp(head, kUtf8Bom, 3) != 0) std::rewind(f);
  return true;
}

iuCommandFile::Piece iuCommandFile::next() {
  Piece piece;
  ++ordinal_;
  if (!file_) return piece;
  AnsiString command;
  bool ended = false;
  int c;
  while ((c = std::fgetc(file_.get())) != EOF) {
    if (c == ';') {
      ended = true;
      break;
    }
    if (command.size() == kMaxCommand) throw Error(cp("polecenie jest dłuższe niż 65534 znaki"));
    command += static_cast<char>(c);
  }
  if (!ended) {
    piece.kind = std::ferror(file_.get()) ? Kind::ReadError : Kind::End;
    return piece;
  }
  const AnsiString trimmed = Trim(command);
  if (trimmed.empty() || !holdsSeparator(trimmed)) {
    piece.kind = Kind::Skipped;
    return piece;
  }
  int pos = 1;
  AnsiString word;
  do {
    word = nextToken(command, pos);
  } while (!word.empty() && word[0] == '#');
  if (word.empty()) throw Error(cp("polecenie zawiera same komentarze, brak nazwy funkcji"));
  piece.kind = Kind::Command;
  piece.function = word;
  piece.params =
      Trim(static_cast<std::size_t>(pos) <= command.size() ? command.substr(pos - 1) : "");
  return piece;
}

}  // namespace swde
