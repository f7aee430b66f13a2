// What the tests of the wizard's windows share: prompts answered by a
// script, the help pointed at the sources' pages (or at nothing), a
// temporary folder, and the pages of a main window driven step by step.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/help/HelpSystem.h"
#include "support/Files.h"
#include "wizard/TForm1.h"
#include "wizard/wizPage.h"
#include "wizard/wizPrompts.h"

namespace wizardtest {

using Answer = swde::wizEditor::Answer;
using Icon = swde::wizPrompts::Icon;

inline QString T(const char* utf8) {
  return QString::fromUtf8(utf8);
}
inline QString q(const std::string& bytes) {
  return QString::fromStdString(bytes);
}

// Every prompt is recorded; questions and dialogs take the next scripted
// answer (a question without one fails the test and answers Cancel, a
// dialog without one is cancelled).
struct FakePrompts : swde::wizPrompts {
  struct Box {
    QString title, text;
    Icon icon;
    bool operator==(const Box&) const = default;
  };
  struct Dialog {
    QString title;
    QStringList filters;
    bool save = false;
    bool multiple = false;      // open
    QString suffix;             // save
    bool askOverwrite = false;  // save
  };
  std::vector<Box> told, asked;
  std::vector<Dialog> dialogs;
  std::deque<Answer> answers;
  std::deque<QStringList> opens;
  std::deque<QString> saves;

  void tell(QWidget*, const QString& title, const QString& text, Icon icon) override {
    told.push_back({title, text, icon});
  }
  Answer ask(QWidget*, const QString& title, const QString& text, bool withCancel) override {
    asked.push_back({title, text, Icon::Question});
    EXPECT_TRUE(withCancel || answers.empty() || answers.front() != Answer::Cancel);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text.toStdString();
      return Answer::Cancel;
    }
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  QStringList openFiles(QWidget*, const QString& title, const QStringList& filters,
                        bool multiple) override {
    dialogs.push_back({title, filters, false, multiple, QString(), false});
    if (opens.empty()) return {};
    QStringList a = opens.front();
    opens.pop_front();
    return a;
  }
  QString saveFile(QWidget*, const QString& title, const QStringList& filters,
                   const QString& suffix, bool askOverwrite) override {
    dialogs.push_back({title, filters, true, false, suffix, askOverwrite});
    if (saves.empty()) return QString();
    const QString a = saves.front();
    saves.pop_front();
    return a;
  }
};

// A child of a window by its object name; the test fails without it.
template <typename W = QWidget>
W* child(QWidget& window, const char* name) {
  W* w = window.findChild<W*>(QLatin1String(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}
inline void click(QWidget& window, const char* button) {
  if (auto* b = child<QAbstractButton>(window, button)) b->click();
}
inline void setText(QWidget& window, const char* edit, const QString& text) {
  if (auto* e = child<QLineEdit>(window, edit)) e->setText(text);
}
// A radio button or check box checked.
inline void check(QWidget& window, const char* button) {
  if (auto* b = child<QAbstractButton>(window, button)) b->setChecked(true);
}

// The help over the sources' pages (so that no window tells it is
// missing), restored afterwards; a temporary folder; the prompts.
class WizardTest : public ::testing::Test {
 protected:
  WizardTest() : savedHelp_(swde::HelpSystem::instance().folder()) {
    swde::HelpSystem::instance().setFolder(QStringLiteral(OLV_HELP_PAGES));
  }
  ~WizardTest() override {
    form.reset();
    swde::HelpSystem::instance().closeAll();
    swde::HelpSystem::instance().setFolder(savedHelp_);
  }

  // The main window, shown, its pages run by the steps.
  swde::TForm1& make() {
    form = std::make_unique<swde::TForm1>(prompts);
    form->setPageRunner([this](swde::wizPage& page) { runStep(page); });
    form->show();
    return *form;
  }

  // Each page shown takes the next step; a page without a step is closed
  // and fails the test.
  using Step = std::function<void(swde::wizPage&)>;
  std::deque<Step> steps;
  std::vector<QString> pagesShown;

  // A step that fills the page, then clicks Next; one that clicks Back.
  static Step next(std::function<void(swde::wizPage&)> fill = {}) {
    return [fill](swde::wizPage& page) {
      if (fill) fill(page);
      click(page, "btnNext");
    };
  }
  static Step back() {
    return [](swde::wizPage& page) { click(page, "btnBack"); };
  }

  // The steps of a whole command: its function, its files, the merge's
  // output, the report (and the condensed kind), and the options page of
  // an authorization.
  struct Command {
    const char* function;
    QStringList files;
    const char* output = nullptr;
    const char* report = "";
    bool condensed = false;
    bool skipBoth = false;
  };
  void script(const Command& c) {
    steps.push_back(next([c](swde::wizPage& p) { check(p, c.function); }));
    steps.push_back(next([this, c](swde::wizPage& p) {
      prompts.opens.push_back(c.files);
      click(p, "btnAdd");
    }));
    if (c.output)
      steps.push_back(next([c](swde::wizPage& p) { setText(p, "fileName", T(c.output)); }));
    steps.push_back(next([c](swde::wizPage& p) {
      setText(p, "fileName", T(c.report));
      if (c.condensed) check(p, "rbCondensed");
    }));
    if (c.skipBoth)
      steps.push_back(next([](swde::wizPage& p) {
        check(p, "cbSkipComments");
        check(p, "cbSkipWhiteChars");
      }));
  }
  void add(const Command& c) {
    script(c);
    click(*form, "btnAdd");
    EXPECT_TRUE(steps.empty());
  }

  testsupport::TempFolder dir{"olvwiz"};
  FakePrompts prompts;
  std::unique_ptr<swde::TForm1> form;

 private:
  void runStep(swde::wizPage& page) {
    pagesShown.push_back(page.objectName());
    page.show();
    if (steps.empty()) {
      ADD_FAILURE() << "no step for " << page.objectName().toStdString();
      page.reject();
      return;
    }
    const Step step = steps.front();
    steps.pop_front();
    step(page);
    EXPECT_FALSE(page.isVisible()) << page.objectName().toStdString() << " was not left";
  }

  QString savedHelp_;
};

}  // namespace wizardtest
