// The main window's commands over fake prompts: what each answer, dialog and
// page result does to the list, the saved flag and the name shown.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "tests/support/Files.h"
#include "wizard/wizEditor.h"
#include "wizard/wizPageRules.h"

namespace {

using plat::cp;
using swde::wizCommand;
using swde::wizEditor;
using swde::wizMessage;
using swde::wizPageResult;
using swde::wizPageRules;
using testsupport::readFile;
using testsupport::TempFolder;
using testsupport::writeFile;
using Answer = wizEditor::Answer;

const std::string kNotSaved = "[plik nie zapisany]";

// Prompts that answer from scripts and keep what they were shown.
class FakePrompts : public wizEditor::Prompts {
 public:
  std::function<wizPageResult(int, wizCommand&)> page;
  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> saveNames;
  std::deque<std::optional<std::string>> openNames;
  std::vector<int> pagesShown;
  std::vector<wizMessage> asked;
  std::vector<wizMessage> told;

  wizPageResult showPage(int index, wizCommand& command) override {
    pagesShown.push_back(index + 1);
    return page ? page(index, command) : wizPageResult::Closed;
  }
  Answer ask(const wizMessage& question, bool) override {
    asked.push_back(question);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question";
      return Answer::Cancel;
    }
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  void tell(const wizMessage& message) override { told.push_back(message); }
  std::optional<std::string> saveFileName() override { return take(saveNames, "save"); }
  std::optional<std::string> openFileName() override { return take(openNames, "open"); }

