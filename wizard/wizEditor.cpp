#include "wizard/wizEditor.h"

#include <sys/stat.h>

#include "platform/CodePage.h"
#include "wizard/wizCommandFile.h"
#include "wizard/wizPageRules.h"

namespace swde {

using plat::cp;

namespace {

const char kNotSaved[] = "[plik nie zapisany]";

}  // namespace

bool wizEditor::runPages(wizCommand& command) {
  wizPageRun run([&](int index) {
    if (!wizPageRules::shows(index, command)) return wizPageResult::Skipped;
    return prompts_.showPage(index, command);
  });
  return run.run();
}

bool wizEditor::add() {
  saved_ = false;
  hasList_ = true;
  auto command = std::make_unique<wizCommand>();
  if (!runPages(*command)) return false;
  list_.append(std::move(command));
  return true;
}

bool wizEditor::modify(std::size_t index) {
  if (index >= list_.size()) return false;
  saved_ = false;
  wizCommand copy = list_.at(index);
  if (!runPages(copy)) return false;
  list_.at(index) = std::move(copy);
  return true;
}

bool wizEditor::remove(std::size_t index) {
  if (index >= list_.size()) return false;
  saved_ = false;
  list_.remove(index);
  return true;
}

bool wizEditor::save() {
  if (!hasList_) return false;
  const std::optional<AnsiString> path = prompts_.saveFileName();
  if (!path) return false;
  struct stat st;
  if (::stat(path->c_str(), &st) == 0 && prompts_.ask({cp("Podany plik już istnienje. Zastąpić?"),
                                                       cp("Pytanie"), wizMessage::Icon::Question},
                                                      false) != Answer::Yes)
    return false;
  wizMessage message;
  if (!writeCommandFile(list_, *path, &message)) {
    prompts_.tell(message);
    return false;
  }
  saved_ = true;
  shownName_ = *path;
  return true;
}

wizMessage wizEditor::saveQuestion() const {
  return {cp("Plik nie został jeszcze zapisany.\nCzy zapisać teraz?"), cp("Pytanie"),
          wizMessage::Icon::Question};
}

bool wizEditor::open() {
  if (unsavedCommands()) {
    const Answer answer = prompts_.ask(saveQuestion(), true);
    if (answer == Answer::Cancel) return false;
    if (answer == Answer::Yes) {
      save();
      return false;
    }
  }
  const std::optional<AnsiString> path = prompts_.openFileName();
  if (!path) return false;
  wizCommandList read;
  wizMessage message;
  const bool ok = readCommandFile(read, *path, &message);
  list_ = std::move(read);
  hasList_ = true;
  if (ok) {
    saved_ = true;
    shownName_ = *path;
  } else {
    // What was read is shown but not taken for the file: a save asks for a
    // name instead of writing over the original.
    saved_ = false;
    shownName_ = kNotSaved;
    prompts_.tell(message);
  }
  return true;
}

bool wizEditor::close() {
  if (!unsavedCommands()) return true;
  switch (prompts_.ask(saveQuestion(), true)) {
    case Answer::Yes:
      return save();
    case Answer::No:
      return true;
    case Answer::Cancel:
      return false;
  }
  return false;
}

}  // namespace swde
