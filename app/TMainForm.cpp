#include "app/TMainForm.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <chrono>
#include <cstdio>

#include "app/TForm3.h"
#include "app/TModulesForm.h"
#include "app/UiPrompts.h"
#include "app/VersionText.h"
#include "app/WizardLauncher.h"
#include "app/help/HelpSystem.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "viewers/PageViewer.h"
#include "viewers/ReportPane.h"

namespace swde {

namespace {

QString T(const char* utf8) {
  return QString::fromUtf8(utf8);
}
QString fromCp(const std::string& text) {
  return QString::fromStdU16String(plat::cp1250ToUtf16(text));
}
QString fromPath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}
std::string toPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

constexpr int kPathRole = Qt::UserRole;
constexpr int kStateImageRole = Qt::UserRole + 1;

const char* const kSwdeFilter = "Pliki SWDE (*.swd *.dat *.swde *.SWD *.DAT *.SWDE)";
const char* const kAllFilter = "Wszystkie pliki (*)";
const char* const kRptType = "Plik raportu  (*.rpt)";
const char* const kTxtType = "Plik tekstowy (*.txt)";
const char* const kCdtType = "Comma delimited (*.cdt)";

std::uint64_t steadyMs() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

// path with ext (".txt") appended unless its name already ends so, in any
// case.
std::string withExtension(const std::string& path, const char* ext) {
  const QString name = fromPath(path);
  if (name.endsWith(QLatin1String(ext), Qt::CaseInsensitive)) return path;
  return path + ext;
}

// Copies source onto target through a temporary file beside target that is
// then renamed: a failure leaves target as it was. "" or the reason (cp1250).
std::string copyReplacing(const std::string& source, const std::string& target) {
  int err = 0;
  const int in = plat::openRegularForReading(source, err);
  if (in < 0) return plat::fileWriteErrorReason(err);
  std::string folder = plat::extractFilePath(target);
  if (folder.empty()) folder = ".";
  std::string temp;
  const int out = plat::createTempFile(folder, ".olvrpt", ".tmp", temp);
  if (out < 0) {
    err = errno;
    ::close(in);
    return plat::fileWriteErrorReason(err);
  }
  char buf[1 << 16];
  err = 0;
  for (;;) {
    const ssize_t n = ::read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    for (ssize_t done = 0; done < n && err == 0;) {
      const ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
      if (w < 0 && errno != EINTR) err = errno;
      if (w > 0) done += w;
    }
    if (err != 0) break;
  }
  ::close(in);
  if (err == 0 && ::fsync(out) != 0) err = errno;
  if (::close(out) != 0 && err == 0) err = errno;
  if (err == 0) ::fchmodat(AT_FDCWD, temp.c_str(), plat::newFileMode(), 0);
  if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    return plat::fileWriteErrorReason(err);
  }
  return std::string();
}

}  // namespace

TMainForm::TMainForm(UiPrompts& prompts, QWidget* parent) : TMainForm(prompts, Places{}, parent) {}

TMainForm::TMainForm(UiPrompts& prompts, Places places, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), places_(std::move(places)) {
  setObjectName(QStringLiteral("mainForm"));
  setWindowTitle(QStringLiteral("OLVEN"));
  HelpSystem::setContext(this, HelpSystem::kOverview);
  // The pages are looked for once here; a later request names them again.
  if (!HelpSystem::instance().available())
    prompts_.notice(QStringLiteral("OLVEN"), HelpSystem::instance().missingMessage());
  if (places_.programFolder.empty()) {
    try {
      places_.programFolder = plat::executableFolder();
    } catch (...) {
      places_.programFolder = ".";
    }
  }
  if (places_.programFolder.back() != '/') places_.programFolder += '/';

  timer_.setInterval(500);
  timerSwitch_.timer = &timer_;
  connect(&timer_, &QTimer::timeout, this, &TMainForm::pollProgress);

  buildActions();
  buildMenus();
  buildToolBar();

  auto* central = new QWidget(this);
  auto* row = new QHBoxLayout(central);
  row->setContentsMargins(4, 4, 4, 4);
  panels_ = new QStackedWidget(central);
  panels_->addWidget(buildActionsPanel());
  panels_->addWidget(buildReportPanel());
  panels_->addWidget(buildSettingsPanel());
  panels_->addWidget(buildStatisticsPanel());
  panels_->addWidget(buildAboutPanel());
  buildSideBar();
  auto* bar = new QWidget(central);
  bar->setObjectName(QStringLiteral("sideBar"));
  HelpSystem::setContext(bar, kHelpSideBar);
  auto* barLayout = new QVBoxLayout(bar);
  barLayout->setContentsMargins(0, 0, 0, 0);
  for (QAbstractButton* b : sideBar_->buttons()) barLayout->addWidget(b);
  barLayout->addStretch(1);
  row->addWidget(bar);
  row->addWidget(panels_, 1);
  setCentralWidget(central);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("statusMessage"));
  statusBar()->addWidget(status_, 1);

  // The about panel in front, both preview panes hidden.
  showPanel(Panel::About);
  filePane_->hide();
  errorPane_->hide();

  version_->setText(fromCp(versionText()));
  resize(900, 640);

  setUIState(0);
  readSettings();
}

TMainForm::~TMainForm() {
  timer_.stop();
  // The process goes before the objects it points into (the controller
  // sees to that), and both before the viewers.
  actions_.reset();
}

QAction* TMainForm::makeAction(const char* name, const QString& text, const QKeySequence& keys) {
  auto* a = new QAction(text, this);
  a->setObjectName(QLatin1String(name));
  if (!keys.isEmpty()) a->setShortcut(keys);
  return a;
}

