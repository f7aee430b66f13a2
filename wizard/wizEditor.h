// The main window's commands without the window: add and modify through the
// pages, delete, save, open and close, with every question, dialog and page
// behind an interface the window implements (and tests fake).
#pragma once

#include <cstddef>
#include <optional>

#include "wizard/wizCommandList.h"
#include "wizard/wizMessage.h"
#include "wizard/wizPageRun.h"

namespace swde {

class wizEditor {
 public:
  enum class Answer { Yes, No, Cancel };

  class Prompts {
   public:
    virtual ~Prompts() = default;
    // Shows page index (it shows: the editor passes the skipped ones) on
    // command and gives its result; Next has applied the page to command.
    virtual wizPageResult showPage(int index, wizCommand& command) = 0;
    // A question with Yes and No, or Yes, No and Cancel.
    virtual Answer ask(const wizMessage& question, bool withCancel) = 0;
    virtual void tell(const wizMessage& message) = 0;
    // The save and open dialogs: the chosen path, nullopt when cancelled.
    virtual std::optional<AnsiString> saveFileName() = 0;
    virtual std::optional<AnsiString> openFileName() = 0;
  };

  explicit wizEditor(Prompts& prompts) : prompts_(prompts) {}

  const wizCommandList& list() const { return list_; }
  bool saved() const { return saved_; }
  // The name shown: the saved or opened file, else "[plik nie zapisany]".
  const AnsiString& shownName() const { return shownName_; }
  // Save needs a list: one made by an add or an open.
  bool hasList() const { return hasList_; }

  // A completed run appends the new command: true.
  bool add();
  // Edits a copy of the command, swapped in on completion: true.
  bool modify(std::size_t index);
  bool remove(std::size_t index);
  // True when the list was written.
  bool save();
  // True when a file was read into the list (also one that failed part way).
  bool open();
  // True when the window may close.
  bool close();

 private:
  bool runPages(wizCommand& command);
  bool unsavedCommands() const { return !saved_ && !list_.empty(); }
  wizMessage saveQuestion() const;

  Prompts& prompts_;
  wizCommandList list_;
  bool saved_ = false;
  bool hasList_ = false;
  AnsiString shownName_ = "[plik nie zapisany]";
};

}  // namespace swde
