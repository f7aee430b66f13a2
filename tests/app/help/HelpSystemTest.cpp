// The help system: a context opens its page in the one help window, which
// later requests reuse and raise; closing; the messages when the pages or
// the context map are missing or broken; F1 on the focused widget.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "HelpPages.h"
#include "app/help/HelpSystem.h"
#include "app/help/HelpWindow.h"
#include "support/Files.h"

namespace {

using swde::HelpSystem;
using swde::HelpWindow;
using testsupport::TempFolder;
using testsupport::writeFile;

const QString kSource = QStringLiteral(OLV_HELP_SOURCE);

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

int helpWindows() {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) n += qobject_cast<HelpWindow*>(w) != nullptr;
  return n;
}

// Every test starts from the shipped pages with no help window, and leaves
// the program's folder as it found it.
class HelpSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = help().folder();
    help().closeAll();
    help().setFolder(kSource);
  }
  void TearDown() override {
    help().closeAll();
    help().setFolder(saved_);
  }
  static HelpSystem& help() { return HelpSystem::instance(); }
  // The folder as the program found it.
  const QString& programFolder() const { return saved_; }
  // The page and anchor the window shows, as "page#anchor".
  static QString shown() {
    HelpWindow* w = help().window();
    if (!w) return QString();
    const QUrl url = w->currentUrl();
    QString s = QDir(kSource).relativeFilePath(url.toLocalFile());
    if (url.hasFragment()) s += QLatin1Char('#') + url.fragment();
    return s;
  }

 private:
  QString saved_;
};

TEST_F(HelpSystemTest, DefaultFolderIsPomocBesideTheProgram) {
  help().setFolder(programFolder());
  EXPECT_EQ(help().folder(), QCoreApplication::applicationDirPath() + QStringLiteral("/pomoc"));
  EXPECT_TRUE(help().available());  // the build puts the pages there
  ASSERT_TRUE(help().showContext(1016));
  EXPECT_TRUE(help().window()->browser()->toPlainText().contains(QStringLiteral("O programie")));
}

TEST_F(HelpSystemTest, EveryContextOpensItsPageAtItsHeading) {
  for (const helptest::Context& c : helptest::kContexts) {
    SCOPED_TRACE(c.number);
    QString message;
    ASSERT_TRUE(help().showContext(c.number, &message)) << message.toStdString();
    HelpWindow* w = help().window();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->browser()->toPlainText().isEmpty());
    EXPECT_TRUE(w->browser()->toPlainText().contains(QString::fromUtf8(c.heading)));
    EXPECT_EQ(helpWindows(), 1);
  }
}

TEST_F(HelpSystemTest, ContextOpensInOneModelessWindowThatLaterRequestsReuse) {
  ASSERT_TRUE(help().showContext(1014));
  QPointer<HelpWindow> first = help().window();
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->windowTitle(), QStringLiteral("OLVEN - Pomoc"));
  EXPECT_EQ(first->windowModality(), Qt::NonModal);
  EXPECT_TRUE(first->isWindow());
  EXPECT_EQ(shown(), QStringLiteral("raport.html#raport"));

  ASSERT_TRUE(help().showContext(1029));
  EXPECT_EQ(help().window(), first.data());
  EXPECT_EQ(shown(), QStringLiteral("tryb-wsadowy.html#wsadowy"));
  EXPECT_EQ(helpWindows(), 1);

  // Closed by the user: hidden, shown again by the next request.
  first->close();
  EXPECT_FALSE(first->isVisible());
  ASSERT_TRUE(help().showContext(1050));
  EXPECT_EQ(help().window(), first.data());
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(shown(), QStringLiteral("kreator.html#funkcja"));

  // A minimised window comes back.
  first->showMinimized();
  ASSERT_TRUE(help().showContext(1013));
  EXPECT_FALSE(first->isMinimized());
  EXPECT_TRUE(first->isVisible());
}

TEST_F(HelpSystemTest, ContextWithoutALineOpensTheIndex) {
  for (int context : {1, 1001, 1053, 99999}) {
    SCOPED_TRACE(context);
    ASSERT_TRUE(help().showContext(context));
    EXPECT_EQ(shown(), QStringLiteral("index.html"));
  }
}

TEST_F(HelpSystemTest, CloseAllClosesTheWindowAndTheNextRequestOpensANewOne) {
  help().closeAll();  // nothing open: nothing happens
  EXPECT_EQ(help().window(), nullptr);

  ASSERT_TRUE(help().showContext(1000));
  QPointer<HelpWindow> first = help().window();
  help().closeAll();
  EXPECT_TRUE(first.isNull());
  EXPECT_EQ(help().window(), nullptr);
  EXPECT_EQ(helpWindows(), 0);

  ASSERT_TRUE(help().showContext(1015));
  ASSERT_NE(help().window(), nullptr);
  EXPECT_TRUE(help().window()->isVisible());
  EXPECT_EQ(shown(), QStringLiteral("ustawienia.html#ustawienia"));
}

