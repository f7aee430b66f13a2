// The main window in process: start-up and closing with the registry and the
// saved list, the UI states, each action on the samples to its loaded
// report, the jump from a finding to its data line, a stop, the report
// saves, the merge's checks and the wizard.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>
#include <filesystem>
#include <stdexcept>

#include "WindowSupport.h"
#include "app/OlvenApplication.h"
#include "app/guiFileListStore.h"
#include "app/guiSettings.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "processing/bzProcessThread.h"
#include "support/Gate.h"
#include "viewers/PageViewer.h"
#include "viewers/ReportPane.h"

namespace {

namespace fs = std::filesystem;
using swde::TMainForm;
using Action = TMainForm::Action;
using Panel = TMainForm::Panel;
using windowtest::q;
using windowtest::WindowTest;

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

bool enabled(TMainForm& w, const char* action) {
  QAction* a = w.findChild<QAction*>(QLatin1String(action));
  EXPECT_NE(a, nullptr) << action;
  return a && a->isEnabled();
}

QString statusText(TMainForm& w) {
  return w.findChild<QLabel*>(QStringLiteral("statusMessage"))->text();
}

// Selects the first report line on the page that points into a data file;
// its row, or -1.
int selectFinding(TMainForm& w, std::string& file, std::int64_t& line, std::int64_t& pos) {
  QAbstractItemModel* model = w.reportPane()->view()->model();
  for (int r = 0; r < model->rowCount(); ++r) {
    w.reportPane()->view()->setCurrentIndex(model->index(r, 0));
    pos = w.reportPane()->getFilePos(file, &line);
    if (pos >= 0) return r;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Start-up, states, closing

TEST_F(WindowTest, FirstStartHasTheDefaultsAndWaitsForTheActionsPanel) {
  TMainForm& w = make();
  EXPECT_EQ(w.visiblePanel(), Panel::About);
  const swde::ActionInputs in = w.inputs();
  EXPECT_TRUE(in.exclComments);
  EXPECT_TRUE(in.exclWhiteChars);
  EXPECT_TRUE(in.saveDataDefault);
  EXPECT_TRUE(in.reportCondensed);
  EXPECT_EQ(in.maxErrors, 100);
  EXPECT_TRUE(in.outputFolder.empty());
  EXPECT_TRUE(in.reportFolder.empty());
  EXPECT_TRUE(in.files.empty());
  EXPECT_TRUE(
      w.findChild<QLabel*>(QStringLiteral("versionLabel"))->text().startsWith(U("Wersja ")));
  EXPECT_FALSE(enabled(w, "actAdd"));
  EXPECT_TRUE(enabled(w, "tbOpenReport"));
  EXPECT_TRUE(enabled(w, "actOpenAuthDoc"));
  EXPECT_TRUE(prompts.errors.empty());

  w.sideBarClicked(Panel::Actions);
  EXPECT_TRUE(enabled(w, "actAdd"));
  EXPECT_TRUE(enabled(w, "mnSyntax"));
  EXPECT_FALSE(enabled(w, "tbSyntax")) << "no files yet";
}

TEST_F(WindowTest, SavedListDropsVanishedFilesAndEnablesTheMergeOnActions) {
  const std::string a = copyOf("scalanie_opis.swd");
  const std::string b = copyOf("scalanie_geometria.swd");
  const std::string gone = copyOf("przyklad.swd");
  ASSERT_TRUE(swde::guiFileListStore(listPath()).save({a, gone, b}));
  fs::remove(gone);

  TMainForm& w = make();
  ASSERT_EQ(w.fileList()->topLevelItemCount(), 2);
  EXPECT_EQ(w.fileList()->topLevelItem(0)->text(1), U("scalanie_opis.swd"));
  EXPECT_EQ(w.fileList()->topLevelItem(1)->text(2), QString::number(fs::file_size(b)));
  // The about panel is in front: state 0 holds until "Akcje".
  EXPECT_FALSE(enabled(w, "tbMerge"));
  EXPECT_FALSE(enabled(w, "actAdd"));
  w.sideBarClicked(Panel::Actions);
  EXPECT_TRUE(enabled(w, "tbMerge"));
  EXPECT_TRUE(enabled(w, "tbSyntax"));
  EXPECT_TRUE(enabled(w, "actRemove"));

  // Removing files: one left (no merge button), then none (state 5).
  w.fileList()->topLevelItem(0)->setSelected(true);
  w.removeFiles();
  EXPECT_FALSE(enabled(w, "tbMerge"));
  EXPECT_TRUE(enabled(w, "tbSyntax"));
  w.fileList()->selectAll();
  w.removeFiles();
  EXPECT_EQ(w.fileList()->topLevelItemCount(), 0);
  EXPECT_FALSE(enabled(w, "tbSyntax"));
  EXPECT_FALSE(enabled(w, "actRemove"));
}

TEST_F(WindowTest, ClosingWritesTheSettingsAndTheListOnlyWhenAsked) {
  const struct { bool saveList; } cases[] = {{true}, {false}};
  for (const auto& c : cases) {
    fs::remove(listPath());
    TMainForm& w = make();
    w.sideBarClicked(Panel::Actions);
    w.addPaths({q(sample("przyklad.swd")), q(sample("bledy.swd"))});
    w.findChild<QCheckBox*>(QStringLiteral("exclComments"))->setChecked(false);
    w.findChild<QCheckBox*>(QStringLiteral("saveFileList"))->setChecked(c.saveList);
    w.findChild<QSpinBox*>(QStringLiteral("maxErrors"))->setValue(250);
    w.findChild<QLineEdit*>(QStringLiteral("reportFolder"))->setText(q(dir / "raporty  "));
    EXPECT_TRUE(w.close());
    form.reset();

    swde::guiSettings s;
    EXPECT_EQ(s.read(), "");
    EXPECT_FALSE(s.exclComments);
    EXPECT_EQ(s.saveFileList, c.saveList);
    EXPECT_EQ(s.maxErrors, 250);
    EXPECT_EQ(s.reportDir, dir / "raporty/") << "normalised before it is written";
    if (c.saveList) {
      EXPECT_EQ(swde::guiFileListStore(listPath()).load(),
                (std::vector<std::string>{sample("przyklad.swd"), sample("bledy.swd")}));
      // And a new window shows them again.
      TMainForm& again = make();
      EXPECT_EQ(again.fileList()->topLevelItemCount(), 2);
      form.reset();
    } else {
      EXPECT_FALSE(fs::exists(listPath()));
    }
  }
}

TEST_F(WindowTest, AnEmptyListWarnsPerCommand) {
  const struct {
    Action action;
    const char* message;
  } cases[] = {
      {Action::Syntax, "Wybierz pliki do sprawdzenia syntaktyki"},
      {Action::Semantic, "Wybierz pliki do sprawdzenia semantyki"},
      {Action::DocAuth, "Wybierz pliki do przeprowadzenia autoryzacji"},
      {Action::DocVerif, "Wybierz pliki do przeprowadzenia weryfikacji"},
      {Action::Merge, "Do scalania niezbędne są dwa pliki!"},
  };
  TMainForm& w = make();
  for (const auto& c : cases) {
    prompts.warnings.clear();
    w.startAction(c.action);
    ASSERT_EQ(prompts.warnings.size(), 1u);
    EXPECT_EQ(prompts.warnings[0], U(c.message));
    EXPECT_EQ(w.controller(), nullptr);
  }
}

// ---------------------------------------------------------------------------
// Actions to their reports

TEST_F(WindowTest, EachActionOnTheSamplesEndsWithItsReportLoaded) {
  const struct {
    Action action;
    std::vector<std::string> files;
    const char* started;
  } cases[] = {
      {Action::Syntax, {"przyklad.swd", "bledy.swd"}, "Uruchomiono proces analizy syntaktycznej"},
      {Action::Semantic, {"semantyka_bledy.swd"}, "Uruchomiono proces analizy semantycznej"},
      {Action::DocAuth, {"przyklad.swd"}, "Uruchomiono proces autoryzacji"},
      {Action::DocVerif, {"przyklad.swd"}, "Uruchomiono proces weryfikacji"},
      {Action::Merge,
       {"scalanie_opis.swd", "scalanie_geometria.swd"},
       "Uruchomiono proces scalania"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.started);
    fs::remove(listPath());  // only this case's files
    TMainForm& w = make();
    std::vector<std::string> files;
    for (const auto& f : c.files) files.push_back(copyOf(f));
    const std::string merged = dir / "wynik";
    if (c.action == Action::Merge) prompts.saves.push_back({q(merged), 0});
    start(c.action, files);
    ASSERT_NE(w.controller(), nullptr)
        << (prompts.errors.empty() ? "" : prompts.errors[0].toStdString());
    EXPECT_EQ(statusText(w), U(c.started));
    EXPECT_EQ(w.visiblePanel(), Panel::Statistics);
    EXPECT_TRUE(w.commands().running);
    EXPECT_TRUE(enabled(w, "tbStop"));
    EXPECT_FALSE(enabled(w, "tbSyntax"));
    finish();

    EXPECT_TRUE(prompts.errors.empty()) << prompts.errors[0].toStdString();
    EXPECT_EQ(statusText(w), U("Zakończono przetwarzanie"));
    EXPECT_EQ(w.visiblePanel(), Panel::Report);
    ASSERT_FALSE(w.temporaryReport().empty());
    EXPECT_TRUE(fs::exists(w.temporaryReport()));
    EXPECT_EQ(w.temporaryReport().rfind(tmp() + "/TMP", 0), 0u) << w.temporaryReport();
    EXPECT_EQ(w.shownReport(), w.temporaryReport());
    EXPECT_GT(w.reportPane()->view()->model()->rowCount(), 0);
    EXPECT_FALSE(w.reportSaved());
    EXPECT_FALSE(w.commands().running);
    EXPECT_TRUE(enabled(w, "tbSaveReport"));
    EXPECT_TRUE(enabled(w, "tbOpenReport"));
    EXPECT_FALSE(enabled(w, "tbStop"));
    for (int i = 0; i < w.fileList()->topLevelItemCount(); ++i)
      EXPECT_NE(w.fileList()->topLevelItem(i)->data(0, Qt::UserRole + 1).toInt(), -1)
          << "state image of file " << i;
    if (c.action == Action::Merge) {
      EXPECT_TRUE(fs::exists(merged + ".swde"));
    }
    // Closing declines the offer: the temporary report goes.
    const std::string temp = w.temporaryReport();
    EXPECT_TRUE(w.close());
    EXPECT_EQ(prompts.questions.size(), 1u);
    EXPECT_FALSE(fs::exists(temp));
    prompts.questions.clear();
    form.reset();
  }
}

TEST_F(WindowTest, EnterOnAFindingShowsItsDataLineHighlighted) {
  TMainForm& w = make();
  w.show();
  const std::string faulty = copyOf("bledy.swd");
  start(Action::Syntax, {faulty});
  finish();
  std::string file;
  std::int64_t line = -1, pos = -1;
  ASSERT_GE(selectFinding(w, file, line, pos), 0);
  EXPECT_EQ(file, faulty);
  w.reportPane()->view()->setFocus();
  QTest::keyClick(w.reportPane()->view(), Qt::Key_Return);

  QWidget* pane = w.findChild<QWidget*>(QStringLiteral("errorPreviewPane"));
  EXPECT_FALSE(pane->isHidden());
  EXPECT_EQ(w.errorViewer()->fileName(), faulty);
  EXPECT_EQ(w.errorViewer()->firstShown(), line - 1);
  const QString selected = w.errorViewer()->view()->textCursor().selectedText();
  EXPECT_FALSE(selected.isEmpty());
  EXPECT_EQ(selected, w.errorViewer()->view()->document()->firstBlock().text());
  EXPECT_TRUE(w.commands().previewWindowChecked);
  EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("dataFileLabel"))->text(),
            U("Plik danych: ") + q(faulty));
}

// A process that writes lines, then waits at a gate.
class HeldProcess : public swde::bzProcessThread {
 public:
  HeldProcess(RunKey key, swde::bzFileList* f, swde::bzReport* r, swde::bzSettings* s,
              swde::bzProcessState* st, testsupport::Gate& gate, int lines)
      : bzProcessThread(key, f, r, s, st), gate_(gate), lines_(lines) {}
  swde::AnsiString getTitle() const override { return "held"; }