void TMainForm::buildActions() {
  QStyle* st = style();
  struct ActionDef {
    const char* tool;
    const char* menu;
    const char* toolText;
    const char* menuText;
    QKeySequence keys;
    Action action;
    QStyle::StandardPixmap icon;
  };
  const ActionDef defs[] = {
      {"tbSyntax", "mnSyntax", "Syntaktyka", "&Syntaktyka", QKeySequence(Qt::CTRL | Qt::Key_X),
       Action::Syntax, QStyle::SP_FileDialogContentsView},
      {"tbSemantic", "mnSemantic", "Semantyka", "Se&mantyka", QKeySequence(Qt::CTRL | Qt::Key_M),
       Action::Semantic, QStyle::SP_FileDialogDetailedView},
      {"tbMerge", "mnMerge", "Scalaj", "S&calaj", QKeySequence(Qt::CTRL | Qt::Key_L), Action::Merge,
       QStyle::SP_ArrowRight},
      {"tbDocAuth", "mnDocAuth", "Autoryzuj", "A&utoryzuj", QKeySequence(Qt::CTRL | Qt::Key_T),
       Action::DocAuth, QStyle::SP_DialogApplyButton},
      {"tbDocVerif", "mnDocVerif", "Weryfikuj", "&Weryfikuj", QKeySequence(Qt::CTRL | Qt::Key_W),
       Action::DocVerif, QStyle::SP_DialogYesButton},
  };
  for (const ActionDef& d : defs) {
    QAction* tool = makeAction(d.tool, T(d.toolText));
    tool->setIcon(st->standardIcon(d.icon));
    QAction* menu = makeAction(d.menu, T(d.menuText), d.keys);
    const Action action = d.action;
    connect(tool, &QAction::triggered, this, [this, action] { startAction(action); });
    connect(menu, &QAction::triggered, this, [this, action] { startAction(action); });
  }
  QAction* a = makeAction("tbStop", T("Przerwij działanie"));
  a->setIcon(st->standardIcon(QStyle::SP_BrowserStop));
  connect(a, &QAction::triggered, this, &TMainForm::stopAction);
  a = makeAction("mnStop", T("&Zatrzymaj"));
  connect(a, &QAction::triggered, this, &TMainForm::stopAction);

  for (const char* n : {"actAdd", "actAddButton", "popAdd"}) {
    a = makeAction(n, T(n == std::string("actAddButton") ? "&Dodaj" : "&Dodaj do listy"));
    connect(a, &QAction::triggered, this, &TMainForm::addFiles);
  }
  for (const char* n : {"actRemove", "actRemoveButton", "popRemove"}) {
    a = makeAction(n, T(n == std::string("actRemoveButton") ? "&Usuń" : "&Usuń z listy"));
    connect(a, &QAction::triggered, this, &TMainForm::removeFiles);
  }
  struct MoveDef {
    const char* name;
    const char* text;
    Move how;
  };
  const MoveDef moves[] = {{"actUp", "&Przesuń w górę", Move::Up},
                           {"actDown", "Przesuń w &dół", Move::Down},
                           {"popUp", "&Przesuń w górę", Move::Up},
                           {"popDown", "Przesuń w &dół", Move::Down},
                           {"popTop", "Przesuń na &początek", Move::Top},
                           {"popBottom", "Przesuń na &koniec", Move::Bottom}};
  for (const MoveDef& m : moves) {
    a = makeAction(m.name, T(m.text));
    const Move how = m.how;
    connect(a, &QAction::triggered, this, [this, how] { moveSelected(how); });
  }
  findChild<QAction*>(QStringLiteral("actUp"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Up));
  findChild<QAction*>(QStringLiteral("actDown"))
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Down));
  findChild<QAction*>(QStringLiteral("actUp"))->setIcon(st->standardIcon(QStyle::SP_ArrowUp));
  findChild<QAction*>(QStringLiteral("actDown"))->setIcon(st->standardIcon(QStyle::SP_ArrowDown));

  for (const char* n : {"tbPreview", "mnPreview", "popPreview"}) {
    a = makeAction(n, T(n == std::string("tbPreview") ? "Podgląd" : "P&odgląd"));
    connect(a, &QAction::triggered, this, &TMainForm::previewFile);
  }
  findChild<QAction*>(QStringLiteral("tbPreview"))
      ->setIcon(st->standardIcon(QStyle::SP_FileDialogInfoView));

  a = makeAction("tbOpenReport", T("Otwórz raport"));
  a->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
  connect(a, &QAction::triggered, this, &TMainForm::openReportDialog);
  for (const char* n : {"mnOpenReport", "rpOpen"}) {
    a = makeAction(
        n, T("Otwórz &raport"),
        n == std::string("mnOpenReport") ? QKeySequence(Qt::CTRL | Qt::Key_R) : QKeySequence());
    connect(a, &QAction::triggered, this, &TMainForm::openReportDialog);
  }
  auto saveAll = [this] { saveReportDialog(false); };
  a = makeAction("tbSaveReport", T("Zapisz raport"));
  a->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
  connect(a, &QAction::triggered, this, saveAll);
  for (const char* n : {"mnSaveReport", "rpSave"}) {
    a = makeAction(n, T("Zapisz rapor&t"));
    connect(a, &QAction::triggered, this, saveAll);
  }
  a = makeAction("rmSave", T("&Zapisz raport"));
  connect(a, &QAction::triggered, this, saveAll);
  a = makeAction("rmSaveAs", T("Z&apisz jako..."));
  connect(a, &QAction::triggered, this, [this] { saveReportDialog(true); });

  a = makeAction("tbPrint", T("Drukuj raport"));
  a->setIcon(st->standardIcon(QStyle::SP_FileIcon));
  connect(a, &QAction::triggered, this, &TMainForm::printReport);
  for (const char* n : {"mnPrint", "rmPrint"}) {
    a = makeAction(n, T("&Drukuj raport"));
    connect(a, &QAction::triggered, this, &TMainForm::printReport);
  }
  a = makeAction("tbGoto", T("Przejdź do linii błędu"));
  a->setIcon(st->standardIcon(QStyle::SP_ArrowForward));
  connect(a, &QAction::triggered, this, &TMainForm::goToErrorLine);
  for (const char* n : {"mnGoto", "rpGoto"}) {
    a = makeAction(n, T("Przejdź do linii &błędu"));
    connect(a, &QAction::triggered, this, &TMainForm::goToErrorLine);
  }
  a = makeAction("actCopy", T("&Kopiuj"), QKeySequence(Qt::CTRL | Qt::Key_C));
  connect(a, &QAction::triggered, this, &TMainForm::copySelection);
  a = makeAction("rmCopy", T("&Kopiuj"));
  connect(a, &QAction::triggered, this, [this] { report_->copyToClipboard(); });
  a = makeAction("rpCopy", T("&Kopiuj"));
  connect(a, &QAction::triggered, this, [this] { report_->copyToClipboard(); });
  for (const char* n : {"actSelectAll", "popSelectAll"}) {
    a = makeAction(n,
                   T(n == std::string("actSelectAll") ? "Zaznacz &wszystko" : "Zaznacz wszystkie"));
    connect(a, &QAction::triggered, this, [this] { list_->selectAll(); });
  }
  a = makeAction("actPreviewWindow", T("&Okno podglądu"));
  a->setCheckable(true);
  connect(a, &QAction::triggered, this, &TMainForm::togglePreviewWindow);

  a = makeAction("actWizard", T("Utwórz plik wsadowy"));
  a->setIcon(st->standardIcon(QStyle::SP_FileDialogNewFolder));
  connect(a, &QAction::triggered, this, &TMainForm::launchWizard);
  a = makeAction("actSettings", T("Us&tawienia"));
  connect(a, &QAction::triggered, this, [this] { showPanel(Panel::Settings); });
  a = makeAction("actAbout", T("O programie..."));
  connect(a, &QAction::triggered, this, [this] {
    showPanel(Panel::About);
    setUIState(7);
  });
  a = makeAction("actQuit", T("&Zamknij program"));
  connect(a, &QAction::triggered, this, &QWidget::close);
  a = makeAction("actOpenAuthDoc", T("&Otwórz dokument autoryzacji"),
                 QKeySequence(Qt::CTRL | Qt::Key_O));
  connect(a, &QAction::triggered, this, [this] { openDocumentDialog(false); });
  a = makeAction("tbOpenAuthDoc", T("Otwórz dokument autoryzacji"));
  a->setIcon(st->standardIcon(QStyle::SP_DirOpenIcon));
  connect(a, &QAction::triggered, this, [this] { openDocumentDialog(true); });
  a = makeAction("actModules", T("Moduły..."));
  connect(a, &QAction::triggered, this, &TMainForm::openModules);
  // F1 itself is the help's key filter's: it opens the focused widget's
  // context, so the menu item only names the key.
  struct HelpDef {
    const char* name;
    const char* text;
    int context;
  };
  const HelpDef helps[] = {{"actHelp", "Pomo&c    F1", HelpSystem::kOverview},
                           {"tbHelp", "Pomoc", HelpSystem::kOverview},
                           {"rpHelp", "Pomo&c", kHelpReport},
                           {"popHelp", "Pomo&c", kHelpActions}};
  for (const HelpDef& h : helps) {
    a = makeAction(h.name, T(h.text));
    const int context = h.context;
    connect(a, &QAction::triggered, this, [this, context] { showHelp(context); });
  }
  findChild<QAction*>(QStringLiteral("tbHelp"))
      ->setIcon(st->standardIcon(QStyle::SP_DialogHelpButton));
}

