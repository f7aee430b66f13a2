// Which commands of the main window are on, as a set of named flags, and the
// UI states 0 to 8 that switch them. The window binds each flag to its
// actions and buttons; a state changes only the flags it names and keeps
// the others.
#pragma once

namespace swde {

class UiCommandState {
 public:
  // The panel in front.
  enum class Panel { Actions, Report, Settings, Statistics, About };

  // What a state looks at besides the flags.
  struct Context {
    Panel visiblePanel = Panel::About;
    bool filePreviewVisible = false;   // the file preview of the actions panel
    bool errorPreviewVisible = false;  // the error-position preview of the report panel
    int listCount = 0;                 // files in the list
  };

  // Action commands: the four tool buttons of syntax, semantics,
  // authorization and verification, the merge button, and the five items of
  // the "&Akcje" menu.
  bool actionButtons = false;
  bool mergeButton = false;
  bool actionMenu = false;
  // "Przerwij działanie" and "&Zatrzymaj".
  bool stop = false;
  // List editing: adding, removing, the move buttons, the list pop-up's
  // editing and moving commands, and its "Przesuń na &początek" and
  // "Przesuń na &koniec".
  bool addFiles = false;
  bool removeFiles = false;
  bool moveButtons = false;
  bool listPopup = false;
  bool movePopupEnds = false;
  // "P&odgląd": the tool button, and the menu and pop-up commands.
  bool previewButton = false;
  bool previewCommands = false;
  // Report commands: save, print and go to the error line (tool buttons and
  // menu items); "Otwórz raport"; "&Zapisz raport" and "Z&apisz jako..." of
  // the second menu; its print and copy items; the report's pop-up.
  bool reportCommands = false;
  bool openReport = true;
  bool secondMenuSave = false;
  bool secondMenuPrintCopy = false;
  bool reportPopup = false;
  // "&Kopiuj", "Zaznacz &wszystko".
  bool copy = false;
  bool selectAll = false;
  // "&Okno podglądu": on, and checked.
  bool previewWindow = false;
  bool previewWindowChecked = false;
  // "Otwórz dokument autoryzacji".
  bool openAuthDocument = true;
  // From state 3 (an action started) to state 6 (it ended).
  bool running = false;

  // Enters state 0 to 8 in context. Another number changes nothing.
  void apply(int state, const Context& context);

  bool operator==(const UiCommandState&) const = default;

 private:
  void setActions(bool on);
  void setListEditing(bool on);
  void setPreview(bool on);
};

}  // namespace swde