 protected:
  int process() override {
    for (int i = 0; i < lines_; ++i) addToReport("linia " + std::to_string(i));
    gate_.pass();
    return 0;
  }

 private:
  testsupport::Gate& gate_;
  int lines_;
};

class FailingProcess : public swde::bzProcessThread {
 public:
  FailingProcess(RunKey key, swde::bzFileList* f, swde::bzReport* r, swde::bzSettings* s,
                 swde::bzProcessState* st)
      : bzProcessThread(key, f, r, s, st) {}
  swde::AnsiString getTitle() const override { return "failing"; }

 protected:
  int process() override { throw std::runtime_error("dysk pelny"); }
};

TEST_F(WindowTest, ACriticalFailureIsToldOnceAsSoonAsTheWorkerMeetsIt) {
  TMainForm& w = make();
  w.setStarter([&](swde::guiActions& a, swde::ActionInputs& in, Action) {
    return a.start(in, [&](swde::bzFileList* f, swde::bzReport* r, swde::bzSettings* s,
                           swde::bzProcessState* st) {
      return std::make_unique<swde::bzRun<FailingProcess>>(f, r, s, st);
    });
  });
  start(Action::Syntax, {copyOf("przyklad.swd")});
  w.progressTimer().stop();
  w.controller()->getProcess()->waitFor();
  // Before the timer has seen the end: the posted call alone shows it.
  QCoreApplication::sendPostedEvents(&w);
  EXPECT_EQ(prompts.notices, std::vector<QString>{U("dysk pelny")});
  finish();
  EXPECT_EQ(prompts.notices, std::vector<QString>{U("dysk pelny")});
}

TEST_F(WindowTest, DuringARunAndUntilItIsFinishedNothingElseStarts) {
  TMainForm& w = make();
  testsupport::Gate gate;
  int starts = 0;
  w.setStarter([&](swde::guiActions& a, swde::ActionInputs& in, Action) {
    ++starts;
    return a.start(in, [&](swde::bzFileList* f, swde::bzReport* r, swde::bzSettings* s,
                           swde::bzProcessState* st) {
      return std::make_unique<swde::bzRun<HeldProcess>>(f, r, s, st, gate, 10000);
    });
  });
  start(Action::Syntax, {copyOf("przyklad.swd")});
  ASSERT_EQ(starts, 1);
  gate.waitReached();
  w.progressTimer().stop();

  // A backlog of 10,000 lines: only the ones that stay are appended.
  w.pollProgress();
  QPlainTextEdit* memo = w.livePreview();
  EXPECT_LE(memo->blockCount(), 201);
  EXPECT_EQ(memo->document()->lastBlock().text(), U("linia 9999"));

  // While it runs: no list editing, "Akcje" changes nothing.
  const swde::UiCommandState before = w.commands();
  w.sideBarClicked(Panel::Actions);
  EXPECT_EQ(w.commands(), before);
  w.addPaths({q(sample("bledy.swd"))});
  EXPECT_EQ(w.fileList()->topLevelItemCount(), 1);

  gate.open();
  w.stopAction();
  EXPECT_EQ(statusText(w), U("Przerwano proces przetwarzania"));
  EXPECT_FALSE(w.commands().running);
  // Between the stop and the finish an action click does nothing.
  swde::guiActions* controller = w.controller();
  w.startAction(Action::Syntax);
  EXPECT_EQ(w.controller(), controller);
  EXPECT_EQ(starts, 1);
  EXPECT_TRUE(prompts.questions.empty());

  finish();
  EXPECT_FALSE(w.temporaryReport().empty());
  EXPECT_EQ(w.shownReport(), w.temporaryReport());
}

// ---------------------------------------------------------------------------
// Saving and opening reports

TEST_F(WindowTest, SavingTheReport) {
  TMainForm& w = make();
  start(Action::Syntax, {copyOf("bledy.swd")});
  finish();
  const std::string temp = w.temporaryReport();
  ASSERT_FALSE(temp.empty());

  // A text export whose folder does not exist: a message, the flag clear.
  EXPECT_FALSE(w.saveReportAs(dir / "brak/raport.txt", "txt"));
  EXPECT_EQ(prompts.errors.size(), 1u);
  EXPECT_FALSE(w.reportSaved());
  // A report copy that cannot be written: the temporary report stays shown.
  EXPECT_FALSE(w.saveReportAs(dir / "brak/raport.rpt", "rpt"));
  EXPECT_EQ(prompts.errors.size(), 2u);
  EXPECT_EQ(w.temporaryReport(), temp);
  EXPECT_TRUE(fs::exists(temp));
  EXPECT_EQ(w.shownReport(), temp);
  EXPECT_FALSE(w.reportSaved());

  // The dialog's text type appends ".txt"; the temporary report stays.
  prompts.saves.push_back({q(dir / "raport"), 1});
  EXPECT_EQ(w.saveReportDialog(false), TMainForm::SaveResult::Saved);
  EXPECT_TRUE(fs::exists(dir / "raport.txt"));
  EXPECT_TRUE(w.reportSaved());
  EXPECT_EQ(w.temporaryReport(), temp);
  // An extension in another case is not doubled.
  prompts.saves.push_back({q(dir / "RAPORT.CDT"), 2});
  EXPECT_EQ(w.saveReportDialog(false), TMainForm::SaveResult::Saved);
  EXPECT_TRUE(fs::exists(dir / "RAPORT.CDT"));
  EXPECT_FALSE(fs::exists(dir / "RAPORT.CDT.cdt"));

  // As a report: copied, shown from there, no temporary report left.
  const std::string rpt = dir / "raport.rpt";
  prompts.saves.push_back({q(dir / "raport"), 0});
  EXPECT_EQ(w.saveReportDialog(false), TMainForm::SaveResult::Saved);
  EXPECT_TRUE(fs::exists(rpt));
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_TRUE(w.temporaryReport().empty());
  EXPECT_EQ(w.shownReport(), rpt);
  const std::string bytes = testsupport::readFile(rpt);

  // Onto itself: shown again, the file as it was.
  EXPECT_TRUE(w.saveReportAs(rpt, "rpt"));
  EXPECT_EQ(testsupport::readFile(rpt), bytes);
  EXPECT_EQ(w.shownReport(), rpt);
  EXPECT_GT(w.reportPane()->view()->model()->rowCount(), 0);
  EXPECT_EQ(prompts.errors.size(), 2u);

  // Opened again later: no offer, saved.
  w.findChild<QAction*>(QStringLiteral("tbOpenReport"))->setEnabled(true);
  prompts.opens.push_back({q(rpt)});
  w.openReportDialog();
  EXPECT_EQ(w.shownReport(), rpt);
  EXPECT_TRUE(w.reportSaved());
  EXPECT_TRUE(prompts.questions.empty());
  EXPECT_TRUE(w.close());
  EXPECT_TRUE(prompts.questions.empty());
  EXPECT_TRUE(fs::exists(rpt));
}

TEST_F(WindowTest, ASecondActionOffersTheUnsavedReportOnce) {
  TMainForm& w = make();
  start(Action::Syntax, {copyOf("przyklad.swd")});
  finish();
  const std::string first = w.temporaryReport();
  w.sideBarClicked(Panel::Actions);
  w.startAction(Action::Syntax);  // answered No
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0],
            U("Raport nie został zapisany. Kontynuowanie spowoduje jego utratę!! "
              "Czy chcesz zapisać?"));
  EXPECT_FALSE(fs::exists(first));
  finish();
  EXPECT_NE(w.temporaryReport(), "");
  EXPECT_TRUE(fs::exists(w.temporaryReport()));
}

