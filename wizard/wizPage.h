// What the five pages of a command share: a modal window made for one
// command, with its picture on the left, a hint, the page's own widgets,
// "&Wstecz" and "&Dalej". Next checks the page through wizPageRules and
// writes it into the command; Escape and the title bar's close close the
// page, which abandons the run.
#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

#include "platform/AnsiString.h"
#include "wizard/wizCommand.h"
#include "wizard/wizMessage.h"
#include "wizard/wizPageRun.h"
#include "wizard/wizPicture.h"

class QPushButton;
class QVBoxLayout;

namespace swde {

class wizPrompts;

class wizPage : public QDialog {
  Q_OBJECT

 public:
  // What a page looks like and which help it opens.
  struct Look {
    const char* caption;  // UTF-8
    const char* picture;  // resource file name
    const char* hint;     // UTF-8
    int helpContext;
  };

  // The page of the 0-based index (wizPageRules::Page) on command.
  static std::unique_ptr<wizPage> create(int index, wizCommand& command, wizPrompts& prompts,
                                         QWidget* parent = nullptr);

  // How the page was left: Next (the command written), Back, or Closed
  // (also while it has not been left yet).
  wizPageResult pageResult() const { return result_; }
  const wizPicture& picture() const { return picture_; }
  int helpContext() const { return helpContext_; }

  // Escape and the title bar's close.
  void reject() override;

 protected:
  wizPage(wizCommand& command, wizPrompts& prompts, const Look& look, QWidget* parent);

  // The layout the page fills with its own widgets, under the hint.
  QVBoxLayout* body() const { return body_; }
  // Next: false (after a message) keeps the page open; true when the page
  // was written into the command.
  virtual bool next() = 0;
  // A message of the rules over the page.
  void tell(const wizMessage& message);
  // A name as edited: trimmed; the original bytes when the edit still shows
  // them (a name that the locale cannot show comes back unchanged).
  static AnsiString editedName(const QString& text, const AnsiString& original);
  // The file types of the data files' dialogs.
  static QStringList dataFilters();

  wizCommand& command_;
  wizPrompts& prompts_;

 private:
  void back();
  void tryNext();

  wizPicture picture_;
  int helpContext_;
  QVBoxLayout* body_ = nullptr;
  wizPageResult result_ = wizPageResult::Closed;
};

}  // namespace swde
