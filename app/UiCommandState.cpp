#include "app/UiCommandState.h"

namespace swde {

void UiCommandState::setActions(bool on) {
  actionButtons = on;
  mergeButton = on;
  actionMenu = on;
}

void UiCommandState::setListEditing(bool on) {
  addFiles = on;
  removeFiles = on;
  moveButtons = on;
  listPopup = on;
  movePopupEnds = on;
}

void UiCommandState::setPreview(bool on) {
  previewButton = on;
  previewCommands = on;
}

void UiCommandState::apply(int state, const Context& c) {
  const bool actionsPanel = c.visiblePanel == Panel::Actions;
  switch (state) {
    case 0: {
      // Everything off but opening an authorization document or a report.
      // A new set of flags is state 0.
      const bool wasRunning = running;
      *this = UiCommandState();
      running = wasRunning;
      break;
    }
    case 1:
    case 2:
      if (!actionsPanel) break;
      actionButtons = true;
      mergeButton = state == 2;
      actionMenu = true;  // the merge's menu item too
      stop = false;
      moveButtons = true;
      previewButton = true;
      removeFiles = true;
      listPopup = true;
      movePopupEnds = true;
      break;
    case 3:
      setActions(false);
      stop = true;
      previewButton = true;
      reportCommands = false;
      openReport = false;
      setListEditing(false);
      if (actionsPanel) previewCommands = true;
      running = true;
      break;
    case 4:
      reportCommands = true;
      openReport = true;
      secondMenuSave = false;
      copy = true;
      previewWindow = true;
      reportPopup = true;
      setActions(false);
      setListEditing(false);
      break;
    case 5:
      setActions(false);
      stop = false;
      moveButtons = false;
      setPreview(false);
      removeFiles = false;
      copy = false;
      selectAll = false;
      secondMenuSave = false;
      secondMenuPrintCopy = false;
      listPopup = false;
      movePopupEnds = false;
      break;
    case 6:
      if (actionsPanel) {
        setActions(true);
        setListEditing(true);
        setPreview(true);
      }
      stop = false;
      if (c.listCount > 1) movePopupEnds = true;
      running = false;
      break;
    case 7: {
      setActions(false);
      setListEditing(false);
      setPreview(false);
      const bool reportPanel = c.visiblePanel == Panel::Report;
      previewWindow = reportPanel;
      previewWindowChecked = reportPanel && c.errorPreviewVisible;
      copy = previewWindowChecked;
      break;
    }
    case 8:
      if (running) break;
      addFiles = true;
      actionMenu = true;
      previewWindow = true;
      previewWindowChecked = c.filePreviewVisible;
      copy = previewWindowChecked;
      if (c.listCount > 0) apply(c.listCount == 2 ? 2 : 1, c);
      break;
    default:
      break;
  }
}

}  // namespace swde
