// The main window over its pages and prompts: the list drawn after add,
// modify and delete (texts, images, command indexes), a click or a key
// selecting a command's whole block, the buttons that need a selection or
// a list, save and open with their dialogs and questions, and closing.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "WizardSupport.h"
#include "support/Files.h"
#include "wizard/wizPicture.h"

namespace {

using swde::TForm1;
using swde::wizPage;
using wizardtest::Answer;
using wizardtest::check;
using wizardtest::child;
using wizardtest::click;
using wizardtest::FakePrompts;
using wizardtest::Icon;
using wizardtest::q;
using wizardtest::setText;
using wizardtest::T;
using wizardtest::WizardTest;

const QString kNotSaved = QStringLiteral("[plik nie zapisany]");

class WizardMainWindowTest : public WizardTest {
 protected:
  // Clicks a row of the list as the user does.
  void clickRow(int row) {
    QTreeWidget* list = form->commandList();
    const QRect rect = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  }

  bool enabled(const char* button) { return child<QPushButton>(*form, button)->isEnabled(); }
  QString shownName() { return child<QLineEdit>(*form, "fileName")->text(); }

  // Row texts and images against the list, with the selected block.
  void expectRows(const std::vector<std::pair<const char*, int>>& expected,
                  const std::vector<std::size_t>& commands, int selectedCommand = -1) {
    QTreeWidget* list = form->commandList();
    ASSERT_EQ(list->topLevelItemCount(), static_cast<int>(expected.size()));
    ASSERT_EQ(commands.size(), expected.size());
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      SCOPED_TRACE(i);
      QTreeWidgetItem* item = list->topLevelItem(i);
      EXPECT_EQ(item->text(1), T(expected[i].first));
      EXPECT_EQ(item->data(0, TForm1::kCommandRole).toULongLong(), commands[i]);
      const int image = expected[i].second;
      const QImage shown = item->icon(0).pixmap(16, 16).toImage();
      EXPECT_EQ(shown.isNull(), image < 0);
      if (image >= 0) {
        EXPECT_EQ(shown, swde::wizPicture::rowIcon(image).pixmap(16, 16).toImage());
      }
      EXPECT_EQ(item->isSelected(), static_cast<int>(commands[i]) == selectedCommand);
    }
  }
};

const std::vector<std::pair<const char*, int>> kSyntax = {
    {"Sprawdzenie poprawności syntaktycznej pliku(ów):", 0},
    {"a.swd", 5},
    {"dział b.swd", 5},
    {"Wyniki zapisane do pliku raportu", 7},
    {"r.rpt", -1}};
const std::vector<std::pair<const char*, int>> kMerge = {
    {"Scalenie plików :", 4}, {"x.swd", 5}, {"y.swd", 5}, {"Plik wynikowy:", 6}, {"wynik.swd", -1}};
const std::vector<std::pair<const char*, int>> kAuthorization = {
    {"Generacja dokumentu autoryzacji pliku(ów):", 3},
    {"g.swd", 5},
    {"Dodatkowe prarametry", 8},
    {"pomijaj komentarze", -1},
    {"pomijaj białe znaki", -1}};
const std::vector<std::pair<const char*, int>> kSemantic = {
    {"Sprawdzenie poprawności semantycznej pliku(ów):", 1},
    {"x.swd", 5},
    {"y.swd", 5},
    {"Dodatkowe prarametry", 8},
    {"raport w postaci skondesowanej", -1}};