void TMainForm::buildMenus() {
  auto act = [this](const char* name) { return findChild<QAction*>(QLatin1String(name)); };
  auto add = [&](QMenu* m, std::initializer_list<const char*> names) {
    for (const char* n : names) {
      if (n == nullptr)
        m->addSeparator();
      else
        m->addAction(act(n));
    }
  };
  add(menuBar()->addMenu(T("&Plik")), {"actAdd", "actRemove", nullptr, "mnOpenReport",
                                       "mnSaveReport", "mnPrint", nullptr, "actQuit"});
  add(menuBar()->addMenu(T("&Edycja")), {"actCopy", "actSelectAll", nullptr, "actUp", "actDown",
                                         nullptr, "mnPreview", "actPreviewWindow"});
  add(menuBar()->addMenu(T("&Akcje")),
      {"mnSyntax", "mnSemantic", "mnMerge", "mnDocAuth", "mnDocVerif", nullptr, "mnStop", nullptr,
       "mnGoto", "actWizard"});
  add(menuBar()->addMenu(T("&Raport")), {"rmSave", "rmSaveAs", "rmPrint", "rmCopy"});
  add(menuBar()->addMenu(T("&Narzędzia")), {"actSettings", "actModules", "actOpenAuthDoc"});
  add(menuBar()->addMenu(T("Pomo&c")), {"actHelp", "actAbout"});

  listMenu_ = new QMenu(this);
  add(listMenu_, {"popAdd", "popRemove", nullptr, "popUp", "popDown", "popTop", "popBottom",
                  nullptr, "popPreview", "popSelectAll", nullptr, "popHelp"});
  reportMenu_ = new QMenu(this);
  add(reportMenu_, {"rpCopy", "rpSave", "rpOpen", "rpGoto", nullptr, "rpHelp"});
  HelpSystem::setContext(menuBar(), kHelpMenus);
}

void TMainForm::buildToolBar() {
  QToolBar* bar = addToolBar(T("Narzędzia"));
  bar->setObjectName(QStringLiteral("toolBar"));
  HelpSystem::setContext(bar, kHelpToolBar);
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  for (const char* n : {"tbPreview", "", "tbSyntax", "tbSemantic", "tbMerge", "tbDocAuth",
                        "tbDocVerif", "tbStop", "", "tbOpenAuthDoc", "tbOpenReport", "tbSaveReport",
                        "tbPrint", "tbGoto", "", "actWizard", "tbHelp"}) {
    if (*n == 0) {
      bar->addSeparator();
      continue;
    }
    QAction* a = findChild<QAction*>(QLatin1String(n));
    a->setToolTip(a->text().remove(QLatin1Char('&')));
    bar->addAction(a);
  }
}

QWidget* TMainForm::buildActionsPanel() {
  auto* panel = new QWidget;
  panel->setObjectName(QStringLiteral("panelActions"));
  HelpSystem::setContext(panel, kHelpActions);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* split = new QSplitter(Qt::Vertical, panel);

  auto* top = new QWidget(split);
  auto* topRow = new QHBoxLayout(top);
  topRow->setContentsMargins(0, 0, 0, 0);
  list_ = new QTreeWidget(top);
  list_->setObjectName(QStringLiteral("fileList"));
  list_->setHeaderLabels({T("Stan"), T("Nazwa pliku"), T("Rozmiar"), T("Ostatnia zmiana")});
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  list_->installEventFilter(this);
  connect(list_, &QTreeWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { listMenu_->popup(list_->viewport()->mapToGlobal(at)); });
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
    if (cmd_.previewCommands || cmd_.previewButton) previewFile();
  });
  topRow->addWidget(list_, 1);

  auto* buttons = new QVBoxLayout;
  auto button = [&](const char* action) {
    auto* b = new QToolButton(top);
    b->setDefaultAction(findChild<QAction*>(QLatin1String(action)));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    buttons->addWidget(b);
  };
  for (const char* n : {"actAddButton", "actRemoveButton", "actUp", "actDown"}) button(n);
  buttons->addSpacing(12);
  for (const char* n : {"tbSyntax", "tbSemantic", "tbMerge", "tbDocAuth", "tbDocVerif", "tbStop"})
    button(n);
  buttons->addStretch(1);
  topRow->addLayout(buttons);

  filePane_ = new QWidget(split);
  filePane_->setObjectName(QStringLiteral("filePreviewPane"));
  auto* paneLayout = new QVBoxLayout(filePane_);
  paneLayout->setContentsMargins(0, 0, 0, 0);
  fileLabel_ = new QLabel(T("Plik:"), filePane_);
  filePreview_ = new olv::PageViewer(filePane_);
  filePreview_->setObjectName(QStringLiteral("filePreview"));
  connect(filePreview_, &olv::PageViewer::entered, this, [this] { focusedViewer_ = 1; });
  paneLayout->addWidget(fileLabel_);
  paneLayout->addWidget(filePreview_, 1);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);
  layout->addWidget(split);
  return panel;
}

QWidget* TMainForm::buildStatisticsPanel() {
  auto* panel = new QWidget;
  panel->setObjectName(QStringLiteral("panelStatistics"));
  HelpSystem::setContext(panel, kHelpStatistics);
  auto* layout = new QVBoxLayout(panel);
  auto* form = new QFormLayout;
  auto label = [&](const char* caption, const char* name) {
    auto* l = new QLabel(panel);
    l->setObjectName(QLatin1String(name));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(T(caption), l);
    return l;
  };
  statFile_ = label("Plik:", "statFile");
  statFormat_ = label("Format:", "statFormat");
  statState_ = label("Stan procesu:", "statState");
  statRecords_ = label("Przetworzonych rekordów:", "statRecords");
  statWarnings_ = label("Ostrzeżeń:", "statWarnings");
  statErrors_ = label("Błędów:", "statErrors");
  statElapsed_ = label("Upłynęło: ", "statElapsed");
  statRemaining_ = label("Do zakończenia etapu:", "statRemaining");
  statReportFile_ = label("Raport:", "statReportFile");
  progress_ = new QProgressBar(panel);
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setRange(0, 1000);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  form->addRow(progress_);
  layout->addLayout(form);

  auto* head = new QHBoxLayout;
  head->addWidget(new QLabel(T("Bieżący podgląd linii raportu:"), panel), 1);
  previewOff_ = new QCheckBox(T("Wyłącz podgląd"), panel);
  previewOff_->setObjectName(QStringLiteral("previewOff"));
  head->addWidget(previewOff_);
  layout->addLayout(head);
  livePreview_ = new QPlainTextEdit(panel);
  livePreview_->setObjectName(QStringLiteral("livePreview"));
  livePreview_->setReadOnly(true);
  livePreview_->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(livePreview_, 1);
  return panel;
}

