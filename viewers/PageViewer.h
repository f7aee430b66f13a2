// The large text viewer control: a text file of any size (a checked data
// file, cp1250) shown one page at a time in a read-only view, with a vertical
// scroll bar of its own that stands for the lines found so far. It opens the
// file at a byte offset with the line there highlighted (the line a report
// finding points at).
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Export.h"
#include "viewers/LBufor.h"
#include "viewers/LoadNoticeDialog.h"
#include "viewers/Pager.h"

class QPlainTextEdit;
class QScrollBar;

namespace plat {
class InputFile;
}

namespace olv {

class PAGEVIEW_API PageViewer : public QWidget {
  Q_OBJECT

 public:
  explicit PageViewer(QWidget* parent = nullptr, LoadNoticeDialog::Clock clock = {});
  ~PageViewer() override;

  // Opens path and shows its first page. Asking again for the file asked
  // for last does nothing (the page and its highlight stay). A file that
  // cannot be opened shows "Nie udało sie otworzyć pliku!" in the view.
  void loadFile(const std::string& path);
  // Opens path (closing what is open): 0 open, 1 it cannot be opened.
  int OpenFile(const std::string& path);
  void closeFile();

  // The page from line first; the lines shown.
  std::int64_t showLines(std::int64_t first);
  // The page that starts at byte offset filePos, its first line numbered
  // line; the lines shown.
  std::int64_t showLinesPos(std::uint64_t filePos, std::int64_t line);
  // The page from line, its first line highlighted.
  void select(std::int64_t line);
  // The page from byte offset filePos (numbered line), its first line
  // highlighted; the first page when nothing is there.
  void selectPos(std::uint64_t filePos, std::int64_t line);

  std::int64_t MoveUp(std::int64_t n);
  std::int64_t MoveDown(std::int64_t n);
  std::int64_t MovePgUp();
  std::int64_t MovePgDown();

  // The view's selection to the clipboard.
  void copyToClipboard();

  const std::string& fileName() const { return fileName_; }
  bool isOpen() const { return file_ != nullptr; }
  std::int64_t firstShown() const { return pager_.firstShown(); }
  std::int64_t lastShown() const { return pager_.lastShown(); }
  std::int64_t linesPerPage() const { return pager_.linesPerPage(); }
  QPlainTextEdit* view() const { return view_; }
  QScrollBar* scrollBar() const { return bar_; }
  LoadNoticeDialog& notice() { return notice_; }

 signals:
  // A key pressed in the view, before the control handles it.
  void keyDown(int key, Qt::KeyboardModifiers modifiers);
  // The view got the keyboard focus.
  void entered();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // After the page moved or was shown: the bar follows its first line.
  // Returns count.
  std::int64_t settle(std::int64_t count);
  void closeStream();
  void onBarAction(int action);
  void onBarReleased();
  void layoutPage();
  void render();
  void highlightFirstLine();
  void syncBar();

  QPlainTextEdit* view_ = nullptr;
  QScrollBar* bar_ = nullptr;
  LoadNoticeDialog notice_;
  LBufor buffer_;
  std::unique_ptr<plat::InputFile> file_;
  Pager pager_;
  std::string fileName_;
  bool inBarAction_ = false;
};

}  // namespace olv
