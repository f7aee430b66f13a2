// What every window of the wizard has: its caption, its picture decoded as
// a JPEG, and its help, opened by F1 at its own place of the wizard's page
// or, when the help is missing, named once at the window's creation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "WizardSupport.h"
#include "app/help/HelpWindow.h"

namespace {

using swde::HelpSystem;
using swde::wizPage;
using wizardtest::child;
using wizardtest::FakePrompts;
using wizardtest::Icon;
using wizardtest::q;
using wizardtest::T;
using wizardtest::WizardTest;

// What F1 could not open; the filter outlives each test.
std::vector<QString>& f1Failures() {
  static std::vector<QString> failures;
  return failures;
}

class WizardWindowsTest : public WizardTest {
 protected:
  WizardWindowsTest() {
    HelpSystem::instance().installF1(*qApp, [](const QString& m) { f1Failures().push_back(m); });
    f1Failures().clear();
  }

  // The page and anchor the help window shows after F1 on widget.
  static QString helpAfterF1(QWidget* widget) {
    HelpSystem::instance().closeAll();
    QTest::keyClick(widget, Qt::Key_F1);
    swde::HelpWindow* window = HelpSystem::instance().window();
    if (!window) return QString();
    const QUrl url = window->currentUrl();
    return url.fileName() + QLatin1Char('#') + url.fragment();
  }

  static void expectPicture(QWidget& window, const swde::wizPicture& picture) {
    EXPECT_EQ(picture.format, QByteArray("jpeg"));
    EXPECT_FALSE(picture.image.isNull());
    QLabel* label = child<QLabel>(window, "picture");
    ASSERT_NE(label, nullptr);
    EXPECT_FALSE(label->pixmap().isNull());
  }
};

const struct {
  int index;
  const char* caption;
  int context;
  const char* help;
} kPages[] = {
    {0, "Wybór funkcji", 1050, "kreator.html#funkcja"},
    {1, "Wybór plików danych", 1051, "kreator.html#pliki"},
    {2, "Wybór pliku wyjściowego", 1052, "kreator.html#wynik"},
    {3, "Wybór pliku raportu", 1052, "kreator.html#wynik"},
    {4, "Dodakowe parametry", 1054, "kreator.html#opcje"},
};

TEST_F(WizardWindowsTest, EachWindowHasItsCaptionPictureAndHelp) {
  swde::TForm1& w = make();
  EXPECT_EQ(w.windowTitle(), T("Kreator pliku poleceń"));
  expectPicture(w, w.picture());
  EXPECT_EQ(helpAfterF1(w.commandList()), T("kreator.html#okno"));

  for (const auto& p : kPages) {
    SCOPED_TRACE(p.caption);
    swde::wizCommand command;
    command.code = "SC";
    const auto page = wizPage::create(p.index, command, prompts, &w);
    page->show();
    EXPECT_EQ(page->windowTitle(), T(p.caption));
    EXPECT_EQ(page->helpContext(), p.context);
    expectPicture(*page, page->picture());
    EXPECT_EQ(helpAfterF1(child<QPushButton>(*page, "btnNext")), T(p.help));
  }
  EXPECT_TRUE(f1Failures().empty());
  EXPECT_TRUE(prompts.told.empty());
}

TEST_F(WizardWindowsTest, AMissingHelpIsToldAtEachWindowsCreation) {
  HelpSystem::instance().setFolder(q(dir / "brak"));
  const QString missing = T("Nie znaleziono pliku pomocy:\n") + q(dir / "brak/index.html");
  make();
  ASSERT_EQ(prompts.told.size(), 1u);
  EXPECT_EQ(prompts.told[0],
            (FakePrompts::Box{T("Kreator pliku poleceń"), missing, Icon::Information}));

  // Each page of a syntax check tells it again when it is made.
  add({"rbSK", {T("a.swd")}});
  std::vector<QString> titles;
  for (const auto& box : prompts.told) {
    EXPECT_EQ(box.text, missing);
    titles.push_back(box.title);
  }
  EXPECT_EQ(titles, (std::vector<QString>{T("Kreator pliku poleceń"), T("Wybór funkcji"),
                                          T("Wybór plików danych"), T("Wybór pliku raportu")}));

  // F1 tells it too.
  EXPECT_EQ(helpAfterF1(form->commandList()), QString());
  EXPECT_EQ(f1Failures(), std::vector<QString>{missing});
}

}  // namespace
