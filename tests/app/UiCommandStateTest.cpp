// The command states of the main window: which commands each state switches,
// along the sequences the window goes through.

#include <gtest/gtest.h>

#include <string>

#include "app/UiCommandState.h"

namespace {

using swde::UiCommandState;
using Panel = UiCommandState::Panel;
using Context = UiCommandState::Context;

// The names of the flags that are on, in declaration order.
std::string on(const UiCommandState& s) {
  const struct {
    const char* name;
    bool value;
  } flags[] = {
      {"actionButtons", s.actionButtons},
      {"mergeButton", s.mergeButton},
      {"actionMenu", s.actionMenu},
      {"stop", s.stop},
      {"addFiles", s.addFiles},
      {"removeFiles", s.removeFiles},
      {"moveButtons", s.moveButtons},
      {"listPopup", s.listPopup},
      {"movePopupEnds", s.movePopupEnds},
      {"previewButton", s.previewButton},
      {"previewCommands", s.previewCommands},
      {"reportCommands", s.reportCommands},
      {"openReport", s.openReport},
      {"secondMenuSave", s.secondMenuSave},
      {"secondMenuPrintCopy", s.secondMenuPrintCopy},
      {"reportPopup", s.reportPopup},
      {"copy", s.copy},
      {"selectAll", s.selectAll},
      {"previewWindow", s.previewWindow},
      {"previewWindowChecked", s.previewWindowChecked},
      {"openAuthDocument", s.openAuthDocument},
      {"running", s.running},
  };
  std::string names;
  for (const auto& f : flags)
    if (f.value) names += std::string(names.empty() ? "" : " ") + f.name;
  return names;
}

Context in(Panel panel, int files, bool filePreview = false, bool errorPreview = false) {
  Context c;
  c.visiblePanel = panel;
  c.listCount = files;
  c.filePreviewVisible = filePreview;
  c.errorPreviewVisible = errorPreview;
  return c;
}

struct Step {
  int state;
  Context context;
  std::string expected;  // the flags on afterwards
};

void walk(UiCommandState& s, const std::vector<Step>& steps) {
  for (std::size_t i = 0; i < steps.size(); ++i) {
    s.apply(steps[i].state, steps[i].context);
    EXPECT_EQ(on(s), steps[i].expected) << "step " << i << ", state " << steps[i].state;
  }
}

const std::string kStart = "openReport openAuthDocument";
const std::string kTwoFiles =
    "actionButtons mergeButton actionMenu addFiles removeFiles moveButtons listPopup "
    "movePopupEnds previewButton previewWindow openReport openAuthDocument";

TEST(UiCommandState, StartUpWithASavedListWaitsForTheActionsPanel) {
  UiCommandState s;
  walk(s, {
              {0, in(Panel::About, 0), kStart},
              // The saved list is loaded while the about panel is in front:
              // nothing changes, adding files stays off.
              {2, in(Panel::About, 2), kStart},
              // "Akcje": state 8, then 2 enables the merge.
              {8, in(Panel::Actions, 2),
               "actionButtons mergeButton actionMenu addFiles removeFiles moveButtons listPopup "
               "movePopupEnds previewButton openReport previewWindow openAuthDocument"},
          });
  EXPECT_EQ(s.running, false);
  // The flags come out of one value each, so the walk above compared them
  // by name; the same state reached again is the same set.
  UiCommandState again;
  again.apply(8, in(Panel::Actions, 2));
  EXPECT_EQ(on(again), on(s));
}

TEST(UiCommandState, ListCountsPickTheMergeButton) {
  const struct {
    int files;
    bool merge;
    bool actions;
  } cases[] = {{0, false, false}, {1, false, true}, {2, true, true}, {3, false, true}};
  for (const auto& c : cases) {
    UiCommandState s;
    s.apply(0, in(Panel::About, c.files));
    s.apply(8, in(Panel::Actions, c.files));
    EXPECT_EQ(s.mergeButton, c.merge) << c.files;
    EXPECT_EQ(s.actionButtons, c.actions) << c.files;
    EXPECT_TRUE(s.actionMenu) << c.files;  // the menu items, merge included
    EXPECT_TRUE(s.addFiles) << c.files;
  }
}

TEST(UiCommandState, AnActionRunsToItsReport) {
  UiCommandState s;
  s.apply(0, in(Panel::About, 0));
  s.apply(8, in(Panel::Actions, 1));
  walk(s, {
              // Started from the actions panel; the statistics panel comes to
              // the front.
              {3, in(Panel::Actions, 1),
               "stop previewButton previewCommands previewWindow "
               "openAuthDocument running"},
              {7, in(Panel::Statistics, 1), "stop openAuthDocument running"},
              // "Akcje" while it runs changes nothing.
              {8, in(Panel::Actions, 1), "stop openAuthDocument running"},
              // The timer finishes it: the report loaded, then state 6.
              {4, in(Panel::Report, 1),
               "stop reportCommands openReport reportPopup copy previewWindow openAuthDocument "
               "running"},
              {6, in(Panel::Report, 1),
               "reportCommands openReport reportPopup copy previewWindow openAuthDocument"},
              // Back on the actions panel everything of the list is there.
              {8, in(Panel::Actions, 1),
               "actionButtons actionMenu addFiles removeFiles moveButtons listPopup movePopupEnds "
               "previewButton reportCommands openReport reportPopup previewWindow "
               "openAuthDocument"},
          });
}

TEST(UiCommandState, AnActionEndingOnTheActionsPanelGivesTheListBack) {
  UiCommandState s;
  s.apply(8, in(Panel::Actions, 2));
  s.apply(3, in(Panel::Actions, 2));
  s.apply(6, in(Panel::Actions, 2));
  EXPECT_FALSE(s.running);
  EXPECT_FALSE(s.stop);
  EXPECT_TRUE(s.actionButtons && s.mergeButton && s.actionMenu);
  EXPECT_TRUE(s.addFiles && s.removeFiles && s.moveButtons && s.listPopup);
  EXPECT_TRUE(s.previewButton && s.previewCommands);

  // Elsewhere state 6 only ends the run; the ends of the pop-up follow the
  // count.
  const struct {
    int files;
    bool ends;
  } cases[] = {{1, false}, {2, true}};
  for (const auto& c : cases) {
    UiCommandState t;
    t.apply(3, in(Panel::Statistics, c.files));
    t.apply(6, in(Panel::Statistics, c.files));
    EXPECT_EQ(on(t), c.ends ? "movePopupEnds previewButton openAuthDocument"
                            : "previewButton openAuthDocument")
        << c.files;
  }
}

TEST(UiCommandState, RemovingTheLastFile) {
  UiCommandState s;
  s.apply(8, in(Panel::Actions, 1, true));
  s.selectAll = true;
  s.secondMenuSave = s.secondMenuPrintCopy = true;
  ASSERT_TRUE(s.copy);
  s.apply(5, in(Panel::Actions, 0, true));
  // Adding stays; what needs a file goes.
  EXPECT_EQ(on(s), "addFiles openReport previewWindow previewWindowChecked openAuthDocument");
}

TEST(UiCommandState, OtherPanels) {
  const struct {
    Panel panel;
    bool errorPreview;
    std::string expected;
  } cases[] = {
      {Panel::Statistics, false, "openReport openAuthDocument"},
      {Panel::Settings, true, "openReport openAuthDocument"},
      {Panel::About, false, "openReport openAuthDocument"},
      {Panel::Report, false, "openReport previewWindow openAuthDocument"},
      {Panel::Report, true, "openReport copy previewWindow previewWindowChecked openAuthDocument"},
  };
  for (const auto& c : cases) {
    UiCommandState s;
    s.apply(8, in(Panel::Actions, 2, true));
    s.apply(7, in(c.panel, 2, false, c.errorPreview));
    EXPECT_EQ(on(s), c.expected) << static_cast<int>(c.panel) << " " << c.errorPreview;
  }
}

TEST(UiCommandState, ActionsPanelFollowsTheFilePreview) {
  for (const bool preview : {false, true}) {
    UiCommandState s;
    s.apply(8, in(Panel::Actions, 0, preview));
    EXPECT_TRUE(s.previewWindow);
    EXPECT_EQ(s.previewWindowChecked, preview);
    EXPECT_EQ(s.copy, preview);
    EXPECT_FALSE(s.actionButtons);  // an empty list: no state 1 or 2
  }
}

TEST(UiCommandState, UnknownStateChangesNothing) {
  UiCommandState s;
  s.apply(8, in(Panel::Actions, 2));
  const UiCommandState before = s;
  for (const int state : {-1, 9, 100}) {
    s.apply(state, in(Panel::Actions, 2));
    EXPECT_EQ(s, before) << state;
  }
}

}  // namespace