TEST_F(WindowTest, AReportThatCannotBeOpenedTurnsTheReportCommandsOff) {
  TMainForm& w = make();
  const std::string bad = dir / "zly.rpt";
  testsupport::writeFile(bad, "to nie jest raport");
  prompts.opens.push_back({q(bad)});
  w.openReportDialog();
  ASSERT_EQ(prompts.errors.size(), 1u);
  EXPECT_EQ(prompts.errors[0], U("Błąd otwarcia pliku raportu: ") + q(bad));
  EXPECT_FALSE(w.commands().reportCommands);
  EXPECT_FALSE(enabled(w, "tbSaveReport"));
}

// ---------------------------------------------------------------------------
// Merge checks and the wizard

TEST_F(WindowTest, MergeNeedsTwoFilesAndAResultThatIsNoInput) {
  const std::string a = copyOf("scalanie_opis.swd");
  const std::string b = copyOf("scalanie_geometria.swd");
  const std::string c = copyOf("przyklad.swd");
  const struct {
    std::vector<std::string> files;
    std::string result;  // the save dialog's answer
    const char* warning;
    std::string error;
  } cases[] = {
      {{a}, "", "Do scalania niezbędne są dwa pliki!", ""},
      {{a, b, c}, "", "Scalać można tylko dwa pliki!", ""},
      {{a, b}, b, nullptr, "Plik wynikowy jest plikiem wejściowym: " + b},
  };
  for (const auto& cs : cases) {
    TMainForm& w = make();
    prompts = {};
    if (!cs.result.empty()) prompts.saves.push_back({q(cs.result), 0});
    start(Action::Merge, cs.files);
    EXPECT_EQ(w.controller(), nullptr);
    if (cs.warning) {
      ASSERT_EQ(prompts.warnings.size(), 1u);
      EXPECT_EQ(prompts.warnings[0], U(cs.warning));
      EXPECT_TRUE(prompts.saveTitles.empty());
    } else {
      ASSERT_EQ(prompts.saveTitles.size(), 1u);
      EXPECT_EQ(prompts.saveTitles[0], U("Zapisz wynik scalania jako..."));
      ASSERT_EQ(prompts.errors.size(), 1u);
      EXPECT_EQ(prompts.errors[0], QString::fromStdString(cs.error));
    }
    form.reset();
  }
  EXPECT_EQ(fs::file_size(b), fs::file_size(sample("scalanie_geometria.swd")));
}

