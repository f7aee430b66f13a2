#include "wizard/wizPageRules.h"

#include "platform/CodePage.h"
#include "wizard/wizCommandFile.h"

namespace swde {

using plat::cp;

bool wizPageRules::shows(int page, wizCommand& command) {
  const AnsiString& code = command.code;
  switch (page) {
    case OutputFile:
      if (code == "SC") return true;
      if (code == "SK" || code == "SP") command.output.clear();
      return false;
    case Options:
      if (code == "GA") return true;
      if (code != "SP") command.options.clear();
      return false;
    default:
      return page >= Function && page <= Options;
  }
}

AnsiString wizPageRules::initialCode(const wizCommand& command) {
  const AnsiString& code = command.code;
  if (code == "SP" || code == "SC" || code == "GA" || code == "WA") return code;
  return "SK";
}

void wizPageRules::applyFunction(wizCommand& command, const AnsiString& code) {
  command.code = code;
}

std::optional<wizMessage> wizPageRules::checkInputs(const AnsiString& code,
                                                    const std::vector<AnsiString>& files) {
  const AnsiString title = cp("Zła liczba plików");
  if (code == "SC" && files.size() != 2)
    return wizMessage{cp("Przy tym typie operacji trzeba podać tylko 2 pliki"), title,
                      wizMessage::Icon::Warning};
  if (files.empty())
    return wizMessage{cp("Wybierz przynajmniej 1 plik"), title, wizMessage::Icon::Warning};
  for (const AnsiString& file : files)
    if (auto refused = refusedName(file)) return refused;
  return std::nullopt;
}

void wizPageRules::applyInputs(wizCommand& command, const std::vector<AnsiString>& files) {
  command.inputs = files;
}

std::optional<wizMessage> wizPageRules::checkOutput(const AnsiString& name) {
  if (name.empty())
    return wizMessage{cp("Podaj nazwę pliku"), cp("Problem"), wizMessage::Icon::Warning};
  return refusedName(name);
}

void wizPageRules::applyOutput(wizCommand& command, const AnsiString& name) {
  command.output = name;
}

bool wizPageRules::offersCondensed(const wizCommand& command) {
  return command.code == "SP";
}

bool wizPageRules::initialCondensed(const wizCommand& command) {
  return command.hasOption("-rk");
}

std::optional<wizMessage> wizPageRules::checkReport(const AnsiString& name) {
  if (name.empty()) return std::nullopt;
  return refusedName(name);
}

void wizPageRules::applyReport(wizCommand& command, const AnsiString& name, bool condensed) {
  command.report = name;
  // Removed first, so that a repeated Modify keeps one "-rk".
  command.removeOption("-rk");
  if (condensed && offersCondensed(command)) command.options.push_back("-rk");
}

bool wizPageRules::initialSkipComments(const wizCommand& command) {
  return command.hasOption("-pk");
}

bool wizPageRules::initialSkipWhiteChars(const wizCommand& command) {
  return command.hasOption("-pbz");
}

void wizPageRules::applyOptions(wizCommand& command, bool skipComments, bool skipWhiteChars) {
  command.options.clear();
  if (skipComments) command.options.push_back("-pk");
  if (skipWhiteChars) command.options.push_back("-pbz");
}

}  // namespace swde
