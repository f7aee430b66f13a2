// The report viewer control: a report of any length (a binary report file or
// a plain text file) shown one page at a time in a list, with a vertical
// scroll bar of its own that stands for the lines found so far. It exports
// and prints the report, copies selected lines to the clipboard, and tells
// its host which checked file, line and byte offset a report line concerns.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Export.h"
#include "viewers/LRepBufor.h"
#include "viewers/Pager.h"

class QListView;
class QPrinter;
class QScrollBar;

namespace plat {
class InputFile;
}

namespace olv {

class ReportPageModel;

class REPORTPANE_API ReportPane : public QWidget {
  Q_OBJECT

 public:
  explicit ReportPane(QWidget* parent = nullptr);
  ~ReportPane() override;

  // Text mode: OpenFile, then the first page.
  void loadTxtFile(const std::string& path);
  // Text mode over path: 0 open, 1 it cannot be opened (the control stays
  // closed).
  int OpenFile(const std::string& path);
  // Report mode over path: 0 open (a report that lists no checked file shows
  // an empty view), 1 it cannot be opened or read, 2 its header is corrupt.
  // Anything open before is closed first; a failure leaves the control
  // closed.
  int OpenRepFile(const std::string& path);
  // OpenRepFile, then the first page on success; OpenRepFile's code.
  int loadRepFile(const std::string& path);
  void closeFile();

  // The page from line first; the lines shown.
  std::int64_t showLines(std::int64_t first);
  // Page moves; each returns how many lines the page moved.
  std::int64_t MoveUp(std::int64_t n);
  std::int64_t MoveDown(std::int64_t n);
  std::int64_t MovePgUp();
  std::int64_t MovePgDown();

  // The report as text ("\r\n" after each line) or comma-delimited text:
  // 0 written, 1 a write failed (nothing left behind, an existing file
  // untouched), 2 another failure, -1 nothing open.
  int saveAsTextFile(const std::string& path);
  int saveAsCommaDelimited(const std::string& path);
  // A finding line as comma-separated fields, its message unchanged.
  static std::string insertCommas(std::string_view line);

  // The selected rows as shown, each followed by "\r\n".
  void copyToClipboard();

  // Prints the report on printer. False when printing could not start: the
  // message "Nie można rozpocząć drukowania." then goes out through
  // printFailed, for the host to show.
  bool PrintRep(QPrinter& printer);

  // The byte offset in its checked file of the report line at the top of
  // the selection; file gets that file's full path and *line its line
  // number. -1 with no line shown or one that concerns no position (then
  // file "" and *line -1).
  std::int64_t getFilePos(std::string& file, std::int64_t* line);

  std::int64_t firstShown() const { return pager_.firstShown(); }
  std::int64_t lastShown() const { return pager_.lastShown(); }
  std::int64_t linesPerPage() const { return pager_.linesPerPage(); }
  QListView* view() const { return view_; }
  QScrollBar* scrollBar() const { return bar_; }

 signals:
  // A key pressed in the list, before the control handles its own keys.
  void keyDown(int key, Qt::KeyboardModifiers modifiers);
  // A character typed in the list (Enter arrives as '\r').
  void keyPress(QChar key);
  void doubleClicked();
  // The list got the keyboard focus.
  void entered();
  void printFailed(const QString& message);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // After the page moved or was shown: the bar follows its first line.
  // Returns count.
  std::int64_t settle(std::int64_t count);
  void onBarAction(int action);
  void onBarReleased();
  bool handleKey(int key, Qt::KeyboardModifiers modifiers);
  void layoutPage();
  void refresh();
  void syncBar();
  int selectionTop() const;

  QListView* view_ = nullptr;
  QScrollBar* bar_ = nullptr;
  ReportPageModel* model_ = nullptr;
  LRepBufor buffer_;
  std::unique_ptr<plat::InputFile> file_;  // the text or the report open
  Pager pager_;
  bool inBarAction_ = false;
};

}  // namespace olv