QWidget* TMainForm::buildReportPanel() {
  auto* panel = new QWidget;
  panel->setObjectName(QStringLiteral("panelReport"));
  HelpSystem::setContext(panel, kHelpReport);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  reportLabel_ = new QLabel(panel);
  reportLabel_->setObjectName(QStringLiteral("reportFileLabel"));
  layout->addWidget(reportLabel_);
  auto* split = new QSplitter(Qt::Vertical, panel);
  report_ = new olv::ReportPane(split);
  report_->setObjectName(QStringLiteral("reportPane"));
  report_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(report_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { reportMenu_->popup(report_->mapToGlobal(at)); });
  report_->view()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(report_->view(), &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    reportMenu_->popup(report_->view()->viewport()->mapToGlobal(at));
  });
  connect(report_, &olv::ReportPane::keyPress, this, [this](QChar key) {
    if (key == QLatin1Char('\r')) goToErrorLine();
  });
  connect(report_, &olv::ReportPane::doubleClicked, this, &TMainForm::goToErrorLine);
  connect(report_, &olv::ReportPane::entered, this, [this] { focusedViewer_ = 2; });
  connect(report_, &olv::ReportPane::printFailed, this,
          [this](const QString& message) { prompts_.error(message); });

  errorPane_ = new QWidget(split);
  errorPane_->setObjectName(QStringLiteral("errorPreviewPane"));
  auto* paneLayout = new QVBoxLayout(errorPane_);
  paneLayout->setContentsMargins(0, 0, 0, 0);
  dataLabel_ = new QLabel(T("Plik danych: "), errorPane_);
  dataLabel_->setObjectName(QStringLiteral("dataFileLabel"));
  errorViewer_ = new olv::PageViewer(errorPane_);
  errorViewer_->setObjectName(QStringLiteral("errorViewer"));
  connect(errorViewer_, &olv::PageViewer::entered, this, [this] { focusedViewer_ = 3; });
  paneLayout->addWidget(dataLabel_);
  paneLayout->addWidget(errorViewer_, 1);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);
  layout->addWidget(split, 1);
  return panel;
}

QWidget* TMainForm::buildSettingsPanel() {
  auto* panel = new QWidget;
  panel->setObjectName(QStringLiteral("panelSettings"));
  HelpSystem::setContext(panel, kHelpSettings);
  auto* layout = new QVBoxLayout(panel);
  auto check = [&](QWidget* parent, const char* caption, const char* name) {
    auto* c = new QCheckBox(T(caption), parent);
    c->setObjectName(QLatin1String(name));
    return c;
  };
  auto folderRow = [&](QWidget* parent, QLineEdit*& edit, const char* name) {
    auto* row = new QHBoxLayout;
    edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    auto* browse = new QPushButton(T("..."), parent);
    browse->setFixedWidth(32);
    QLineEdit* target = edit;
    connect(browse, &QPushButton::clicked, this, [this, target] {
      const QString chosen = prompts_.folder(T("Wybierz folder"), target->text());
      if (!chosen.isEmpty()) target->setText(chosen);
    });
    row->addWidget(edit, 1);
    row->addWidget(browse);
    return row;
  };

  auto* analysis = new QGroupBox(T("Analiza"), panel);
  auto* a = new QVBoxLayout(analysis);
  exclComments_ = check(analysis, "Pomiń komentarze", "exclComments");
  exclWhite_ = check(analysis, "Pomiń znaki nieznaczące", "exclWhiteChars");
  condensed_ = check(analysis, "Raport skondensowany", "reportCondensed");
  a->addWidget(exclComments_);
  a->addWidget(exclWhite_);
  a->addWidget(condensed_);
  auto* limitRow = new QHBoxLayout;
  limitRow->addWidget(new QLabel(T("Limit liczby błędów: "), analysis));
  maxErrors_ = new QSpinBox(analysis);
  maxErrors_->setObjectName(QStringLiteral("maxErrors"));
  maxErrors_->setRange(0, guiSettings::kMaxErrorsLimit);
  limitRow->addWidget(maxErrors_);
  limitRow->addStretch(1);
  a->addLayout(limitRow);
  layout->addWidget(analysis);

  auto* outputs = new QGroupBox(T("Foldery wyjściowe"), panel);
  auto* o = new QVBoxLayout(outputs);
  saveDataDefault_ = check(outputs, "Zapisuj pliki danych w katalogu domyślnym", "saveDataDefault");
  o->addWidget(saveDataDefault_);
  o->addLayout(folderRow(outputs, dataFolder_, "dataFolder"));
  layout->addWidget(outputs);

  auto* reports = new QGroupBox(T("Domyślny folder raportów"), panel);
  auto* r = new QVBoxLayout(reports);
  r->addLayout(folderRow(reports, reportFolder_, "reportFolder"));
  saveReports_ = check(reports, "Zawsze zapisuj raporty", "saveReports");
  saveReportsDefault_ =
      check(reports, "Zapisuj raporty w katalogu domyślnym", "saveReportsDefault");
  r->addWidget(saveReports_);
  r->addWidget(saveReportsDefault_);
  layout->addWidget(reports);

  saveFileList_ = check(panel, "Zapisz listę plików przy wyjściu z programu", "saveFileList");
  layout->addWidget(saveFileList_);
  layout->addStretch(1);
  return panel;
}

QWidget* TMainForm::buildAboutPanel() {
  auto* panel = new QWidget;
  panel->setObjectName(QStringLiteral("panelAbout"));
  HelpSystem::setContext(panel, kHelpAbout);
  auto* layout = new QVBoxLayout(panel);
  layout->addStretch(1);
  auto* title = new QLabel(QStringLiteral("OLVEN"), panel);
  QFont f = title->font();
  f.setPointSizeF(f.pointSizeF() * 2.5);
  f.setBold(true);
  title->setFont(f);
  title->setAlignment(Qt::AlignCenter);
  layout->addWidget(title);
  auto* text = new QLabel(T("Kontrola plików wymiany danych ewidencyjnych (SWDE):\n"
                            "analiza syntaktyczna i semantyczna, scalanie,\n"
                            "autoryzacja i weryfikacja."),
                          panel);
  text->setAlignment(Qt::AlignCenter);
  layout->addWidget(text);
  version_ = new QLabel(panel);
  version_->setObjectName(QStringLiteral("versionLabel"));
  version_->setAlignment(Qt::AlignCenter);
  layout->addWidget(version_);
  layout->addStretch(2);
  return panel;
}

