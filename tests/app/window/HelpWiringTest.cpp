// The main window's help: the message at start-up when the pages are
// missing, the help commands and F1 opening the context of the focused
// part, and the help closed with the window. The pages are the test's own.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>

#include "WindowSupport.h"
#include "app/TForm3.h"
#include "app/help/HelpSystem.h"
#include "app/help/HelpWindow.h"
#include "viewers/ReportPane.h"

namespace {

namespace fs = std::filesystem;
using swde::HelpSystem;
using swde::TMainForm;
using Panel = TMainForm::Panel;
using testsupport::writeFile;
using windowtest::q;
using windowtest::WindowTest;

const int kContexts[] = {1006, 1007, 1008, 1010, 1012, 1013, 1014, 1015, 1016, 1048};

// Help pages of the test's own: a page per context, named by its number.
class HelpWiringTest : public WindowTest {
 protected:
  HelpWiringTest() : savedFolder_(HelpSystem::instance().folder()) {
    fs::create_directories(pages());
    std::string map;
    writeFile(pages() + "/index.html", "<html><body><h1>Spis</h1></body></html>");
    for (int c : kContexts) {
      const std::string page = "p" + std::to_string(c) + ".html";
      writeFile(pages() + "/" + page,
                "<html><body><h1>" + std::to_string(c) + "</h1></body></html>");
      map += std::to_string(c) + " " + page + "\n";
    }
    writeFile(pages() + "/konteksty.txt", map);
    HelpSystem::instance().setFolder(q(pages()));
  }
  ~HelpWiringTest() override {
    form.reset();
    HelpSystem::instance().closeAll();
    HelpSystem::instance().setFolder(savedFolder_);
  }
  std::string pages() const { return dir / "pomoc"; }

  // The page the help window shows: "index.html" or "p<context>.html".
  static QString shownPage() {
    swde::HelpWindow* window = HelpSystem::instance().window();
    if (!window || !window->isVisible()) return QString();
    return window->currentUrl().fileName();
  }
  static QString page(int context) { return QStringLiteral("p%1.html").arg(context); }

 private:
  QString savedFolder_;
};

TEST_F(HelpWiringTest, MissingPagesAreNamedAtStartUpAndAtARequest) {
  {
    make();
    EXPECT_TRUE(prompts.notices.empty()) << "the pages are there";
    form.reset();
  }
  HelpSystem::instance().setFolder(q(dir / "nothing"));
  TMainForm& w = make();
  const QString message = QStringLiteral("Nie znaleziono pliku pomocy:\n") + q(dir / "nothing") +
                          QStringLiteral("/index.html");
  ASSERT_EQ(prompts.notices.size(), 1u);
  EXPECT_EQ(prompts.notices[0], message);
  EXPECT_TRUE(prompts.errors.empty());

  w.findChild<QAction*>(QStringLiteral("actHelp"))->trigger();
  ASSERT_EQ(prompts.errors.size(), 1u);
  EXPECT_EQ(prompts.errors[0], message);
  EXPECT_EQ(HelpSystem::instance().window(), nullptr);
}

TEST_F(HelpWiringTest, CommandsAreOnAtStartUpAndOpenTheirContexts) {
  TMainForm& w = make();
  for (const char* name : {"actOpenAuthDoc", "tbOpenAuthDoc", "actModules", "actHelp", "tbHelp"}) {
    QAction* a = w.findChild<QAction*>(QLatin1String(name));
    ASSERT_NE(a, nullptr) << name;
    EXPECT_TRUE(a->isEnabled()) << name;
  }
  EXPECT_EQ(w.findChild<QAction*>(QStringLiteral("actHelp"))->text(),
            QStringLiteral("Pomo&c    F1"));

  const struct {
    const char* action;
    QString page;
  } cases[] = {
      {"actHelp", QStringLiteral("index.html")},
      {"tbHelp", QStringLiteral("index.html")},
      {"rpHelp", page(1014)},
      {"popHelp", page(1010)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.action);
    w.findChild<QAction*>(QLatin1String(c.action))->trigger();
    EXPECT_EQ(shownPage(), c.page);
  }
  EXPECT_TRUE(prompts.errors.empty());

  // The document window's own help.
  swde::TForm3* doc = w.openDocument(q(dir / "none.rtf"));
  doc->findChild<QAction*>(QStringLiteral("tbHelp"))->trigger();
  EXPECT_EQ(shownPage(), page(1012));

  // Closing the main window closes the help.
  w.close();
  EXPECT_EQ(HelpSystem::instance().window(), nullptr);
}

TEST_F(HelpWiringTest, F1OpensTheContextOfTheFocusedPart) {
  std::vector<QString> failures;
  HelpSystem::instance().installF1(*qApp, [&](const QString& m) { failures.push_back(m); });
  TMainForm& w = make();
  w.activateWindow();

  auto child = [&w](const char* name) { return w.findChild<QWidget*>(QLatin1String(name)); };
  const struct {
    const char* name;
    Panel panel;
    std::function<QWidget*()> widget;
    QString page;
  } cases[] = {
      {"the file list", Panel::Actions, [&] { return child("fileList"); }, page(1010)},
      {"the live preview", Panel::Statistics, [&] { return child("livePreview"); }, page(1013)},
      {"the report", Panel::Report, [&]() -> QWidget* { return w.reportPane()->view(); },
       page(1014)},
      {"the error limit", Panel::Settings, [&] { return child("maxErrors"); }, page(1015)},
      {"a side-bar button", Panel::About, [&] { return child("side0"); }, page(1008)},
      {"the tool bar", Panel::About, [&] { return child("toolBar"); }, page(1007)},
      {"the window itself", Panel::About, [&] { return static_cast<QWidget*>(&w); },
       QStringLiteral("index.html")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HelpSystem::instance().closeAll();
    w.showPanel(c.panel);
    QWidget* target = c.widget();
    ASSERT_NE(target, nullptr);
    target->setFocusPolicy(Qt::StrongFocus);
    target->setFocus();
    QTest::keyClick(target, Qt::Key_F1);
    EXPECT_EQ(shownPage(), c.page);
  }
  EXPECT_TRUE(failures.empty());
  EXPECT_TRUE(prompts.errors.empty());
}

}  // namespace
