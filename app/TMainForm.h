// The main window: the file list, a side bar over five panels (actions,
// statistics, report, settings, about), the menus and the tool bar whose
// commands follow the UI states, the settings kept in the registry and the
// saved file list. It runs one action at a time through guiActions, shows
// its progress every 500 ms and loads its report when it ends.
//
// Every dialog and question goes through the UiPrompts it is given.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/ActionInputs.h"
#include "app/ProgressPresenter.h"
#include "app/UiCommandState.h"
#include "app/guiActions.h"
#include "app/guiFileListStore.h"
#include "app/guiSettings.h"

class QAbstractButton;
class QAction;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace olv {
class PageViewer;
class ReportPane;
}  // namespace olv

namespace swde {

class TForm3;
class TModulesForm;
class UiPrompts;

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  enum class Action { Syntax, Semantic, Merge, DocAuth, DocVerif };
  using Panel = UiCommandState::Panel;
  // Starts the process of an action on the controller; the window's own
  // calls the controller's starter. Tests put a scripted process in.
  using Starter = std::function<bool(guiActions&, ActionInputs&, Action)>;

  // Where the window keeps and finds its files.
  struct Places {
    std::string fileList = guiFileListStore::defaultPath();
    std::string programFolder;  // with its trailing "/"; "" = the program's
  };