TEST_F(HelpSystemTest, BackForwardAndContentsButtons) {
  ASSERT_TRUE(help().showContext(1014));
  HelpWindow* w = help().window();
  EXPECT_FALSE(w->backButton()->isEnabled());
  EXPECT_EQ(w->contentsButton()->text(), QStringLiteral("Spis treści"));

  QTest::mouseClick(w->contentsButton(), Qt::LeftButton);
  EXPECT_EQ(shown(), QStringLiteral("index.html"));
  ASSERT_TRUE(w->backButton()->isEnabled());
  QTest::mouseClick(w->backButton(), Qt::LeftButton);
  EXPECT_EQ(shown(), QStringLiteral("raport.html#raport"));
  ASSERT_TRUE(w->forwardButton()->isEnabled());
  QTest::mouseClick(w->forwardButton(), Qt::LeftButton);
  EXPECT_EQ(shown(), QStringLiteral("index.html"));

  // A link followed inside the window stays in the help.
  w->browser()->setSource(w->currentUrl().resolved(QUrl(QStringLiteral("akcje.html#funkcje"))));
  EXPECT_EQ(shown(), QStringLiteral("akcje.html#funkcje"));
  EXPECT_TRUE(w->browser()->toPlainText().contains(QStringLiteral("Uruchamianie funkcji")));
}

// No pages: the message with the full path of index.html, and no window.
TEST_F(HelpSystemTest, MissingPagesGiveTheMessageWithThePath) {
  TempFolder dir("olvhelp");
  struct Case {
    QString folder;  // as given
    QString index;   // the full path the message names
  };
  const std::vector<Case> cases = {
      {q(dir / "pomoc"), q(dir / "pomoc/index.html")},
      {q(dir / "pomoc/"), q(dir / "pomoc/index.html")},
      {q(dir.path() + "/x/../pomoc"), q(dir / "pomoc/index.html")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder.toStdString());
    help().setFolder(c.folder);
    const QString expected = QStringLiteral("Nie znaleziono pliku pomocy:\n") + c.index;
    EXPECT_FALSE(help().available());
    EXPECT_EQ(help().missingMessage(), expected);
    QString message;
    EXPECT_FALSE(help().showContext(1000, &message));
    EXPECT_EQ(message, expected);
    EXPECT_FALSE(help().showContext(1014));  // without a place for the message
    EXPECT_EQ(help().window(), nullptr);
  }
  // A folder named index.html is no page either.
  QDir().mkpath(q(dir / "pomoc/index.html"));
  help().setFolder(q(dir / "pomoc"));
  EXPECT_FALSE(help().available());
}