TEST_F(WindowTest, TheWizardStartsOrItsFailureIsNamed) {
  const struct {
    const char* label;
    const char* content;  // nullptr: no file, or link
    const char* link;     // the wizard as a link to this program
    fs::perms perms;
    const char* message;  // nullptr: started
  } cases[] = {
      {"missing", nullptr, nullptr, fs::perms::none,
       "Nie udało się uruchomić kreatora!\n Błędna ścieżka lub nazwa pliku!"},
      {"no program", "nie program\n", nullptr, fs::perms::owner_all,
       "Nie udało się uruchomić kreatora!\n Błąd w pliku EXE!"},
      {"not executable", "#!/bin/sh\nexit 0\n", nullptr, fs::perms::owner_read,
       "Nie udało się uruchomić kreatora!\n Błąd nieznany"},
      // A program that reads nothing of the folder the test removes.
      {"a program", nullptr, "/bin/true", fs::perms::none, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string folder = dir / "wizard";
    fs::remove_all(folder);
    fs::create_directories(folder);
    if (c.content) {
      testsupport::writeFile(folder + "/olvenWizzard", c.content);
      fs::permissions(folder + "/olvenWizzard", c.perms);
    }
    if (c.link) fs::create_symlink(c.link, folder + "/olvenWizzard");
    prompts = {};
    TMainForm& w = make(folder + "/");
    w.findChild<QAction*>(QStringLiteral("actWizard"))->trigger();
    if (c.message) {
      ASSERT_EQ(prompts.errors.size(), 1u);
      EXPECT_EQ(prompts.errors[0], U(c.message));
    } else {
      EXPECT_TRUE(prompts.errors.empty()) << prompts.errors[0].toStdString();
    }
    form.reset();
  }
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------
// Closing on a stop signal, an unreadable registry, exceptions in handlers

TEST_F(WindowTest, ClosingWithoutQuestionsKeepsTheUnsavedReport) {
  const struct {
    const char* label;
    bool running;  // still running when the close comes
  } cases[] = {{"after the run", false}, {"during the run", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    prompts = {};
    TMainForm& w = make();
    testsupport::Gate gate;
    w.setStarter([&](swde::guiActions& a, swde::ActionInputs& in, Action) {
      return a.start(in, [&](swde::bzFileList* f, swde::bzReport* r, swde::bzSettings* s,
                             swde::bzProcessState* st) {
        return std::make_unique<swde::bzRun<HeldProcess>>(f, r, s, st, gate, 3);
      });
    });
    start(Action::Syntax, {copyOf("przyklad.swd")});
    gate.waitReached();
    w.progressTimer().stop();
    gate.open();
    if (!c.running) finish();
    w.closeWithoutQuestions();
    EXPECT_TRUE(w.isHidden());
    EXPECT_EQ(w.controller(), nullptr);
    EXPECT_TRUE(prompts.questions.empty());
    ASSERT_FALSE(w.temporaryReport().empty());
    EXPECT_TRUE(fs::exists(w.temporaryReport()));
    EXPECT_NE(testsupport::readFile(w.temporaryReport()).find("linia 2"), std::string::npos);
    EXPECT_TRUE(fs::exists(listPath()));
    form.reset();
  }
}

TEST_F(WindowTest, AnUnreadableRegistryIsReportedOnceAndKeptAsItIs) {
  const std::string hive = registry.folder() + "/HKEY_LOCAL_MACHINE.reg";
  testsupport::writeFile(hive, "to nie jest rejestr\n");
  TMainForm& w = make();
  EXPECT_EQ(prompts.errors.size(), 1u);
  EXPECT_EQ(w.inputs().maxErrors, 100);
  EXPECT_TRUE(w.inputs().exclComments);
  w.findChild<QSpinBox*>(QStringLiteral("maxErrors"))->setValue(7);
  EXPECT_TRUE(w.close());
  EXPECT_EQ(prompts.errors.size(), 1u);
  EXPECT_EQ(testsupport::readFile(hive), "to nie jest rejestr\n");
}

// An object whose event handler throws what it is told.
class Thrower : public QObject {
 public:
  int kind = 0;
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    switch (kind) {
      case 0:
        throw plat::Exception(plat::cp("Błąd w obsłudze zdarzenia"));
      case 1:
        throw std::runtime_error("std failure");
      default:
        throw 42;
    }
  }
};

TEST(OlvenApplication, AnExceptionInAHandlerIsShownAndTheProgramGoesOn) {
  auto* app = static_cast<swde::OlvenApplication*>(QCoreApplication::instance());
  std::vector<QString> shown;
  app->setReporter([&](const QString& text) { shown.push_back(text); });
  const char* const expected[] = {"Błąd w obsłudze zdarzenia", "std failure",
                                  "Wystąpił nierozpoznany błąd!!!"};
  Thrower thrower;
  for (int kind = 0; kind < 3; ++kind) {
    thrower.kind = kind;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &event));
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(kind + 1));
    EXPECT_EQ(shown.back(), QString::fromUtf8(expected[kind]));
  }
  app->setReporter({});
}

}  // namespace