  explicit TMainForm(UiPrompts& prompts, QWidget* parent = nullptr);
  TMainForm(UiPrompts& prompts, Places places, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Closes as "&Zamknij program" does but asks nothing: a running action is
  // stopped and finished, a temporary report not saved is kept (its path on
  // standard error), the settings and the list are written.
  void closeWithoutQuestions();

  void setUIState(int state);
  // Brings the panel to the front and selects its side-bar button; the UI
  // state stays.
  void showPanel(Panel panel);
  // The side bar's button of the panel clicked.
  void sideBarClicked(Panel panel);
  Panel visiblePanel() const;

  // List commands.
  void addFiles();
  // Inserts the files before the selected item (at the end when none).
  void addPaths(const QStringList& paths);
  void removeFiles();
  enum class Move { Up, Down, Top, Bottom };
  void moveSelected(Move how);
  void previewFile();

  // Actions, the stop and the 500 ms poll.
  void startAction(Action action);
  void stopAction();
  void pollProgress();

  // Report commands.
  bool loadReport(const std::string& path);
  // "rpt", "txt" or "cdt"; false, with the message shown, on failure.
  bool saveReportAs(const std::string& path, const char* kind);
  enum class SaveResult { Cancelled, Saved, Failed };
  SaveResult saveReportDialog(bool twoTypes);
  void openReportDialog();
  void offerReportSave();
  void goToErrorLine();
  void printReport();
  void copySelection();
  void togglePreviewWindow(bool on);

  void launchWizard();

  // "Otwórz dokument autoryzacji": the open dialog (the tool button's filter
  // or the menu's), then openDocument.
  void openDocumentDialog(bool fromToolButton);
  // A new document window showing path (its own message when unreadable).
  TForm3* openDocument(const QString& path);
  // "Moduły...": a new module list window.
  TModulesForm* openModules();
  // Opens a help context; a failure's message shown.
  void showHelp(int context);

  // Help contexts of the window's parts.
  static constexpr int kHelpMenus = 1006;
  static constexpr int kHelpToolBar = 1007;
  static constexpr int kHelpSideBar = 1008;
  static constexpr int kHelpActions = 1010;
  static constexpr int kHelpStatistics = 1013;
  static constexpr int kHelpReport = 1014;
  static constexpr int kHelpSettings = 1015;
  static constexpr int kHelpAbout = 1016;

  // What tests look at.
  void setStarter(Starter starter) { starter_ = std::move(starter); }
  guiActions* controller() const { return actions_.get(); }
  const std::string& temporaryReport() const { return tempReport_; }
  const std::string& shownReport() const { return shownReport_; }
  bool reportSaved() const { return reportSaved_; }
  const UiCommandState& commands() const { return cmd_; }
  ActionInputs inputs() const;
  olv::ReportPane* reportPane() const { return report_; }
  olv::PageViewer* errorViewer() const { return errorViewer_; }
  olv::PageViewer* filePreview() const { return filePreview_; }
  QTreeWidget* fileList() const { return list_; }
  QPlainTextEdit* livePreview() const { return livePreview_; }
  QTimer& progressTimer() { return timer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct TimerSwitch : guiActions::Timer {
    QTimer* timer = nullptr;
    void enable() override { timer->start(); }
  };

  void buildActions();
  void buildMenus();
  void buildToolBar();
  QWidget* buildActionsPanel();
  QWidget* buildStatisticsPanel();
  QWidget* buildReportPanel();
  QWidget* buildSettingsPanel();
  QWidget* buildAboutPanel();
  void buildSideBar();
  QAction* makeAction(const char* name, const QString& text, const QKeySequence& keys = {});

  void bindCommands();
  void readSettings();
  void writeSettings();
  void loadFileList();
  void saveFileList();
  void resetStatistics();
  void finishAction();
  bool runStarter(Action action, ActionInputs& in);
  void afterListChange();
  void setStatus(const QString& text);
  // A critical failure of the worker: a box that does not wait.
  void showCritical(const QString& text);
  void showError(const QString& text);
  void showPane(QWidget* pane);
  void dropTemporaryReport();
  QTreeWidgetItem* makeItem(const QByteArray& path) const;
  QString startFolder(bool useEdit, const QLineEdit* edit) const;

  UiPrompts& prompts_;
  Places places_;
  guiSettings settings_;
  UiCommandState cmd_;
  std::unique_ptr<guiActions> actions_;
  ProgressPresenter presenter_;
  QTimer timer_;
  TimerSwitch timerSwitch_;
  Starter starter_;

  std::string tempReport_;   // the temporary report of the last action
  std::string shownReport_;  // the report the report viewer shows
  bool reportSaved_ = false;
  bool quietClose_ = false;
  int focusedViewer_ = 0;  // 1 file preview, 2 report, 3 error position

  // Controls.
  QStackedWidget* panels_ = nullptr;
  QButtonGroup* sideBar_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QWidget* filePane_ = nullptr;
  QLabel* fileLabel_ = nullptr;
  olv::PageViewer* filePreview_ = nullptr;
  olv::ReportPane* report_ = nullptr;
  QLabel* reportLabel_ = nullptr;
  QWidget* errorPane_ = nullptr;
  QLabel* dataLabel_ = nullptr;
  olv::PageViewer* errorViewer_ = nullptr;
  QLabel* statFile_ = nullptr;
  QLabel* statFormat_ = nullptr;
  QLabel* statState_ = nullptr;
  QLabel* statRecords_ = nullptr;
  QLabel* statWarnings_ = nullptr;
  QLabel* statErrors_ = nullptr;
  QLabel* statElapsed_ = nullptr;
  QLabel* statRemaining_ = nullptr;
  QLabel* statReportFile_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPlainTextEdit* livePreview_ = nullptr;
  QCheckBox* previewOff_ = nullptr;
  QCheckBox* exclComments_ = nullptr;
  QCheckBox* exclWhite_ = nullptr;
  QCheckBox* saveFileList_ = nullptr;
  QCheckBox* saveReports_ = nullptr;
  QCheckBox* saveReportsDefault_ = nullptr;
  QCheckBox* saveDataDefault_ = nullptr;
  QCheckBox* condensed_ = nullptr;
  QSpinBox* maxErrors_ = nullptr;
  QLineEdit* reportFolder_ = nullptr;
  QLineEdit* dataFolder_ = nullptr;
  QLabel* version_ = nullptr;
  QLabel* status_ = nullptr;
  QMenu* listMenu_ = nullptr;
  QMenu* reportMenu_ = nullptr;
};

}  // namespace swde
