// The five pages driven one at a time: what each starts with, what Next
// writes into its command, that a refused page tells why and stays open,
// that Back and closing leave the command alone, and the file dialogs
// behind the browse buttons.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>

#include "WizardSupport.h"
#include "wizard/wizPageRules.h"

namespace {

using swde::wizCommand;
using swde::wizPage;
using swde::wizPageResult;
using wizardtest::check;
using wizardtest::child;
using wizardtest::click;
using wizardtest::FakePrompts;
using wizardtest::Icon;
using wizardtest::setText;
using wizardtest::T;
using wizardtest::WizardTest;
using Pg = swde::wizPageRules::Page;

wizCommand command(const char* code, std::vector<std::string> inputs = {},
                   std::vector<std::string> options = {}, const char* output = "",
                   const char* report = "") {
  wizCommand c;
  c.code = code;
  c.inputs = std::move(inputs);
  c.options = std::move(options);
  c.output = output;
  c.report = report;
  return c;
}

std::string show(const wizCommand& c) {
  std::string s = c.code + " in[";
  for (const auto& i : c.inputs) s += i + "|";
  s += "] out[" + c.output + "] rep[" + c.report + "] opt[";
  for (const auto& o : c.options) s += o + "|";
  return s + "]";
}

void selectRow(wizPage& page, int row) {
  if (auto* list = child<QListWidget>(page, "files")) list->setCurrentRow(row);
}

const FakePrompts::Box kCount{
    T("Zła liczba plików"), T("Przy tym typie operacji trzeba podać tylko 2 pliki"), Icon::Warning};
const FakePrompts::Box kNoFile{T("Zła liczba plików"), T("Wybierz przynajmniej 1 plik"),
                               Icon::Warning};
const FakePrompts::Box kNoName{T("Problem"), T("Podaj nazwę pliku"), Icon::Warning};
FakePrompts::Box refused(const char* name) {
  return {T("Problem"), T("Tej nazwy pliku nie da się zapisać w pliku poleceń: ") + T(name),
          Icon::Warning};
}

using WizardPagesTest = WizardTest;

TEST_F(WizardPagesTest, NextWritesThePageIntoItsCommandOrTellsWhyAndStays) {
  const struct {
    const char* name;
    int page;
    wizCommand before;
    std::function<void(wizPage&, FakePrompts&)> act;
    wizPageResult result;
    wizCommand after;
    std::vector<FakePrompts::Box> told = {};
  } cases[] = {
      {"function chosen", Pg::Function, command(""),
       [](wizPage& p, FakePrompts&) {
         check(p, "rbGA");
         click(p, "btnNext");
       },
       wizPageResult::Next, command("GA")},
      {"function kept", Pg::Function, command("WA", {"a.swd"}),
       [](wizPage& p, FakePrompts&) { click(p, "btnNext"); }, wizPageResult::Next,
       command("WA", {"a.swd"})},
      {"a merge of three files",
       Pg::InputFiles,
       command("SC", {"a.swd"}),
       [](wizPage& p, FakePrompts& f) {
         f.opens.push_back({T("b.swd"), T("c.swd")});
         click(p, "btnAdd");
         click(p, "btnNext");
       },
       wizPageResult::Closed,
       command("SC", {"a.swd"}),
       {kCount}},
      {"files added after the ones there", Pg::InputFiles, command("SC", {"a.swd"}),
       [](wizPage& p, FakePrompts& f) {
         f.opens.push_back({T("dział 1.swd")});
         click(p, "btnAdd");
         click(p, "btnNext");
       },
       wizPageResult::Next, command("SC", {"a.swd", "dział 1.swd"})},
      {"the selected file removed", Pg::InputFiles, command("SK", {"a.swd", "b.swd", "c.swd"}),
       [](wizPage& p, FakePrompts&) {
         selectRow(p, 1);
         click(p, "btnDelete");
         click(p, "btnNext");
       },
       wizPageResult::Next, command("SK", {"a.swd", "c.swd"})},
      {"the last file removed",
       Pg::InputFiles,
       command("SK", {"a.swd"}),
       [](wizPage& p, FakePrompts&) {
         selectRow(p, 0);
         click(p, "btnDelete");
         click(p, "btnNext");
       },
       wizPageResult::Closed,
       command("SK", {"a.swd"}),
       {kNoFile}},
      {"a file no command file can hold",
       Pg::InputFiles,
       command("GA"),
       [](wizPage& p, FakePrompts& f) {
         f.opens.push_back({T("x;y.swd")});
         click(p, "btnAdd");
         click(p, "btnNext");
       },
       wizPageResult::Closed,
       command("GA"),
       {refused("x;y.swd")}},
      {"files added, then back", Pg::InputFiles, command("SK", {"a.swd"}),
       [](wizPage& p, FakePrompts& f) {
         f.opens.push_back({T("b.swd")});
         click(p, "btnAdd");
         click(p, "btnBack");
       },
       wizPageResult::Back, command("SK", {"a.swd"})},
      // Names in bytes the locale cannot show (cp1250 here) pass unchanged.
      {"input names kept as bytes", Pg::InputFiles, command("SK", {"\xB3\xB9ka.swd", "b.swd"}),
       [](wizPage& p, FakePrompts&) {
         selectRow(p, 1);
         click(p, "btnDelete");
         click(p, "btnNext");
       },
       wizPageResult::Next, command("SK", {"\xB3\xB9ka.swd"})},
      {"an output name kept as bytes", Pg::OutputFile,
       command("SC", {"a", "b"}, {}, "wynik\xB3.swd"),
       [](wizPage& p, FakePrompts&) { click(p, "btnNext"); }, wizPageResult::Next,
       command("SC", {"a", "b"}, {}, "wynik\xB3.swd")},
      {"no output name",
       Pg::OutputFile,
       command("SC", {"a", "b"}),
       [](wizPage& p, FakePrompts&) {
         setText(p, "fileName", T("   "));
         click(p, "btnNext");
       },
       wizPageResult::Closed,
       command("SC", {"a", "b"}),
       {kNoName}},
      {"the output typed, trimmed", Pg::OutputFile, command("SC", {"a", "b"}, {}, "old.swd"),
       [](wizPage& p, FakePrompts&) {
         setText(p, "fileName", T("  wynik ł.swd \t"));
         click(p, "btnNext");
       },
       wizPageResult::Next, command("SC", {"a", "b"}, {}, "wynik ł.swd")},
      {"the output chosen", Pg::OutputFile, command("SC", {"a", "b"}),
       [](wizPage& p, FakePrompts& f) {
         f.saves.push_back(T("/dane/scalony.swd"));
         click(p, "btnBrowse");
         click(p, "btnNext");
       },
       wizPageResult::Next, command("SC", {"a", "b"}, {}, "/dane/scalony.swd")},
      {"an output that is a parameter word",
       Pg::OutputFile,
       command("SC", {"a", "b"}),
       [](wizPage& p, FakePrompts&) {
         setText(p, "fileName", T("-PWY"));
         click(p, "btnNext");
       },
       wizPageResult::Closed,
       command("SC", {"a", "b"}),
       {refused("-PWY")}},
      {"a full report instead of a condensed one", Pg::Report,
       command("SP", {"a"}, {"-rk"}, "", "r.rpt"),
       [](wizPage& p, FakePrompts&) {
         check(p, "rbFull");
         setText(p, "fileName", T("raport.rpt"));
         click(p, "btnNext");
       },
       wizPageResult::Next, command("SP", {"a"}, {}, "", "raport.rpt")},
      {"a condensed report on screen", Pg::Report, command("SP", {"a"}, {}, "", "r.rpt"),
       [](wizPage& p, FakePrompts&) {
         check(p, "rbCondensed");
         setText(p, "fileName", T(""));
         click(p, "btnNext");
       },
       wizPageResult::Next, command("SP", {"a"}, {"-rk"})},
      {"a condensed report kept once", Pg::Report, command("SP", {"a"}, {"-rk"}),
       [](wizPage& p, FakePrompts&) { click(p, "btnNext"); }, wizPageResult::Next,
       command("SP", {"a"}, {"-rk"})},
      {"the report chosen", Pg::Report, command("SK", {"a"}, {}, "", "stary.rpt"),
       [](wizPage& p, FakePrompts& f) {
         f.saves.push_back(T("nowy.rpt"));
         click(p, "btnBrowse");
         click(p, "btnNext");
       },
       wizPageResult::Next, command("SK", {"a"}, {}, "", "nowy.rpt")},
      {"a report no command file can hold",
       Pg::Report,
       command("SK", {"a"}),
       [](wizPage& p, FakePrompts&) {
         setText(p, "fileName", T("r\"1.rpt"));
         click(p, "btnNext");
       },
       wizPageResult::Closed,
       command("SK", {"a"}),
       {refused("r\"1.rpt")}},
      {"comments skipped as well", Pg::Options, command("GA", {"a"}, {"-pbz"}),
       [](wizPage& p, FakePrompts&) {
         check(p, "cbSkipComments");
         click(p, "btnNext");
       },
       wizPageResult::Next, command("GA", {"a"}, {"-pk", "-pbz"})},
      {"nothing skipped", Pg::Options, command("GA", {"a"}, {"-pk", "-pbz"}),
       [](wizPage& p, FakePrompts&) {
         child<QCheckBox>(p, "cbSkipComments")->setChecked(false);
         child<QCheckBox>(p, "cbSkipWhiteChars")->setChecked(false);
         click(p, "btnNext");
       },
       wizPageResult::Next, command("GA", {"a"})},
      {"options changed, then back", Pg::Options, command("GA", {"a"}),
       [](wizPage& p, FakePrompts&) {
         check(p, "cbSkipComments");
         click(p, "btnBack");
       },
       wizPageResult::Back, command("GA", {"a"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    prompts = FakePrompts();
    wizCommand edited = c.before;
    const std::unique_ptr<wizPage> page = wizPage::create(c.page, edited, prompts);
    page->show();
    c.act(*page, prompts);
    EXPECT_EQ(page->pageResult(), c.result);
    // A refused page stays open for another try.
    EXPECT_EQ(page->isVisible(), c.result == wizPageResult::Closed);
    EXPECT_EQ(edited, c.after) << show(edited);
    EXPECT_EQ(prompts.told, c.told);
  }
}

TEST_F(WizardPagesTest, EscapeAndTheTitleBarCloseThePageAndLeaveTheCommand) {
  // A change on each page that Next would have written.
  const std::function<void(wizPage&)> changes[] = {
      [](wizPage& p) { check(p, "rbGA"); },
      [](wizPage& p) {
        selectRow(p, 0);
        click(p, "btnDelete");
      },
      [](wizPage& p) { setText(p, "fileName", T("inny.swd")); },
      [](wizPage& p) { setText(p, "fileName", T("inny.rpt")); },
      [](wizPage& p) { check(p, "cbSkipComments"); },
  };
  const std::function<void(wizPage&)> closers[] = {
      [](wizPage& p) { QTest::keyClick(&p, Qt::Key_Escape); },
      [](wizPage& p) { p.close(); },
  };
  for (int index = 0; index < swde::wizPageRun::kPages; ++index)
    for (const auto& close : closers) {
      SCOPED_TRACE(index);
      wizCommand edited = command("GA", {"a", "b"}, {}, "c");
      const wizCommand before = edited;
      const std::unique_ptr<wizPage> page = wizPage::create(index, edited, prompts);
      page->show();
      changes[index](*page);
      close(*page);
      EXPECT_FALSE(page->isVisible());
      EXPECT_EQ(page->pageResult(), wizPageResult::Closed);
      EXPECT_EQ(edited, before);
    }
  EXPECT_TRUE(prompts.told.empty());
}

TEST_F(WizardPagesTest, EachPageStartsFromItsCommand) {
  // Page 1: the command's function, "SK" for a new one.
  for (const char* code : {"", "SK", "SP", "SC", "GA", "WA"}) {
    SCOPED_TRACE(code);
    wizCommand c = command(code);
    const auto page = wizPage::create(Pg::Function, c, prompts);
    const std::string expected = *code ? code : "SK";
    for (const char* other : {"SK", "SP", "SC", "GA", "WA"})
      EXPECT_EQ(child<QRadioButton>(*page, ("rb" + std::string(other)).c_str())->isChecked(),
                expected == other)
          << other;
  }

  // Page 2: the inputs in their order, names shown as the file system's.
  {
    wizCommand c = command("SK", {"b.swd", "dział 1.swd", "a.swd"});
    const auto page = wizPage::create(Pg::InputFiles, c, prompts);
    QListWidget* list = child<QListWidget>(*page, "files");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), T("b.swd"));
    EXPECT_EQ(list->item(1)->text(), T("dział 1.swd"));
    EXPECT_EQ(list->item(2)->text(), T("a.swd"));
  }

  // Pages 3 and 4: the names; the kind of report for a semantic check only.
  const struct {
    const char* code;
    std::vector<std::string> options;
    bool kindShown, condensed;
  } reports[] = {
      {"SP", {}, true, false},
      {"SP", {"-rk"}, true, true},
      {"SK", {}, false, false},
      {"GA", {"-pk"}, false, false},
  };
  for (const auto& r : reports) {
    SCOPED_TRACE(r.code);
    wizCommand c = command(r.code, {"a"}, r.options, "wynik.swd", "raport ż.rpt");
    const auto output = wizPage::create(Pg::OutputFile, c, prompts);
    EXPECT_EQ(child<QLineEdit>(*output, "fileName")->text(), T("wynik.swd"));
    const auto page = wizPage::create(Pg::Report, c, prompts);
    page->show();
    EXPECT_EQ(child<QLineEdit>(*page, "fileName")->text(), T("raport ż.rpt"));
    EXPECT_EQ(child<QGroupBox>(*page, "reportKind")->isVisible(), r.kindShown);
    EXPECT_EQ(child<QRadioButton>(*page, "rbCondensed")->isChecked(), r.condensed);
    EXPECT_EQ(child<QRadioButton>(*page, "rbFull")->isChecked(), !r.condensed);
  }

  // Page 5: the two check boxes.
  const struct {
    std::vector<std::string> options;
    bool white, comments;
  } options[] = {{{}, false, false}, {{"-pbz"}, true, false}, {{"-pk", "-pbz"}, true, true}};
  for (const auto& o : options) {
    wizCommand c = command("GA", {"a"}, o.options);
    const auto page = wizPage::create(Pg::Options, c, prompts);
    EXPECT_EQ(child<QCheckBox>(*page, "cbSkipWhiteChars")->isChecked(), o.white);
    EXPECT_EQ(child<QCheckBox>(*page, "cbSkipComments")->isChecked(), o.comments);
  }
  EXPECT_TRUE(prompts.told.empty());
}

TEST_F(WizardPagesTest, TheBrowseButtonsOpenTheirDialogsAndACancelChangesNothing) {
  const QStringList data = {T("Pliki SWDE (*.swd *.dat *.swde *.SWD *.DAT *.SWDE)"),
                            T("Wszystkie pliki (*)")};
  const QStringList reports = {T("Pliki raportu (*.rpt *.RPT)"), T("Wszystkie pliki (*)")};
  const struct {
    int page;
    const char* button;
    FakePrompts::Dialog dialog;
  } cases[] = {
      {Pg::InputFiles, "btnAdd", {T("Wybór plików danych"), data, false, true, "", false}},
      {Pg::OutputFile, "btnBrowse", {T("Wybór pliku wyjściowego"), data, true, false, "", true}},
      {Pg::Report, "btnBrowse", {T("Wybór pliku raportu"), reports, true, false, "rpt", true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    prompts = FakePrompts();
    wizCommand edited = command("SC", {"a", "b"}, {}, "c.swd", "d.rpt");
    const wizCommand before = edited;
    const auto page = wizPage::create(c.page, edited, prompts);
    click(*page, c.button);  // cancelled: no answer scripted
    click(*page, "btnNext");
    EXPECT_EQ(edited, before);
    ASSERT_EQ(prompts.dialogs.size(), 1u);
    const FakePrompts::Dialog& d = prompts.dialogs[0];
    EXPECT_EQ(d.title, c.dialog.title);
    EXPECT_EQ(d.filters, c.dialog.filters);
    EXPECT_EQ(d.save, c.dialog.save);
    EXPECT_EQ(d.multiple, c.dialog.multiple);
    EXPECT_EQ(d.suffix, c.dialog.suffix);
    EXPECT_EQ(d.askOverwrite, c.dialog.askOverwrite);
  }
}

}  // namespace