// A broken map or a page it names that is missing: a message that names the
// file (and the line), and no window.
TEST_F(HelpSystemTest, BrokenContextMapOrMissingPageGivesAMessage) {
  struct Case {
    const char* map;  // null: no konteksty.txt
    int context;
    std::vector<std::string> named;  // texts the message must hold
  };
  const Case cases[] = {
      {"1000 index.html\n1014 raport.html\n1015 zle strony\n",
       1000,
       {"konteksty.txt", "wiersz 3 "}},
      {"# mapa\nx index.html\n", 1014, {"konteksty.txt", "wiersz 2 "}},
      {nullptr, 1000, {"Nie można odczytać pliku ", "konteksty.txt"}},
      {"1014 brak.html#raport\n", 1014, {"Nie znaleziono pliku pomocy:\n", "brak.html"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.map ? c.map : "(no map)");
    TempFolder dir("olvhelp");
    writeFile(dir / "index.html", "<html><body><h1>Spis</h1></body></html>");
    if (c.map) writeFile(dir / "konteksty.txt", c.map);
    help().setFolder(q(dir.path()));
    ASSERT_TRUE(help().available());
    QString message;
    EXPECT_FALSE(help().showContext(c.context, &message));
    for (const std::string& part : c.named) {
      EXPECT_TRUE(message.contains(q(part))) << message.toStdString() << " lacks " << part;
    }
    EXPECT_TRUE(message.contains(q(dir.path()))) << message.toStdString();
    EXPECT_EQ(help().window(), nullptr);
    help().setFolder(kSource);
  }
}

TEST_F(HelpSystemTest, ContextOfAWidgetIsItsOwnOrItsNearestAncestors) {
  QWidget top;
  auto* panel = new QWidget(&top);
  auto* inner = new QWidget(panel);
  auto* edit = new QLineEdit(inner);
  auto* own = new QLineEdit(panel);
  auto* loose = new QWidget(&top);
  HelpSystem::setContext(panel, 1013);
  HelpSystem::setContext(own, 1015);
  HelpSystem::setContext(nullptr, 1002);  // nothing to mark: harmless

  struct Case {
    const QWidget* widget;
    int context;
    const char* why;
  };
  const Case cases[] = {
      {panel, 1013, "its own"},       {inner, 1013, "its parent's"},
      {edit, 1013, "its ancestor's"}, {own, 1015, "its own before its parent's"},
      {loose, 1000, "none"},          {&top, 1000, "none at the top"},
      {nullptr, 1000, "no widget"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(HelpSystem::contextFor(c.widget), c.context);
  }
}

// F1 through the application's event filter: the focused widget's context
// opens; the key goes no further (an F1 shortcut does not fire, the widget
// never sees it); a missing help gives its message to the error callback.
class F1Test : public HelpSystemTest {
 protected:
  void SetUp() override {
    HelpSystemTest::SetUp();
    static bool installed = false;
    if (!installed) {
      help().installF1(*qApp, [](const QString& m) { errors().push_back(m); });
      installed = true;
    }
    errors().clear();

    auto* layout = new QVBoxLayout(&window_);
    panel_ = new QWidget(&window_);
    auto* panelLayout = new QVBoxLayout(panel_);
    child_ = new QLineEdit(panel_);
    panelLayout->addWidget(child_);
    loose_ = new QLineEdit(&window_);
    layout->addWidget(panel_);
    layout->addWidget(loose_);
    HelpSystem::setContext(panel_, 1014);

    f1Action_ = new QAction(&window_);
    f1Action_->setShortcut(QKeySequence(Qt::Key_F1));
    window_.addAction(f1Action_);
    f2Action_ = new QAction(&window_);
    f2Action_->setShortcut(QKeySequence(Qt::Key_F2));
    window_.addAction(f2Action_);

    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  }
  static std::vector<QString>& errors() {
    static std::vector<QString> list;
    return list;
  }

  QWidget window_;
  QWidget* panel_ = nullptr;
  QLineEdit* child_ = nullptr;
  QLineEdit* loose_ = nullptr;
  QAction* f1Action_ = nullptr;
  QAction* f2Action_ = nullptr;
};

TEST_F(F1Test, OpensTheContextOfTheFocusedWidget) {
  struct Case {
    bool onChild;
    bool throughWindow;  // from the window system (the window first) or sent to the widget
    const char* page;
  };
  const Case cases[] = {
      {true, false, "raport.html#raport"},
      {false, false, "index.html"},
      {true, true, "raport.html#raport"},
      {false, true, "index.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.page) + (c.throughWindow ? " through the window" : ""));
    help().closeAll();
    QLineEdit* target = c.onChild ? child_ : loose_;
    target->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), target);
    QSignalSpy typed(target, &QLineEdit::textChanged);
    QSignalSpy f1(f1Action_, &QAction::triggered);
    if (c.throughWindow)
      QTest::keyClick(window_.windowHandle(), Qt::Key_F1);
    else
      QTest::keyClick(target, Qt::Key_F1);
    EXPECT_EQ(shown(), QString::fromUtf8(c.page));
    EXPECT_EQ(f1.count(), 0) << "the F1 shortcut fired as well";
    EXPECT_EQ(typed.count(), 0);
    EXPECT_TRUE(errors().empty());
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  }
}

TEST_F(F1Test, OtherKeysAndShiftF1PassOn) {
  child_->setFocus();
  QSignalSpy f2(f2Action_, &QAction::triggered);
  QTest::keyClick(window_.windowHandle(), Qt::Key_F2);
  EXPECT_EQ(f2.count(), 1);  // shortcuts work here: F1's not firing means something
  QTest::keyClick(child_, Qt::Key_A);
  EXPECT_EQ(child_->text(), QStringLiteral("a"));
  QTest::keyClick(child_, Qt::Key_F1, Qt::ShiftModifier);
  EXPECT_EQ(help().window(), nullptr);
}

TEST_F(F1Test, MissingHelpGivesItsMessage) {
  TempFolder dir("olvhelp");
  help().setFolder(q(dir.path()));
  child_->setFocus();
  QTest::keyClick(child_, Qt::Key_F1);
  ASSERT_EQ(errors().size(), 1u);
  EXPECT_EQ(errors()[0], help().missingMessage());
  EXPECT_EQ(help().window(), nullptr);
}

}  // namespace
