#include "wizard/wizCommandFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "app/iuCommandFile.h"
#include "app/iuCommandToken.h"
#include "app/iuParameters.h"
#include "platform/CodePage.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "platform/Format.h"

namespace swde {

using plat::cp;

namespace {

const AnsiString& problemTitle() {
  static const AnsiString t = cp("Problem");
  return t;
}

bool needsQuotes(const AnsiString& name) {
  return name.find_first_of(" #") != AnsiString::npos;
}

void appendName(AnsiString& line, const AnsiString& name) {
  if (needsQuotes(name))
    line += '"' + name + '"';
  else
    line += name;
  line += ' ';
}

// The words of one command into its fields, as they stand.
class CommandSink : public iuParameters::Sink {
 public:
  explicit CommandSink(wizCommand& command) : command_(command) {}

  void input(const AnsiString& word) override { command_.inputs.push_back(word); }
  void output(const AnsiString& word) override { command_.output = word; }
  void report(const AnsiString& word) override { command_.report = word; }
  void skipComments() override { skipComments_ = true; }
  void skipWhiteChars() override { skipWhiteChars_ = true; }
  void condensed() override { condensed_ = true; }
  void error(const AnsiString& message) override { error_ = message; }
  AnsiString echo(const AnsiString& word) const override { return plat::fileNameToCp1250(word); }

  // The options in the order the wizard keeps them.
  void setOptions() {
    command_.options.clear();
    if (skipComments_) command_.options.push_back("-pk");
    if (skipWhiteChars_) command_.options.push_back("-pbz");
    if (condensed_) command_.options.push_back("-rk");
  }
  const AnsiString& errorText() const { return error_; }

 private:
  wizCommand& command_;
  bool skipComments_ = false;
  bool skipWhiteChars_ = false;
  bool condensed_ = false;
  AnsiString error_;
};

// Writes all of data to fd: 0, or the errno value of the failure.
int writeAll(int fd, const AnsiString& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Writes data to a temporary file beside target and renames it over target:
// 0, or the errno value of the failure (the temporary file removed).
int replaceFile(const std::string& target, const AnsiString& data) {
  std::string folder = plat::extractFilePath(target);
  if (folder.empty()) folder = ".";
  std::string temp;
  const int fd = plat::createTempFile(folder, ".olvwiz", ".tmp", temp);
  if (fd < 0) return errno;
  int err = 0;
  if (::fchmod(fd, static_cast<mode_t>(plat::newFileMode())) != 0) err = errno;
  if (err == 0) err = writeAll(fd, data);
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) ::unlink(temp.c_str());
  return err;
}

}  // namespace

std::optional<wizMessage> refusedName(const AnsiString& name) {
  bool refused = name.empty() || iuParameters::isParameterWord(name);
  for (const char c : name)
    if (c == ';' || c == '"' || static_cast<unsigned char>(c) < 0x20) refused = true;
  if (!refused) return std::nullopt;
  return wizMessage{
      cp("Tej nazwy pliku nie da się zapisać w pliku poleceń: ") + plat::fileNameToCp1250(name),
      problemTitle(), wizMessage::Icon::Warning};
}

AnsiString commandLine(const wizCommand& command) {
  AnsiString line = command.code + " -pwe ";
  for (const AnsiString& input : command.inputs) appendName(line, input);
  if (!command.output.empty()) {
    line += "-pwy ";
    appendName(line, command.output);
  }
  if (!command.report.empty()) {
    line += "-r ";
    appendName(line, command.report);
  }
  for (const AnsiString& option : command.options) line += option + " ";
  line += ";\r\n";
  return line;
}

bool writeCommandFile(const wizCommandList& list, const AnsiString& path, wizMessage* message) {
  AnsiString data;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const wizCommand& command = list.at(i);
    std::vector<const AnsiString*> names;
    for (const AnsiString& input : command.inputs) names.push_back(&input);
    if (!command.output.empty()) names.push_back(&command.output);
    if (!command.report.empty()) names.push_back(&command.report);
    for (const AnsiString* name : names) {
      if (auto refused = refusedName(*name)) {
        if (message) *message = *refused;
        return false;
      }
    }
    data += commandLine(command);
  }
  const int err = replaceFile(plat::resolveWriteTarget(path), data);
  if (err == 0) return true;
  if (message)
    *message = wizMessage{cp("Nie można zapisać pliku poleceń: ") + plat::fileNameToCp1250(path) +
                              " (" + plat::fileWriteErrorReason(err) + ")",
                          problemTitle(), wizMessage::Icon::Error};
  return false;
}

