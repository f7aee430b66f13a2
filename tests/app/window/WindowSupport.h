// What the tests of the main window share: prompts answered by a script, a
// window over a registry, a temporary folder and a saved list of the test's
// own, and running an action to its end without the event loop.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/TMainForm.h"
#include "app/UiPrompts.h"
#include "support/Files.h"
#include "support/TempRegistry.h"

namespace windowtest {

// Every prompt is recorded; questions and dialogs take the next scripted
// answer (No, cancelled when none is left).
struct FakePrompts : swde::UiPrompts {
  struct Save {
    QString path;
    int type = 0;
  };
  std::vector<QString> warnings, errors, notices, questions, saveTitles, saveFilters, saveSuffixes,
      openTitles, openFilters;
  std::deque<bool> answers;
  std::deque<QStringList> opens;
  std::deque<Save> saves;
  int prints = 0;

  void warning(const QString& text) override { warnings.push_back(text); }
  void error(const QString& text) override { errors.push_back(text); }
  void notice(const QString&, const QString& text) override { notices.push_back(text); }
  bool ask(const QString& text) override {
    questions.push_back(text);
    if (answers.empty()) return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
  QStringList openFiles(const QString& title, const QString&, const QString& filter,
                        bool) override {
    openTitles.push_back(title);
    openFilters.push_back(filter);
    if (opens.empty()) return {};
    QStringList a = opens.front();
    opens.pop_front();
    return a;
  }
  QString saveFile(const QString& title, const QString&, const QString& filter, int* selected,
                   const QString& defaultSuffix = QString()) override {
    saveTitles.push_back(title);
    saveFilters.push_back(filter);
    saveSuffixes.push_back(defaultSuffix);
    if (saves.empty()) return QString();
    const Save s = saves.front();
    saves.pop_front();
    if (selected) *selected = s.type;
    return s.path;
  }
  QString folder(const QString&, const QString&) override { return QString(); }
  // Accepted, into this PDF file, when printTo is set.
  QString printTo;
  bool print(QPrinter& printer) override {
    ++prints;
    if (printTo.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printTo);
    return true;
  }
};

inline QString q(const std::string& path) {
  return QString::fromStdString(path);
}

// A fresh registry, temporary folder and saved list for each test.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    if (const char* old = std::getenv("TMPDIR")) savedTmp_ = old;
    ::setenv("TMPDIR", tmp().c_str(), 1);
    std::filesystem::create_directories(tmp());
  }
  ~WindowTest() override {
    form.reset();
    if (savedTmp_)
      ::setenv("TMPDIR", savedTmp_->c_str(), 1);
    else
      ::unsetenv("TMPDIR");
  }

  std::string tmp() const { return dir / "tmp"; }
  std::string listPath() const { return dir / "cfg/Olven.cfg"; }
  static std::string sample(const std::string& name) {
    return std::string(OLV_SAMPLES) + "/" + name;
  }
  // A copy of a sample in the test's folder.
  std::string copyOf(const std::string& name) const {
    const std::string to = dir / name;
    std::filesystem::copy_file(sample(name), to, std::filesystem::copy_options::overwrite_existing);
    return to;
  }

  swde::TMainForm& make(const std::string& programFolder = "") {
    swde::TMainForm::Places places;
    places.fileList = listPath();
    places.programFolder = programFolder.empty() ? std::string(dir / "") : programFolder;
    form = std::make_unique<swde::TMainForm>(prompts, places);
    form->resize(1000, 700);
    // Shown (offscreen): the viewers lay their pages out at their size.
    form->show();
    return *form;
  }

  // The action clicked on the actions panel with files in the list; the
  // output and report folders are the test's.
  void start(swde::TMainForm::Action action, const std::vector<std::string>& files) {
    swde::TMainForm& w = *form;
    w.sideBarClicked(swde::TMainForm::Panel::Actions);
    QStringList paths;
    for (const auto& f : files) paths << q(f);
    w.fileList()->clearSelection();
    w.addPaths(paths);
    w.findChild<QCheckBox*>(QStringLiteral("saveDataDefault"))->setChecked(false);
    w.findChild<QLineEdit*>(QStringLiteral("dataFolder"))->setText(q(dir / "out"));
    w.findChild<QLineEdit*>(QStringLiteral("reportFolder"))->setText(q(dir / "out"));
    std::filesystem::create_directories(dir / "out");
    w.startAction(action);
  }

  // Polls as the timer does until the window has finished the action.
  void finish() {
    swde::TMainForm& w = *form;
    w.progressTimer().stop();
    ASSERT_NE(w.controller(), nullptr);
    if (w.controller()->getProcess()) w.controller()->getProcess()->waitFor();
    for (int i = 0; i < 10 && w.controller(); ++i) w.pollProgress();
    ASSERT_EQ(w.controller(), nullptr) << "the action was not finished";
  }

  testsupport::TempFolder dir{"olvwin"};
  testsupport::TempRegistry registry;
  FakePrompts prompts;
  std::unique_ptr<swde::TMainForm> form;

 private:
  std::optional<std::string> savedTmp_;
};

}  // namespace windowtest