void TMainForm::buildSideBar() {
  sideBar_ = new QButtonGroup(this);
  sideBar_->setExclusive(true);
  struct Button {
    const char* text;
    Panel panel;
    QStyle::StandardPixmap icon;
  };
  const Button buttons[] = {
      {"Akcje", Panel::Actions, QStyle::SP_DirIcon},
      {"Statystyki", Panel::Statistics, QStyle::SP_FileDialogDetailedView},
      {"Raport", Panel::Report, QStyle::SP_FileDialogContentsView},
      {"Ustawienia", Panel::Settings, QStyle::SP_FileDialogListView},
      {"O programie...", Panel::About, QStyle::SP_MessageBoxInformation},
  };
  for (const Button& b : buttons) {
    auto* button = new QToolButton;
    button->setObjectName(QStringLiteral("side") + QString::number(static_cast<int>(b.panel)));
    button->setText(T(b.text));
    button->setIcon(style()->standardIcon(b.icon));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setMinimumWidth(96);
    sideBar_->addButton(button, static_cast<int>(b.panel));
  }
  connect(sideBar_, &QButtonGroup::idClicked, this,
          [this](int id) { sideBarClicked(static_cast<Panel>(id)); });
}

// ---------------------------------------------------------------------------
// Panels and states

TMainForm::Panel TMainForm::visiblePanel() const {
  return static_cast<Panel>(panels_->currentIndex());
}

void TMainForm::showPanel(Panel panel) {
  panels_->setCurrentIndex(static_cast<int>(panel));
  if (QAbstractButton* b = sideBar_->button(static_cast<int>(panel))) b->setChecked(true);
}

void TMainForm::sideBarClicked(Panel panel) {
  const bool wasVisible = visiblePanel() == panel;
  showPanel(panel);
  if (panel == Panel::Actions) {
    setUIState(8);
  } else if (!(wasVisible && (panel == Panel::Statistics || panel == Panel::Report))) {
    setUIState(7);
  }
}

void TMainForm::setUIState(int state) {
  UiCommandState::Context c;
  c.visiblePanel = visiblePanel();
  c.filePreviewVisible = !filePane_->isHidden();
  c.errorPreviewVisible = !errorPane_->isHidden();
  c.listCount = list_->topLevelItemCount();
  cmd_.apply(state, c);
  bindCommands();
}