 private:
  static std::optional<std::string> take(std::deque<std::optional<std::string>>& names,
                                         const char* what) {
    if (names.empty()) {
      ADD_FAILURE() << "unexpected " << what << " dialog";
      return std::nullopt;
    }
    auto name = names.front();
    names.pop_front();
    return name;
  }
};

// Pages that fill a syntax check of name with a report, as a user would.
std::function<wizPageResult(int, wizCommand&)> syntaxCheckOf(const std::string& name) {
  return [name](int index, wizCommand& command) {
    if (index == wizPageRules::Function) wizPageRules::applyFunction(command, "SK");
    if (index == wizPageRules::InputFiles) wizPageRules::applyInputs(command, {name});
    if (index == wizPageRules::Report) wizPageRules::applyReport(command, "r.rpt", false);
    return wizPageResult::Next;
  };
}

const wizMessage kSaveQuestion{cp("Plik nie został jeszcze zapisany.\nCzy zapisać teraz?"),
                               cp("Pytanie"), wizMessage::Icon::Question};

TEST(WizardEditor, AddAndModifyThroughThePages) {
  FakePrompts prompts;
  wizEditor editor(prompts);
  EXPECT_FALSE(editor.hasList());

  prompts.page = [](int, wizCommand&) { return wizPageResult::Back; };
  EXPECT_FALSE(editor.add());
  EXPECT_TRUE(editor.list().empty());
  EXPECT_EQ(prompts.pagesShown, (std::vector<int>{1}));

  prompts.pagesShown.clear();
  prompts.page = syntaxCheckOf("a.swd");
  EXPECT_TRUE(editor.add());
  // Pages 3 and 5 are not shown for a syntax check.
  EXPECT_EQ(prompts.pagesShown, (std::vector<int>{1, 2, 4}));
  ASSERT_EQ(editor.list().size(), 1u);
  const wizCommand added{{"a.swd"}, "", {}, "r.rpt", "SK"};
  EXPECT_EQ(editor.list().at(0), added);

  // An abandoned Modify leaves the command as it was, whatever the pages
  // passed before changed.
  prompts.page = [](int index, wizCommand& command) {
    if (index == wizPageRules::Function) wizPageRules::applyFunction(command, "GA");
    return index == wizPageRules::Function ? wizPageResult::Next : wizPageResult::Closed;
  };
  EXPECT_FALSE(editor.modify(0));
  EXPECT_EQ(editor.list().at(0), added);

  prompts.page = syntaxCheckOf("b.swd");
  EXPECT_TRUE(editor.modify(0));
  EXPECT_EQ(editor.list().at(0).inputs, (std::vector<std::string>{"b.swd"}));
  EXPECT_FALSE(editor.modify(1));
  EXPECT_FALSE(editor.remove(1));
  EXPECT_TRUE(editor.remove(0));
  EXPECT_TRUE(editor.list().empty());
  EXPECT_TRUE(prompts.told.empty());
}

TEST(WizardEditor, SaveAsksBeforeReplacingAndReportsFailures) {
  TempFolder folder;
  FakePrompts prompts;
  wizEditor editor(prompts);
  prompts.page = syntaxCheckOf("a.swd");
  ASSERT_TRUE(editor.add());
  const std::string path = folder / "cmd.txt";
  const std::string line = "SK -pwe a.swd -r r.rpt ;\r\n";

  prompts.saveNames = {std::nullopt};
  EXPECT_FALSE(editor.save());

  writeFile(path, "old");
  prompts.saveNames = {path};
  prompts.answers = {Answer::No};
  EXPECT_FALSE(editor.save());
  EXPECT_EQ(readFile(path), "old");
  EXPECT_EQ(prompts.asked.back(), (wizMessage{cp("Podany plik już istnienje. Zastąpić?"),
                                              cp("Pytanie"), wizMessage::Icon::Question}));
  EXPECT_FALSE(editor.saved());

  prompts.saveNames = {path};
  prompts.answers = {Answer::Yes};
  EXPECT_TRUE(editor.save());
  EXPECT_EQ(readFile(path), line);
  EXPECT_TRUE(editor.saved());
  EXPECT_EQ(editor.shownName(), path);

  // A failed save: the message, the old file, the flag and the name kept.
  ASSERT_TRUE(editor.add());
  const std::string blocked = folder / "sub";
  ASSERT_EQ(::mkdir(blocked.c_str(), 0755), 0);
  prompts.saveNames = {blocked};
  prompts.answers = {Answer::Yes};
  EXPECT_FALSE(editor.save());
  ASSERT_EQ(prompts.told.size(), 1u);
  EXPECT_EQ(prompts.told[0].text.rfind(cp("Nie można zapisać pliku poleceń: ") + blocked, 0), 0u);
  EXPECT_EQ(prompts.told[0].icon, wizMessage::Icon::Error);
  EXPECT_FALSE(editor.saved());
  EXPECT_EQ(editor.shownName(), path);
  EXPECT_EQ(readFile(path), line);
}

TEST(WizardEditor, OpenAsksCancelsAndShowsWhatFailedToRead) {
  TempFolder folder;
  const std::string good = folder / "good.txt";
  const std::string bad = folder / "bad.txt";
  writeFile(good, "sk -pwe a;sp -pwe b;");
  writeFile(bad, "sk -pwe a;sc -pwe x;sk -pwe c;");

  FakePrompts prompts;
  wizEditor editor(prompts);
  prompts.page = syntaxCheckOf("mine.swd");
  ASSERT_TRUE(editor.add());

  // Cancel on the question: no dialog, nothing changes.
  prompts.answers = {Answer::Cancel};
  EXPECT_FALSE(editor.open());
  EXPECT_EQ(prompts.asked.back(), kSaveQuestion);
  EXPECT_EQ(editor.list().size(), 1u);

  // No, then a cancelled dialog: nothing changes.
  prompts.answers = {Answer::No};
  prompts.openNames = {std::nullopt};
  EXPECT_FALSE(editor.open());
  EXPECT_EQ(editor.list().at(0).inputs[0], "mine.swd");

  // Yes saves and ends the open.
  prompts.answers = {Answer::Yes};
  prompts.saveNames = {folder / "mine.txt"};
  EXPECT_FALSE(editor.open());
  EXPECT_TRUE(editor.saved());
  EXPECT_EQ(readFile(folder / "mine.txt"), "SK -pwe mine.swd -r r.rpt ;\r\n");

  // Saved: no question. A failed read shows what was read, unsaved.
  prompts.openNames = {bad};
  EXPECT_TRUE(editor.open());
  ASSERT_EQ(editor.list().size(), 1u);
  EXPECT_EQ(editor.list().at(0).inputs[0], "a");
  EXPECT_FALSE(editor.saved());
  EXPECT_EQ(editor.shownName(), kNotSaved);
  ASSERT_EQ(prompts.told.size(), 1u);
  EXPECT_EQ(prompts.told[0].text.rfind(cp("Otwarcie pliku pleceń niemożliwe") + "\n", 0), 0u);
  EXPECT_EQ(prompts.told[0].title, "Problem");
  EXPECT_EQ(prompts.told[0].icon, wizMessage::Icon::Error);

  // Success replaces the list, shows the name, sets the flag.
  prompts.answers = {Answer::No};
  prompts.openNames = {good};
  EXPECT_TRUE(editor.open());
  EXPECT_EQ(editor.list().size(), 2u);
  EXPECT_TRUE(editor.saved());
  EXPECT_EQ(editor.shownName(), good);
  EXPECT_EQ(readFile(bad), "sk -pwe a;sc -pwe x;sk -pwe c;");
}

TEST(WizardEditor, CloseClosesOnlyWhenNothingIsLost) {
  TempFolder folder;
  struct Case {
    const char* what;
    Answer answer;
    std::optional<std::string> saveName;
    bool closes;
  };
  const std::string blocked = folder / "sub";
  ASSERT_EQ(::mkdir(blocked.c_str(), 0755), 0);
  const Case cases[] = {
      {"No closes", Answer::No, std::nullopt, true},
      {"Cancel stays", Answer::Cancel, std::nullopt, false},
      {"Yes with a save closes", Answer::Yes, folder / "saved.txt", true},
      {"Yes with a cancelled save stays", Answer::Yes, std::nullopt, false},
      {"Yes with a failed save stays", Answer::Yes, blocked, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePrompts prompts;
    wizEditor editor(prompts);
    EXPECT_TRUE(editor.close());
    EXPECT_TRUE(prompts.asked.empty());
    prompts.page = syntaxCheckOf("a.swd");
    ASSERT_TRUE(editor.add());
    prompts.answers = {c.answer};
    if (c.answer == Answer::Yes) {
      prompts.saveNames = {c.saveName};
      // The folder in the way exists: the replace question comes first.
      if (c.saveName == blocked) prompts.answers.push_back(Answer::Yes);
    }
    EXPECT_EQ(editor.close(), c.closes);
    EXPECT_EQ(prompts.asked.front(), kSaveQuestion);
  }
}

}  // namespace
