// The walk through the pages, the pages' rules without their windows and the
// rows of the main window's list.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "wizard/wizCommandFile.h"
#include "wizard/wizListRows.h"
#include "wizard/wizPageRules.h"
#include "wizard/wizPageRun.h"

namespace {

using plat::cp;
using swde::wizCommand;
using swde::wizCommandList;
using swde::wizListRow;
using swde::wizListRows;
using swde::wizMessage;
using swde::wizPageResult;
using swde::wizPageRules;
using swde::wizPageRun;

constexpr wizPageResult N = wizPageResult::Next;
constexpr wizPageResult B = wizPageResult::Back;
constexpr wizPageResult S = wizPageResult::Skipped;
constexpr wizPageResult C = wizPageResult::Closed;

TEST(WizardPageRun, WalksSkipsAndAbandons) {
  // Each page's results in the order it is shown; the pages shown (1-based).
  struct Case {
    const char* what;
    std::vector<std::vector<wizPageResult>> results;
    std::vector<int> shown;
    bool completed;
  };
  const Case cases[] = {
      {"all pages", {{N}, {N}, {N}, {N}, {N}}, {1, 2, 3, 4, 5}, true},
      {"SC: 1-2-3-4, 5 skipped", {{N}, {N}, {N}, {N}, {S}}, {1, 2, 3, 4, 5}, true},
      {"SK: back from 4 passes 3 to 2",
       {{N}, {N, N}, {S, S, S}, {B, N}, {S}},
       {1, 2, 3, 4, 3, 2, 3, 4, 5},
       true},
      {"back on page 1 abandons", {{B}, {}, {}, {}, {}}, {1}, false},
      {"back to page 1, then back", {{N, B}, {B}, {}, {}, {}}, {1, 2, 1}, false},
      {"a closed page abandons", {{N}, {N}, {C}, {}, {}}, {1, 2, 3}, false},
      {"closed on the last page", {{N}, {N}, {S}, {N}, {C}}, {1, 2, 3, 4, 5}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::size_t> next(5, 0);
    std::vector<int> shown;
    wizPageRun run([&](int index) {
      shown.push_back(index + 1);
      const auto& results = c.results[static_cast<std::size_t>(index)];
      if (next[index] >= results.size()) {
        ADD_FAILURE() << "page " << index + 1 << " shown too often";
        return wizPageResult::Closed;
      }
      return results[next[index]++];
    });
    EXPECT_EQ(run.run(), c.completed);
    EXPECT_EQ(shown, c.shown);
  }
}

TEST(WizardPageRules, ShowOrSkipByFunction) {
  // Pages 3 and 5 for each code: shown, and the output and options left.
  struct Case {
    std::string code;
    bool outputPage;
    std::string outputAfter;
    bool optionsPage;
    std::vector<std::string> optionsAfter;
  };
  const Case cases[] = {
      {"SC", true, "out", false, {}},           {"SK", false, "", false, {}},
      {"SP", false, "", false, {"-pk", "-rk"}}, {"GA", false, "out", true, {"-pk", "-rk"}},
      {"WA", false, "out", false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    wizCommand command{{"a"}, "out", {"-pk", "-rk"}, "r", c.code};
    for (int page : {0, 1, 3}) EXPECT_TRUE(wizPageRules::shows(page, command));
    EXPECT_EQ(wizPageRules::shows(wizPageRules::OutputFile, command), c.outputPage);
    EXPECT_EQ(command.output, c.outputAfter);
    EXPECT_EQ(wizPageRules::shows(wizPageRules::Options, command), c.optionsPage);
    EXPECT_EQ(command.options, c.optionsAfter);
  }
}

TEST(WizardPageRules, PagesCheckAndApply) {
  const std::string title = cp("Zła liczba plików");
  const wizMessage two{cp("Przy tym typie operacji trzeba podać tylko 2 pliki"), title,
                       wizMessage::Icon::Warning};
  const wizMessage one{cp("Wybierz przynajmniej 1 plik"), title, wizMessage::Icon::Warning};
  struct InputCase {
    std::string code;
    std::vector<std::string> files;
    std::optional<wizMessage> message;
  };
  const InputCase inputCases[] = {
      {"SC", {"a"}, two},
      {"SC", {"a", "b", "c"}, two},
      {"SC", {}, two},
      {"SC", {"a", "b"}, {}},
      {"SK", {}, one},
      {"SP", {"a", "b", "c"}, {}},
      {"GA", {"a;b"}, swde::refusedName("a;b")},
  };
  for (const InputCase& c : inputCases) {
    SCOPED_TRACE(c.code + " with " + std::to_string(c.files.size()));
    EXPECT_EQ(wizPageRules::checkInputs(c.code, c.files), c.message);
  }
  wizCommand command{{"old"}, "", {}, "", "SK"};
  wizPageRules::applyInputs(command, {"b", "a"});
  EXPECT_EQ(command.inputs, (std::vector<std::string>{"b", "a"}));

  // Page 3: an empty output is refused for the merge, as a name no file
  // can hold.
  EXPECT_EQ(wizPageRules::checkOutput(""),
            (wizMessage{cp("Podaj nazwę pliku"), "Problem", wizMessage::Icon::Warning}));
  EXPECT_EQ(wizPageRules::checkOutput("-PWY"), swde::refusedName("-PWY"));
  EXPECT_FALSE(wizPageRules::checkOutput("m.dat"));
  // Page 4: no report is the screen; a report name is checked.
  EXPECT_FALSE(wizPageRules::checkReport(""));
  EXPECT_EQ(wizPageRules::checkReport("a\"b"), swde::refusedName("a\"b"));
  EXPECT_EQ(wizPageRules::initialCode(wizCommand()), "SK");
  EXPECT_EQ(wizPageRules::initialCode(wizCommand{{}, "", {}, "", "GA"}), "GA");
}

TEST(WizardPageRules, ReportAndOptionPages) {
  struct Case {
    const char* what;
    wizCommand command;
    std::string report;
    bool condensed;
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {"SP condensed", {{"a"}, "", {}, "", "SP"}, "r.rpt", true, {"-rk"}},
      {"SP condensed again keeps one -rk", {{"a"}, "", {"-rk"}, "", "SP"}, "r.rpt", true, {"-rk"}},
      {"SP full removes -rk", {{"a"}, "", {"-pk", "-rk"}, "r", "SP"}, "", false, {"-pk"}},
      {"SK: no condensed report", {{"a"}, "", {"-rk"}, "", "SK"}, "", true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    wizCommand command = c.command;
    EXPECT_EQ(wizPageRules::offersCondensed(command), command.code == "SP");
    EXPECT_EQ(wizPageRules::initialCondensed(command), command.hasOption("-rk"));
    wizPageRules::applyReport(command, c.report, c.condensed);
    EXPECT_EQ(command.report, c.report);
    EXPECT_EQ(command.options, c.options);
  }
  // Page 5 for GA: the boxes from the options, Next sets "-pk" then "-pbz".
  wizCommand ga{{"a"}, "", {"-pbz"}, "", "GA"};
  EXPECT_FALSE(wizPageRules::initialSkipComments(ga));
  EXPECT_TRUE(wizPageRules::initialSkipWhiteChars(ga));
  wizPageRules::applyOptions(ga, true, true);
  EXPECT_EQ(ga.options, (std::vector<std::string>{"-pk", "-pbz"}));
  wizPageRules::applyOptions(ga, false, false);
  EXPECT_TRUE(ga.options.empty());

  // "SP" made "SK" by Modify: page 5 is skipped and empties the options.
  wizCommand sp{{"a"}, "", {"-pk", "-rk"}, "", "SP"};
  wizPageRules::applyFunction(sp, "SK");
  EXPECT_FALSE(wizPageRules::shows(wizPageRules::Options, sp));
  EXPECT_TRUE(sp.options.empty());
}

TEST(WizardListRows, RowsOfEachFunction) {
  wizCommandList list;
  list.append(wizCommand{{"a.swd", "b.swd"}, "", {"-pk"}, "r.rpt", "SK"});
  list.append(wizCommand{{"a"}, "", {"-rk"}, "", "SP"});
  list.append(wizCommand{{"o", "g"}, "m", {}, "", "SC"});
  list.append(wizCommand{{"x"}, "c", {"-pk", "-pbz"}, "", "GA"});
  list.append(wizCommand{{"y"}, "", {}, "w", "WA"});
  const std::vector<wizListRow> expected = {
      {cp("Sprawdzenie poprawności syntaktycznej pliku(ów):"), 0, 0, false},
      {"a.swd", 5, 0, true},
      {"b.swd", 5, 0, true},
      {cp("Wyniki zapisane do pliku raportu"), 7, 0, false},
      {"r.rpt", -1, 0, true},
      {cp("Dodatkowe prarametry"), 8, 0, false},
      {cp("pomijaj komentarze"), -1, 0, false},
      {cp("Sprawdzenie poprawności semantycznej pliku(ów):"), 1, 1, false},
      {"a", 5, 1, true},
      {cp("Dodatkowe prarametry"), 8, 1, false},
      {cp("raport w postaci skondesowanej"), -1, 1, false},
      {cp("Scalenie plików :"), 4, 2, false},
      {"o", 5, 2, true},
      {"g", 5, 2, true},
      {cp("Plik wynikowy:"), 6, 2, false},
      {"m", -1, 2, true},
      {cp("Generacja dokumentu autoryzacji pliku(ów):"), 3, 3, false},
      {"x", 5, 3, true},
      {cp("Plik wynikowy:"), 6, 3, false},
      {"c", -1, 3, true},
      {cp("Dodatkowe prarametry"), 8, 3, false},
      {cp("pomijaj komentarze"), -1, 3, false},
      {cp("pomijaj białe znaki"), -1, 3, false},
      {cp("Weryfikacja pliku(ów):"), 2, 4, false},
      {"y", 5, 4, true},
      {cp("Wyniki zapisane do pliku raportu"), 7, 4, false},
      {"w", -1, 4, true},
  };
  const std::vector<wizListRow> rows = wizListRows::rows(list);
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], expected[i]) << "row " << i;
  // A row selects its command's block.
  EXPECT_EQ(wizListRows::block(rows, 9), (std::vector<std::size_t>{7, 8, 9, 10}));
  EXPECT_EQ(wizListRows::block(rows, 0), (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(wizListRows::block(rows, rows.size()).empty());
  EXPECT_TRUE(wizListRows::rows(wizCommandList()).empty());
}

}  // namespace