bool parseCommand(wizCommand& command, const AnsiString& function, const AnsiString& params,
                  AnsiString* cause) {
  command = wizCommand();
  const AnsiString code = plat::UpperCase(function);
  if (code != "SK" && code != "SP" && code != "SC" && code != "GA" && code != "WA") {
    if (cause) *cause = cp("Pominięto nieznane polecenie: ") + plat::fileNameToCp1250(function);
    return false;
  }
  command.code = code;
  CommandSink sink(command);
  iuParameters machine(sink, false);
  if (machine.feedText(params) != 0) {
    if (cause) *cause = sink.errorText();
    return false;
  }
  sink.setOptions();
  const std::size_t count = command.inputs.size();
  if (code == "SC" ? count != 2 : count < 1) {
    if (cause) *cause = cp("Błąd linii poleceń : zła liczba plików wejściowych");
    return false;
  }
  if (code == "SC" && command.output.empty()) {
    if (cause) *cause = cp("Błąd linii poleceń : brak nazwy pliku wynikowego");
    return false;
  }
  return true;
}

bool parseCommand(wizCommand& command, const AnsiString& piece, AnsiString* cause) {
  int pos = 1;
  AnsiString word;
  do {
    word = nextToken(piece, pos);
  } while (!word.empty() && word[0] == '#');
  const AnsiString params =
      static_cast<std::size_t>(pos) <= piece.size() ? piece.substr(pos - 1) : AnsiString();
  return parseCommand(command, word, plat::Trim(params), cause);
}

bool readCommandFile(wizCommandList& list, const AnsiString& path, wizMessage* message) {
  const AnsiString failed = cp("Otwarcie pliku pleceń niemożliwe") + "\n";
  auto fail = [&](const AnsiString& text) {
    if (message) *message = wizMessage{failed + text, problemTitle(), wizMessage::Icon::Error};
    return false;
  };
  auto pieceError = [&](int ordinal, const AnsiString& cause) {
    return fail(plat::Format(cp("Błąd przetwarzania pliku z poleceniami w linii %d. %s"),
                             {ordinal, cause}));
  };
  iuCommandFile file;
  int err = 0;
  if (!file.open(path, err))
    return fail(cp("Nie można otworzyć pliku z poleceniami: ") + plat::fileNameToCp1250(path));
  try {
    for (;;) {
      const iuCommandFile::Piece piece = file.next();
      switch (piece.kind) {
        case iuCommandFile::Kind::End:
          return true;
        case iuCommandFile::Kind::ReadError:
          return fail(cp("Nie można odczytać pliku z poleceniami: ") +
                      plat::fileNameToCp1250(path));
        case iuCommandFile::Kind::Skipped:
          continue;
        case iuCommandFile::Kind::Command:
          break;
      }
      const AnsiString code = plat::UpperCase(piece.function);
      // The console skips a function word it does not know.
      if (code != "SK" && code != "SP" && code != "SC" && code != "GA" && code != "WA") continue;
      auto command = std::make_unique<wizCommand>();
      AnsiString cause;
      if (!parseCommand(*command, piece.function, piece.params, &cause))
        return pieceError(file.ordinal(), cause);
      list.append(std::move(command));
    }
  } catch (const iuCommandFile::Error& e) {
    return pieceError(file.ordinal(), e.Message());
  }
}

}  // namespace swde