void TMainForm::bindCommands() {
  auto on = [this](std::initializer_list<const char*> names, bool enabled) {
    for (const char* n : names)
      if (QAction* a = findChild<QAction*>(QLatin1String(n))) a->setEnabled(enabled);
  };
  on({"tbSyntax", "tbSemantic", "tbDocAuth", "tbDocVerif"}, cmd_.actionButtons);
  on({"tbMerge"}, cmd_.mergeButton);
  on({"mnSyntax", "mnSemantic", "mnMerge", "mnDocAuth", "mnDocVerif"}, cmd_.actionMenu);
  on({"tbStop", "mnStop"}, cmd_.stop);
  on({"actAdd", "actAddButton"}, cmd_.addFiles);
  on({"actRemove", "actRemoveButton"}, cmd_.removeFiles);
  on({"actUp", "actDown"}, cmd_.moveButtons);
  on({"popAdd", "popRemove", "popUp", "popDown", "popSelectAll"}, cmd_.listPopup);
  on({"popTop", "popBottom"}, cmd_.movePopupEnds);
  on({"tbPreview"}, cmd_.previewButton);
  on({"mnPreview", "popPreview"}, cmd_.previewCommands);
  on({"tbSaveReport", "tbPrint", "tbGoto", "mnSaveReport", "mnPrint", "mnGoto"},
     cmd_.reportCommands);
  on({"tbOpenReport", "mnOpenReport"}, cmd_.openReport);
  on({"actOpenAuthDoc", "tbOpenAuthDoc"}, cmd_.openAuthDocument);
  on({"rmSave", "rmSaveAs"}, cmd_.secondMenuSave);
  on({"rmPrint", "rmCopy"}, cmd_.secondMenuPrintCopy);
  on({"rpCopy", "rpSave", "rpOpen", "rpGoto"}, cmd_.reportPopup);
  on({"actCopy"}, cmd_.copy);
  on({"actSelectAll"}, cmd_.selectAll);
  QAction* preview = findChild<QAction*>(QStringLiteral("actPreviewWindow"));
  preview->setEnabled(cmd_.previewWindow);
  preview->setChecked(cmd_.previewWindowChecked);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
    // Entering the list offers selecting all and, with files, the preview;
    // leaving it takes both back.
    const bool in = event->type() == QEvent::FocusIn;
    cmd_.selectAll = in;
    cmd_.previewCommands = in && list_->topLevelItemCount() > 0;
    if (in) focusedViewer_ = 0;
    bindCommands();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::setStatus(const QString& text) {
  status_->setText(text);
}

void TMainForm::showCritical(const QString& text) {
  if (quietClose_)
    showError(text);
  else
    prompts_.notice(T("Krytyczny błąd wykonywania programu"), text);
}

void TMainForm::showError(const QString& text) {
  // A close on a stop signal asks nothing and waits for nobody: its
  // messages go to standard error.
  if (quietClose_)
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  else
    prompts_.error(text);
}

void TMainForm::showPane(QWidget* pane) {
  if (!pane->isHidden()) return;
  pane->show();
  // The layouts' requests are posted; they are carried out here so that the
  // pane has its size before a file is opened in it.
  QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

// ---------------------------------------------------------------------------
// Settings and the saved list

void TMainForm::readSettings() {
  const AnsiString failure = settings_.read();
  exclComments_->setChecked(settings_.exclComments);
  exclWhite_->setChecked(settings_.exclWhiteChars);
  saveFileList_->setChecked(settings_.saveFileList);
  condensed_->setChecked(settings_.reportCondensed);
  reportFolder_->setText(fromPath(settings_.reportDir));
  saveReports_->setChecked(settings_.saveReports);
  saveReportsDefault_->setChecked(settings_.saveReportsDefault);
  saveDataDefault_->setChecked(settings_.saveDataDefault);
  maxErrors_->setValue(settings_.maxErrors);
  dataFolder_->setText(fromPath(settings_.outputDir));
  if (!failure.empty()) prompts_.error(fromCp(failure));
  if (settings_.saveFileList) loadFileList();
}

void TMainForm::writeSettings() {
  settings_.exclComments = exclComments_->isChecked();
  settings_.exclWhiteChars = exclWhite_->isChecked();
  settings_.saveFileList = saveFileList_->isChecked();
  settings_.reportDir = toPath(reportFolder_->text());
  settings_.saveReports = saveReports_->isChecked();
  settings_.saveReportsDefault = saveReportsDefault_->isChecked();
  settings_.saveDataDefault = saveDataDefault_->isChecked();
  settings_.reportCondensed = condensed_->isChecked();
  settings_.maxErrors = maxErrors_->value();
  settings_.outputDir = toPath(dataFolder_->text());
  const AnsiString failure = settings_.write();
  if (!failure.empty()) showError(fromCp(failure));
  if (settings_.saveFileList) saveFileList();
}

void TMainForm::loadFileList() {
  const guiFileListStore store(places_.fileList);
  for (const std::string& path : store.load())
    list_->addTopLevelItem(makeItem(QByteArray::fromStdString(path)));
  if (list_->topLevelItemCount() > 0) setUIState(list_->topLevelItemCount() == 2 ? 2 : 1);
}

void TMainForm::saveFileList() {
  std::vector<std::string> paths;
  for (int i = 0; i < list_->topLevelItemCount(); ++i)
    paths.push_back(list_->topLevelItem(i)->data(0, kPathRole).toByteArray().toStdString());
  // A failed write keeps the old list; nothing else to do about it.
  (void)guiFileListStore(places_.fileList).save(paths);
}

// ---------------------------------------------------------------------------
// The file list

QTreeWidgetItem* TMainForm::makeItem(const QByteArray& path) const {
  auto* item = new QTreeWidgetItem;
  const QString name = QFile::decodeName(path);
  const QFileInfo info(name);
  item->setText(1, info.fileName());
  item->setText(2, QString::number(info.size()));
  item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
  item->setText(3, info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
  item->setToolTip(1, name);
  item->setData(0, kPathRole, path);
  item->setData(0, kStateImageRole, -1);
  return item;
}

void TMainForm::addFiles() {
  if (cmd_.running) return;
  const QString filter = T(kSwdeFilter) + QStringLiteral(";;") +
                         T("Pliki Swing (*.swg *.dat *.swing *.SWG *.DAT *.SWING)") +
                         QStringLiteral(";;") + T(kAllFilter);
  const QStringList chosen = prompts_.openFiles(T("Wybór plików"), QString(), filter, true);
  if (!chosen.isEmpty()) addPaths(chosen);
}

void TMainForm::addPaths(const QStringList& paths) {
  if (cmd_.running) return;
  QTreeWidgetItem* before = nullptr;
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (!selected.isEmpty()) before = selected.first();
  int at = before ? list_->indexOfTopLevelItem(before) : list_->topLevelItemCount();
  for (const QString& p : paths) list_->insertTopLevelItem(at++, makeItem(QFile::encodeName(p)));
  afterListChange();
}

void TMainForm::afterListChange() {
  const int n = list_->topLevelItemCount();
  setUIState(n == 0 ? 5 : n == 2 ? 2 : 1);
}

void TMainForm::removeFiles() {
  if (cmd_.running) return;
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  for (QTreeWidgetItem* item : selected) delete item;
  afterListChange();
}

void TMainForm::moveSelected(Move how) {
  if (cmd_.running) return;
  QList<int> rows;
  for (QTreeWidgetItem* item : list_->selectedItems()) rows << list_->indexOfTopLevelItem(item);
  if (rows.isEmpty()) return;
  std::sort(rows.begin(), rows.end());
  const int n = list_->topLevelItemCount();
  QList<QTreeWidgetItem*> taken;
  // Items taken from the bottom up keep the other rows' numbers.
  for (auto it = rows.rbegin(); it != rows.rend(); ++it)
    taken.prepend(list_->takeTopLevelItem(*it));
  int at = 0;
  switch (how) {
    case Move::Up:
      at = std::max(0, rows.first() - 1);
      break;
    case Move::Down:
      at = std::min(n - static_cast<int>(rows.size()), rows.first() + 1);
      break;
    case Move::Top:
      at = 0;
      break;
    case Move::Bottom:
      at = n - static_cast<int>(rows.size());
      break;
  }
  list_->insertTopLevelItems(at, taken);
  list_->clearSelection();
  for (QTreeWidgetItem* item : taken) item->setSelected(true);
  list_->setCurrentItem(taken.first(), 1, QItemSelectionModel::NoUpdate);
}

void TMainForm::previewFile() {
  QTreeWidgetItem* item = list_->currentItem();
  if (!item || !item->isSelected()) {
    const auto selected = list_->selectedItems();
    item = selected.isEmpty() ? nullptr : selected.first();
  }
  if (!item) return;
  const QByteArray path = item->data(0, kPathRole).toByteArray();
  showPane(filePane_);
  filePreview_->loadFile(path.toStdString());
  fileLabel_->setText(T("Plik: ") + QFile::decodeName(path));
  if (!filePreview_->isOpen()) prompts_.error(T("Blad otwarcia pliku"));
  if (visiblePanel() == Panel::Actions) {
    cmd_.previewWindowChecked = true;
    cmd_.copy = true;
    bindCommands();
  }
}

// ---------------------------------------------------------------------------
// Actions

ActionInputs TMainForm::inputs() const {
  ActionInputs in;
  in.exclComments = exclComments_->isChecked();
  in.exclWhiteChars = exclWhite_->isChecked();
  in.saveDataDefault = saveDataDefault_->isChecked();
  in.reportCondensed = condensed_->isChecked();
  in.outputFolder = toPath(dataFolder_->text());
  in.reportFolder = toPath(reportFolder_->text());
  in.maxErrors = maxErrors_->value();
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    const QByteArray path = list_->topLevelItem(i)->data(0, kPathRole).toByteArray();
    in.files.push_back({plat::extractFileName(path.toStdString()), path.toStdString()});
  }
  return in;
}

bool TMainForm::runStarter(Action action, ActionInputs& in) {
  if (starter_) return starter_(*actions_, in, action);
  switch (action) {
    case Action::Syntax:
      return actions_->startSyntax(in);
    case Action::Semantic:
      return actions_->startSemantic(in);
    case Action::Merge:
      return actions_->startMerge(in);
    case Action::DocAuth:
      return actions_->startDocAuth(in);
    case Action::DocVerif:
      return actions_->startDocVerif(in);
  }
  return false;
}

void TMainForm::startAction(Action action) {
  // One action at a time: until the timer has finished the action (also
  // after a stop) a click does nothing.
  if (actions_) return;
  const int count = list_->topLevelItemCount();
  std::string resultPath;
  if (action == Action::Merge) {
    if (count != 2) {
      prompts_.warning(count < 3 ? T("Do scalania niezbędne są dwa pliki!")
                                 : T("Scalać można tylko dwa pliki!"));
      return;
    }
    const QString folder =
        saveDataDefault_->isChecked() ? QDir::currentPath() : startFolder(true, dataFolder_);
    int type = 0;
    const QString chosen =
        prompts_.saveFile(T("Zapisz wynik scalania jako..."), folder,
                          T(kSwdeFilter) + QStringLiteral(";;") + T(kAllFilter), &type);
    if (chosen.isEmpty()) return;
    resultPath = toPath(chosen);
    if (QFileInfo(chosen).suffix().isEmpty()) resultPath += ".swde";
    // The result must not overwrite one of the files it is made of.
    const AnsiString conflict = guiActions::mergeOutputConflict(inputs(), resultPath);
    if (!conflict.empty()) {
      prompts_.error(fromCp(conflict));
      return;
    }
  } else if (count == 0) {
    const char* message = action == Action::Syntax     ? "Wybierz pliki do sprawdzenia syntaktyki"
                          : action == Action::Semantic ? "Wybierz pliki do sprawdzenia semantyki"
                          : action == Action::DocAuth
                              ? "Wybierz pliki do przeprowadzenia autoryzacji"
                              : "Wybierz pliki do przeprowadzenia weryfikacji";
    prompts_.warning(T(message));
    return;
  }

  if (!tempReport_.empty()) {
    offerReportSave();
    if (!tempReport_.empty()) dropTemporaryReport();
  }

  actions_ = std::make_unique<guiActions>(&timerSwitch_);
  // A critical failure is told at once, from the worker, by a queued call:
  // this thread may be waiting in a stop at that moment.
  actions_->setCriticalNotifier([this](const AnsiString& text, const AnsiString&) {
    const QString message = fromCp(text);
    QMetaObject::invokeMethod(
        this, [this, message] { showCritical(message); }, Qt::QueuedConnection);
  });
  if (action == Action::Merge) actions_->setResultPath(resultPath);
  ActionInputs in = inputs();
  const bool started = runStarter(action, in);
  // The starters normalise the folder edits.
  dataFolder_->setText(fromPath(in.outputFolder));
  reportFolder_->setText(fromPath(in.reportFolder));
  if (!started) {
    const AnsiString message = actions_->errorMessage();
    timer_.stop();
    actions_.reset();
    prompts_.error(fromCp(message));
    return;
  }
  presenter_.begin(actions_->startTick());

  const char* startMessage = action == Action::Syntax ? "Uruchomiono proces analizy syntaktycznej"
                             : action == Action::Semantic
                                 ? "Uruchomiono proces analizy semantycznej"
                             : action == Action::DocAuth  ? "Uruchomiono proces autoryzacji"
                             : action == Action::DocVerif ? "Uruchomiono proces weryfikacji"
                                                          : "Uruchomiono proces scalania";
  showPanel(Panel::Statistics);
  setStatus(T(startMessage));
  resetStatistics();
  setUIState(3);
}

void TMainForm::stopAction() {
  if (!actions_ || !actions_->getProcess()) return;
  actions_->getProcess()->stop(3000);
  setStatus(T("Przerwano proces przetwarzania"));
  setUIState(6);
}

void TMainForm::resetStatistics() {
  for (QLabel* l : {statFile_, statFormat_, statState_, statRecords_, statWarnings_, statErrors_,
                    statRemaining_, statReportFile_})
    l->clear();
  progress_->setValue(0);
  livePreview_->clear();
  presenter_.previewCleared();
  errorPane_->hide();
  cmd_.previewWindowChecked = false;
  bindCommands();
  report_->closeFile();
  errorViewer_->closeFile();
  shownReport_.clear();
  reportLabel_->clear();
  dataLabel_->setText(T("Plik danych: "));
  statElapsed_->setText(QStringLiteral("---"));
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    list_->topLevelItem(i)->setIcon(0, QIcon());
    list_->topLevelItem(i)->setData(0, kStateImageRole, -1);
  }
}

void TMainForm::pollProgress() {
  if (!actions_) {
    timer_.stop();
    return;
  }
  ProgressPresenter::View v = presenter_.tick(*actions_, steadyMs(), previewOff_->isChecked());
  if (v.clearPreview) livePreview_->clear();
  if (!v.previewLines.empty()) {
    QString text;
    for (std::size_t i = 0; i < v.previewLines.size(); ++i) {
      if (i > 0) text += QLatin1Char('\n');
      text += fromCp(v.previewLines[i]);
    }
    livePreview_->appendPlainText(text);
  }
  progress_->setValue(static_cast<int>(v.progressPerMille));
  if (v.elapsed) statElapsed_->setText(fromCp(*v.elapsed));
  if (v.remaining) statRemaining_->setText(fromCp(*v.remaining));
  if (v.labelsChanged) {
    statFile_->setText(fromCp(v.fileName));
    statFormat_->setText(fromCp(v.format));
    statState_->setText(fromCp(v.stateMessage));
    statRecords_->setText(QString::number(v.records));
  }
  if (v.warnings) statWarnings_->setText(QString::number(*v.warnings));
  if (v.errors) statErrors_->setText(QString::number(*v.errors));
  for (const auto& [index, image] : v.stateImages) {
    // The list may have changed since the action started.
    if (index < 0 || index >= list_->topLevelItemCount()) continue;
    QTreeWidgetItem* item = list_->topLevelItem(index);
    item->setIcon(0, style()->standardIcon(image == 0 ? QStyle::SP_MessageBoxCritical
                                                      : QStyle::SP_DialogApplyButton));
    item->setData(0, kStateImageRole, image);
  }
  if (v.finished) finishAction();
}

void TMainForm::finishAction() {
  timer_.stop();
  if (bzProcessThread* process = actions_->getProcess()) {
    process->waitFor();
  }
  actions_->deleteProcess();
  tempReport_ = actions_->saveReport();
  const AnsiString failure = tempReport_.empty() ? actions_->errorMessage() : AnsiString();
  reportSaved_ = false;
  statReportFile_->setText(fromPath(tempReport_));
  statRemaining_->setText(QStringLiteral("---"));
  actions_.reset();
  if (!failure.empty()) showError(fromCp(failure));
  if (!tempReport_.empty()) loadReport(tempReport_);
  setStatus(T("Zakończono przetwarzanie"));
  setUIState(6);
  progress_->setValue(0);
}

// ---------------------------------------------------------------------------
// Reports

bool TMainForm::loadReport(const std::string& path) {
  showPanel(Panel::Report);
  if (report_->loadRepFile(path) != 0) {
    shownReport_.clear();
    reportLabel_->clear();
    showError(T("Błąd otwarcia pliku raportu: ") + fromPath(path));
    cmd_.reportCommands = false;
    bindCommands();
    return false;
  }
  shownReport_ = path;
  reportLabel_->setText(fromPath(path));
  report_->update();
  setUIState(4);
  return true;
}

void TMainForm::dropTemporaryReport() {
  if (tempReport_.empty()) return;
  if (shownReport_ == tempReport_) {
    report_->closeFile();
    shownReport_.clear();
    reportLabel_->clear();
  }
  ::unlink(tempReport_.c_str());
  tempReport_.clear();
}

bool TMainForm::saveReportAs(const std::string& path, const char* kind) {
  const std::string k = kind;
  if (k == "rpt") {
    if (shownReport_.empty()) return false;
    const std::string source = shownReport_;
    if (!plat::sameFile(source, path)) {
      report_->closeFile();
      const std::string reason = copyReplacing(source, path);
      if (!reason.empty()) {
        // The shown report stays, and so does the temporary one.
        report_->loadRepFile(source);
        prompts_.error(T("Nie można zapisać raportu w pliku ") + fromPath(path) +
                       QStringLiteral(" (") + fromCp(reason) + QStringLiteral(")"));
        return false;
      }
      if (!tempReport_.empty() && source == tempReport_) {
        ::unlink(tempReport_.c_str());
        tempReport_.clear();
      }
    }
    // Saved onto the file it shows: only shown again.
    reportSaved_ = true;
    const bool loaded = loadReport(path);
    if (!tempReport_.empty() && plat::sameFile(tempReport_, path)) tempReport_.clear();
    return loaded;
  }
  const int r = k == "txt" ? report_->saveAsTextFile(path) : report_->saveAsCommaDelimited(path);
  if (r != 0) {
    prompts_.error(T("Nie można zapisać raportu w pliku ") + fromPath(path));
    return false;
  }
  reportSaved_ = true;
  return true;
}

QString TMainForm::startFolder(bool useEdit, const QLineEdit* edit) const {
  if (useEdit && !edit->text().trimmed().isEmpty()) return edit->text().trimmed();
  return QDir::currentPath();
}

TMainForm::SaveResult TMainForm::saveReportDialog(bool twoTypes) {
  QString filter = T(kRptType) + QStringLiteral(";;") + T(kTxtType);
  if (!twoTypes) filter += QStringLiteral(";;") + T(kCdtType);
  int type = 0;
  const QString chosen = prompts_.saveFile(
      T("Zapisz raport jako..."), startFolder(saveReportsDefault_->isChecked(), reportFolder_),
      filter, &type);
  if (chosen.isEmpty()) return SaveResult::Cancelled;
  static const char* const kinds[] = {"rpt", "txt", "cdt"};
  static const char* const exts[] = {".rpt", ".txt", ".cdt"};
  if (type < 0 || type > (twoTypes ? 1 : 2)) type = 0;
  const std::string path = withExtension(toPath(chosen), exts[type]);
  return saveReportAs(path, kinds[type]) ? SaveResult::Saved : SaveResult::Failed;
}

void TMainForm::offerReportSave() {
  if (reportSaved_ || tempReport_.empty()) return;
  if (prompts_.ask(T("Raport nie został zapisany. Kontynuowanie spowoduje jego utratę!! "
                     "Czy chcesz zapisać?"))) {
    const SaveResult r = saveReportDialog(false);
    // A save that failed keeps the report: it is not lost for the user's
    // answer.
    if (r != SaveResult::Cancelled) return;
  }
  dropTemporaryReport();
}

void TMainForm::openReportDialog() {
  const QStringList chosen = prompts_.openFiles(
      T("Otwórz raport"), startFolder(saveReportsDefault_->isChecked(), reportFolder_),
      T("Pliki raportów (*.rpt *.RPT)"), false);
  if (chosen.isEmpty()) return;
  if (!tempReport_.empty()) offerReportSave();
  livePreview_->clear();
  presenter_.previewCleared();
  errorPane_->hide();
  report_->closeFile();
  errorViewer_->closeFile();
  reportLabel_->clear();
  dataLabel_->setText(T("Plik danych: "));
  if (loadReport(toPath(chosen.first()))) {
    reportSaved_ = true;
    setUIState(4);
  }
}

void TMainForm::goToErrorLine() {
  std::string file;
  std::int64_t line = -1;
  const std::int64_t pos = report_->getFilePos(file, &line);
  if (file.empty() || (pos < 0 && line <= 0)) return;
  // The pane first, laid out now: the viewer makes its page at its shown
  // size.
  showPane(errorPane_);
  if (pos >= 0) {
    errorViewer_->loadFile(file);
    errorViewer_->selectPos(static_cast<std::uint64_t>(pos), line - 1);
  } else if (line > 0) {
    // Past what a position can say: the line number alone.
    errorViewer_->loadFile(file);
    errorViewer_->select(line - 1);
  }
  dataLabel_->setText(T("Plik danych: ") + fromPath(file));
  cmd_.previewWindowChecked = true;
  bindCommands();
}

void TMainForm::printReport() {
  if (shownReport_.empty()) return;
  QPrinter printer;
  if (prompts_.print(printer)) report_->PrintRep(printer);
}

void TMainForm::copySelection() {
  switch (focusedViewer_) {
    case 2:
      if (!shownReport_.empty()) report_->copyToClipboard();
      break;
    case 3:
      if (errorViewer_->isOpen()) errorViewer_->copyToClipboard();
      break;
    case 1:
      if (filePreview_->isOpen()) filePreview_->copyToClipboard();
      break;
    default:
      break;
  }
}

void TMainForm::togglePreviewWindow(bool on) {
  QWidget* pane = visiblePanel() == Panel::Report ? errorPane_ : filePane_;
  pane->setVisible(on);
  cmd_.previewWindowChecked = on;
  cmd_.copy = on;
  bindCommands();
}

// ---------------------------------------------------------------------------
// Documents, modules and help

void TMainForm::openDocumentDialog(bool fromToolButton) {
  const QStringList chosen =
      prompts_.openFiles(T("Wybierz plik"), QString(),
                         T(fromToolButton ? "Pliki autoryzacji (*.rtf *.RTF)"
                                          : "Pliki dokumentu autoryzacji (*.rtf *.RTF)"),
                         false);
  if (!chosen.isEmpty()) openDocument(chosen.first());
}

TForm3* TMainForm::openDocument(const QString& path) {
  // Each opening its own window; a file that cannot be read leaves it open
  // and empty under its message.
  auto* doc = new TForm3(prompts_, this);
  doc->loadFile(path);
  doc->show();
  return doc;
}

TModulesForm* TMainForm::openModules() {
  auto* modules = new TModulesForm(prompts_, this);
  modules->show();
  return modules;
}

void TMainForm::showHelp(int context) {
  QString message;
  if (!HelpSystem::instance().showContext(context, &message) && !message.isEmpty())
    prompts_.error(message);
}

void TMainForm::launchWizard() {
  const int err = WizardLauncher::launch(places_.programFolder + WizardLauncher::kProgram);
  if (err != 0) prompts_.error(fromCp(WizardLauncher::failureMessage(err)));
}

// ---------------------------------------------------------------------------
// Closing

void TMainForm::closeWithoutQuestions() {
  quietClose_ = true;
  close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (actions_) {
    if (!quietClose_ && actions_->isRunning() && !prompts_.ask(T("Czy zamknąć aplikację ?"))) {
      event->ignore();
      return;
    }
    if (bzProcessThread* process = actions_->getProcess()) process->stop(3000);
    if (quietClose_) {
      // What the stopped run found is kept as a temporary report.
      finishAction();
    } else {
      timer_.stop();
      actions_.reset();
    }
  }
  if (!tempReport_.empty()) {
    if (quietClose_ && !reportSaved_) {
      std::fprintf(stderr, "%s%s\n", T("Raport nie został zapisany: ").toLocal8Bit().constData(),
                   tempReport_.c_str());
    } else {
      offerReportSave();
      // Exported as text only, or declined: the temporary file goes.
      dropTemporaryReport();
    }
  }
  report_->closeFile();
  writeSettings();
  // The document and module windows and the help go with the window.
  for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (qobject_cast<TForm3*>(w) || qobject_cast<TModulesForm*>(w)) w->close();
  HelpSystem::instance().closeAll();
  event->accept();
}

}  // namespace swde
