// Reads a command file piece by piece: a piece ends with ";" and may span
// lines; words beginning with "#" before the function word comment out the
// rest of their line. The reader opens regular files only and never blocks
// at the open.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "platform/AnsiString.h"
#include "platform/Exception.h"

namespace swde {

using plat::AnsiString;

class iuCommandFile {
 public:
  // The longest piece, without its ";".
  static constexpr std::size_t kMaxCommand = 65534;

  // A piece the file cannot hold (too long, comments only): the file is
  // wrong. The message is the cause, cp1250, without a line end.
  class Error : public plat::Exception {
   public:
    using plat::Exception::Exception;
  };

  enum class Kind {
    Command,    // a function word and its parameters
    Skipped,    // empty, or a single word: nothing to run
    End,        // no further ";" (text after the last one is no command)
    ReadError,  // the file could not be read to its end
  };

  struct Piece {
    Kind kind = Kind::End;
    AnsiString function;  // the function word as written
    AnsiString params;    // the rest of the piece, trimmed
  };

  iuCommandFile();
  ~iuCommandFile();
  iuCommandFile(const iuCommandFile&) = delete;
  iuCommandFile& operator=(const iuCommandFile&) = delete;

  // Opens path (a regular file only) and passes a UTF-8 byte-order mark:
  // false with err set to the errno value of the failure.
  bool open(const AnsiString& path, int& err, struct stat* st = nullptr);

  // The next piece; throws Error for a piece that is too long or holds
  // comments only.
  Piece next();
  // Ordinal of the last piece asked for (1-based, skipped pieces counted).
  int ordinal() const { return ordinal_; }

 private:
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
  int ordinal_ = 0;
};

}  // namespace swde
