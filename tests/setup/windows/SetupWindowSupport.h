// What the tests of the installer's windows share: the texts a window shows,
// a home folder of the test's own, and the Qt UI with every modal window
// answered by a script instead of its event loop.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "setup/setupQtUi.h"
#include "support/Files.h"

namespace setupwintest {

inline QString u(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// The texts of a window's labels, in the order of its layout.
inline QStringList labelsOf(const QWidget& window) {
  QStringList texts;
  for (const QLabel* label : window.findChildren<QLabel*>())
    if (!label->text().isEmpty()) texts << label->text();
  return texts;
}

inline QStringList buttonsOf(const QWidget& window) {
  QStringList texts;
  for (const QPushButton* button : window.findChildren<QPushButton*>()) texts << button->text();
  return texts;
}

// Every label and button of the shown window as large as its text needs:
// nothing is cut.
inline void expectNothingCut(const QWidget& window) {
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    if (!label->isVisible() || label->text().isEmpty()) continue;
    if (label->wordWrap())
      EXPECT_GE(label->height(), label->heightForWidth(label->width()))
          << label->text().toStdString();
    else
      EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
  }
  for (const QPushButton* button : window.findChildren<QPushButton*>())
    EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
}

// A click as the user makes it, on the shown window.
inline void click(QPushButton* button) {
  ASSERT_NE(button, nullptr);
  button->window()->show();
  QTest::mouseClick(button, Qt::LeftButton);
}

// The button of a window by its text.
inline QPushButton* buttonOf(const QWidget& window, const QString& text) {
  for (QPushButton* button : window.findChildren<QPushButton*>())
    if (button->text() == text) return button;
  return nullptr;
}

// $HOME set to a fresh folder for the scope (the folder tree starts there).
class TempHome {
 public:
  TempHome() {
    if (const char* old = std::getenv("HOME")) saved_ = old;
    ::setenv("HOME", dir_.path().c_str(), 1);
  }
  ~TempHome() {
    if (saved_)
      ::setenv("HOME", saved_->c_str(), 1);
    else
      ::unsetenv("HOME");
  }
  const std::string& path() const { return dir_.path(); }
  std::string operator/(const std::string& name) const { return dir_ / name; }

 private:
  testsupport::TempFolder dir_{"olvsetuphome"};
  std::optional<std::string> saved_;
};

// The Qt UI whose modal windows are answered in turn by the script: each
// answer gets the window (its class can be asked with qobject_cast), does
// what the user would (clicks a button) and gives the result code that exec
// would have returned. A window with no answer left is closed as rejected
// and fails the test. Every window's title is recorded.
class ScriptedQtUi : public swde::setupQtUi {
 public:
  using Answer = std::function<void(QDialog&)>;
  std::deque<Answer> answers;
  std::vector<QString> titles;

 protected:
  int run(QDialog& dialog) override {
    titles.push_back(dialog.windowTitle());
    dialog.setResult(QDialog::Rejected);
    if (answers.empty()) {
      ADD_FAILURE() << "no answer for " << dialog.windowTitle().toStdString();
      return QDialog::Rejected;
    }
    const Answer answer = std::move(answers.front());
    answers.pop_front();
    dialog.show();
    answer(dialog);
    dialog.hide();
    return dialog.result();
  }
};

// An answer clicking the button with this text.
inline ScriptedQtUi::Answer clicking(const char* utf8) {
  return [text = u(utf8)](QDialog& dialog) {
    QPushButton* button = buttonOf(dialog, text);
    ASSERT_NE(button, nullptr) << text.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
  };
}

}  // namespace setupwintest