template <typename T>
std::vector<T> join(std::initializer_list<std::vector<T>> parts) {
  std::vector<T> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
std::vector<std::size_t> block(std::size_t command, std::size_t rows) {
  return std::vector<std::size_t>(rows, command);
}

TEST_F(WizardMainWindowTest, CommandsAddedModifiedAndDeletedAreDrawnAsSelectableBlocks) {
  make();
  expectRows({}, {});
  EXPECT_EQ(shownName(), kNotSaved);
  for (const char* b : {"btnModify", "btnDelete", "btnSave"}) EXPECT_FALSE(enabled(b)) << b;

  add({"rbSK", {T("a.swd"), T("dział b.swd")}, nullptr, "r.rpt"});
  // The output and the options pages are not shown for a syntax check.
  EXPECT_EQ(pagesShown, (std::vector<QString>{"TwizSetFunc", "TwizSetInFiles", "TwizSetRaport"}));
  add({"rbSC", {T("x.swd"), T("y.swd")}, "wynik.swd"});
  add({"rbGA", {T("g.swd")}, nullptr, "", false, true});
  const auto commands = join<std::size_t>({block(0, 5), block(1, 5), block(2, 5)});
  expectRows(join<std::pair<const char*, int>>({kSyntax, kMerge, kAuthorization}), commands);
  EXPECT_FALSE(form->editor().saved());
  EXPECT_EQ(shownName(), kNotSaved);
  EXPECT_TRUE(enabled("btnSave"));
  EXPECT_FALSE(enabled("btnModify"));

  // A click on any row selects its command's block; so do the arrow keys.
  clickRow(7);
  expectRows(join<std::pair<const char*, int>>({kSyntax, kMerge, kAuthorization}), commands, 1);
  EXPECT_EQ(form->selectedCommand(), 1u);
  QTest::keyClick(form->commandList(), Qt::Key_Down);
  QTest::keyClick(form->commandList(), Qt::Key_Down);
  QTest::keyClick(form->commandList(), Qt::Key_Down);
  expectRows(join<std::pair<const char*, int>>({kSyntax, kMerge, kAuthorization}), commands, 2);
  EXPECT_TRUE(enabled("btnModify"));
  EXPECT_TRUE(enabled("btnDelete"));

  // The merge becomes a condensed semantic check: its output goes, the
  // options page is passed, and the block stays selected.
  clickRow(5);
  script({"rbSP", {}, nullptr, "", true});
  click(*form, "btnModify");
  EXPECT_TRUE(steps.empty());
  expectRows(join<std::pair<const char*, int>>({kSyntax, kSemantic, kAuthorization}), commands, 1);

  // A modify abandoned on its first page changes nothing, not even what
  // was passed on the way.
  steps = {next([](wizPage& p) { check(p, "rbWA"); }), back(), back()};
  click(*form, "btnModify");
  EXPECT_TRUE(steps.empty());
  expectRows(join<std::pair<const char*, int>>({kSyntax, kSemantic, kAuthorization}), commands, 1);

  click(*form, "btnDelete");
  expectRows(join<std::pair<const char*, int>>({kSyntax, kAuthorization}),
             join<std::size_t>({block(0, 5), block(1, 5)}));
  EXPECT_FALSE(enabled("btnModify"));
  EXPECT_FALSE(enabled("btnDelete"));

  // An add backed out of its first page adds nothing.
  pagesShown.clear();
  steps = {back()};
  click(*form, "btnAdd");
  EXPECT_EQ(pagesShown, std::vector<QString>{"TwizSetFunc"});
  EXPECT_EQ(form->commandList()->topLevelItemCount(), 10);
  EXPECT_TRUE(form->isVisible());

  // The image column is 25 wide; the text column takes the longest row
  // whole, a name wider than the list too (it scrolls).
  const QString longName = QStringLiteral("/dane/") + QString(200, QLatin1Char('x')) + ".swd";
  add({"rbWA", {longName}});
  QTreeWidget* list = form->commandList();
  EXPECT_EQ(list->columnWidth(0), 25);
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    const QString text = list->topLevelItem(i)->text(1);
    EXPECT_LE(list->fontMetrics().horizontalAdvance(text), list->columnWidth(1)) << i;
  }
  EXPECT_GT(list->header()->length(), list->viewport()->width());
  EXPECT_TRUE(prompts.told.empty());
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(WizardMainWindowTest, SaveAndOpenGoThroughTheirDialogsAndQuestions) {
  make();
  add({"rbSK", {T("a.swd")}});
  const std::string saved = dir / "polecenia ż.txt";
  prompts.saves.push_back(q(saved));
  click(*form, "btnSave");
  ASSERT_EQ(prompts.dialogs.size(), 2u);  // the files of the page, then the save
  const FakePrompts::Dialog& save = prompts.dialogs[1];
  EXPECT_EQ(save.title, T("Zapisz plik poleceń"));
  EXPECT_EQ(save.filters,
            (QStringList{T("Plik tekstowy (*.txt *.TXT)"), T("Wszystkie pliki (*)")}));
  EXPECT_TRUE(save.save);
  EXPECT_EQ(save.suffix, QStringLiteral("txt"));
  EXPECT_FALSE(save.askOverwrite) << "the wizard asks itself";
  EXPECT_EQ(testsupport::readFile(saved), "SK -pwe a.swd ;\r\n");
  EXPECT_EQ(shownName(), q(saved));
  EXPECT_TRUE(form->editor().saved());

  // The same file again: asked, and kept on No.
  add({"rbWA", {T("w.swd")}});
  prompts.saves.push_back(q(saved));
  prompts.answers.push_back(Answer::No);
  click(*form, "btnSave");
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(
      prompts.asked[0],
      (FakePrompts::Box{T("Pytanie"), T("Podany plik już istnienje. Zastąpić?"), Icon::Question}));
  EXPECT_EQ(testsupport::readFile(saved), "SK -pwe a.swd ;\r\n");
  EXPECT_FALSE(form->editor().saved());

  // Open with an unsaved list: Cancel on the question opens nothing.
  prompts.answers.push_back(Answer::Cancel);
  click(*form, "btnOpen");
  EXPECT_EQ(prompts.dialogs.size(), 4u);
  EXPECT_EQ(form->commandList()->topLevelItemCount(), 4);

  // No goes on to the dialog; the file read replaces the list.
  const std::string other = dir / "inne.txt";
  testsupport::writeFile(other,
                         "sp -pwe x.swd y.swd -rk;\r\nSC -pwe x.swd y.swd -pwy wynik.swd;\n");
  prompts.answers.push_back(Answer::No);
  prompts.opens.push_back({q(other)});
  click(*form, "btnOpen");
  ASSERT_EQ(prompts.dialogs.size(), 5u);
  const FakePrompts::Dialog& open = prompts.dialogs[4];
  EXPECT_EQ(open.title, T("Otwórz plik poleceń"));
  EXPECT_EQ(open.filters, QStringList{T("Wszystkie pliki (*)")});
  EXPECT_FALSE(open.save);
  EXPECT_FALSE(open.multiple);
  expectRows(join<std::pair<const char*, int>>({kSemantic, kMerge}),
             join<std::size_t>({block(0, 5), block(1, 5)}));
  EXPECT_EQ(shownName(), q(other));
  EXPECT_TRUE(form->editor().saved());

  // A file that fails part way: the message, what was read before, and no
  // name, so that a save cannot write over it unasked.
  const std::string broken = dir / "zly.txt";
  testsupport::writeFile(broken, "sk -pwe a.swd;\nsc -pwe x.swd -pwy y.swd;\nsk -pwe b.swd;\n");
  prompts.opens.push_back({q(broken)});
  click(*form, "btnOpen");
  ASSERT_EQ(prompts.told.size(), 1u);
  EXPECT_EQ(prompts.told[0],
            (FakePrompts::Box{T("Problem"),
                              T("Otwarcie pliku pleceń niemożliwe\nBłąd przetwarzania pliku z "
                                "poleceniami w linii 2. Błąd linii poleceń : zła liczba plików "
                                "wejściowych"),
                              Icon::Error}));
  expectRows({{"Sprawdzenie poprawności syntaktycznej pliku(ów):", 0}, {"a.swd", 5}}, block(0, 2));
  EXPECT_EQ(shownName(), kNotSaved);
  EXPECT_FALSE(form->editor().saved());
  EXPECT_TRUE(prompts.answers.empty());
}

TEST_F(WizardMainWindowTest, ClosingAsksAboutAnUnsavedListAndClosesTheHelp) {
  // Nothing to lose: closed at once.
  make();
  EXPECT_TRUE(form->close());
  EXPECT_TRUE(prompts.asked.empty());

  make();
  add({"rbSK", {T("a.swd")}});
  ASSERT_TRUE(swde::HelpSystem::instance().showContext(TForm1::kHelpContext));

  const struct {
    Answer answer;
    const char* savePath;  // the save dialog's answer after Yes
    bool closed;
  } cases[] = {
      {Answer::Cancel, nullptr, false},
      // Yes with a save that fails: the message, and the window stays.
      {Answer::Yes, "brak/polecenia.txt", false},
      {Answer::Yes, nullptr, false},  // the save dialog cancelled
      {Answer::No, nullptr, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    prompts.answers.push_back(c.answer);
    if (c.savePath) prompts.saves.push_back(q(dir / c.savePath));
    EXPECT_EQ(form->close(), c.closed);
    EXPECT_EQ(form->isVisible(), !c.closed);
    EXPECT_EQ(swde::HelpSystem::instance().window() != nullptr, !c.closed);
    EXPECT_EQ(
        prompts.asked.back(),
        (FakePrompts::Box{T("Pytanie"), T("Plik nie został jeszcze zapisany.\nCzy zapisać teraz?"),
                          Icon::Question}));
  }
  ASSERT_EQ(prompts.told.size(), 1u);
  EXPECT_EQ(prompts.told[0].title, T("Problem"));
  EXPECT_TRUE(prompts.told[0].text.startsWith(T("Nie można zapisać pliku poleceń: ")))
      << prompts.told[0].text.toStdString();
  EXPECT_EQ(prompts.told[0].icon, Icon::Error);
  EXPECT_TRUE(prompts.answers.empty());
}

}  // namespace
