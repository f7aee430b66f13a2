#include "viewers/PageViewer.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>
#include <exception>

#include "platform/FileStream.h"
#include "viewers/ViewText.h"

namespace olv {

PageViewer::PageViewer(QWidget* parent, LoadNoticeDialog::Clock clock)
    : QWidget(parent), notice_(this, std::move(clock)) {
  view_ = new QPlainTextEdit(this);
  bar_ = new QScrollBar(Qt::Vertical, this);

  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setWordWrapMode(QTextOption::NoWrap);
  view_->setFont(fixedPitchFont());
  view_->setUndoRedoEnabled(false);
  // The page is the whole view: lines of one line spacing each from the
  // very top, and no scrolling of its own up or down.
  view_->document()->setDocumentMargin(0);
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  // The highlighted line stays as visible when the focus is elsewhere.
  QPalette palette = view_->palette();
  for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setBrush(QPalette::Inactive, role, palette.brush(QPalette::Active, role));
  view_->setPalette(palette);
  view_->installEventFilter(this);
  view_->viewport()->installEventFilter(this);

  bar_->setMinimum(0);
  bar_->setMaximum(0);
  bar_->setSingleStep(1);
  bar_->setFocusPolicy(Qt::StrongFocus);
  connect(bar_, &QScrollBar::actionTriggered, this, &PageViewer::onBarAction);
  connect(bar_, &QScrollBar::sliderReleased, this, &PageViewer::onBarReleased);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_, 1);
  layout->addWidget(bar_);

  setMinimumSize(2 * bar_->sizeHint().width(), 2 * view_->fontMetrics().lineSpacing());
  buffer_.setNotice(&notice_);
}

PageViewer::~PageViewer() {
  buffer_.setNotice(nullptr);
  buffer_.clear();
}

void PageViewer::loadFile(const std::string& path) {
  if (path == fileName_) return;
  closeStream();
  fileName_ = path;
  if (OpenFile(path) != 0) {
    view_->setPlainText(QStringLiteral("Nie udało sie otworzyć pliku!"));
    return;
  }
  showLines(0);
}

int PageViewer::OpenFile(const std::string& path) {
  closeStream();
  try {
    file_ = std::make_unique<plat::InputFile>(path);
    buffer_.openText(*file_);
  } catch (const std::exception&) {
    closeStream();
    return 1;
  }
  pager_.setSource(&buffer_);
  return 0;
}

void PageViewer::closeStream() {
  buffer_.clear();
  file_.reset();
  pager_.setSource(nullptr);
  view_->clear();
  syncBar();
}

void PageViewer::closeFile() {
  // Also after a failed load (no file open), so that asking for the same
  // file again tries it again.
  closeStream();
  fileName_.clear();
}

std::int64_t PageViewer::showLines(std::int64_t first) {
  BusyCursor busy;
  const std::int64_t shown = pager_.showLines(first);
  return shown > 0 ? settle(shown) : 0;
}

std::int64_t PageViewer::settle(std::int64_t count) {
  pager_.syncScrollPosition();
  render();
  syncBar();
  return count;
}

std::int64_t PageViewer::showLinesPos(std::uint64_t filePos, std::int64_t line) {
  if (!file_ || pager_.linesPerPage() < 1) return 0;
  BusyCursor busy;
  int err = 0;
  const std::int64_t shown = pager_.showPage(
      line, buffer_.getLinesAt(filePos, pager_.linesPerPage(), err, kForward, line));
  return shown > 0 ? settle(shown) : 0;
}

void PageViewer::select(std::int64_t line) {
  if (!file_) return;
  showLines(line);
  highlightFirstLine();
}

void PageViewer::selectPos(std::uint64_t filePos, std::int64_t line) {
  if (!file_) return;
  if (showLinesPos(filePos, line) == 0) {
    select(0);
    return;
  }
  highlightFirstLine();
}

std::int64_t PageViewer::MoveUp(std::int64_t n) {
  BusyCursor busy;
  return settle(pager_.moveUp(n));
}

std::int64_t PageViewer::MoveDown(std::int64_t n) {
  BusyCursor busy;
  return settle(pager_.moveDown(n));
}

std::int64_t PageViewer::MovePgUp() {
  BusyCursor busy;
  return settle(pager_.movePgUp());
}

std::int64_t PageViewer::MovePgDown() {
  BusyCursor busy;
  return settle(pager_.movePgDown());
}

void PageViewer::copyToClipboard() {
  view_->copy();
}

bool PageViewer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      emit keyDown(key->key(), key->modifiers());
      switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
          // This press moves within the page; the next ones reach the bar
          // and scroll through the file.
          bar_->setFocus(Qt::OtherFocusReason);
          break;
        default:
          break;
      }
    } else if (event->type() == QEvent::FocusIn) {
      emit entered();
    }
  } else if (watched == view_->viewport()) {
    if (event->type() == QEvent::Resize) {
      layoutPage();
    } else if (event->type() == QEvent::Wheel) {
      // Up and down scroll the file, as over the bar; sideways stays here.
      const QPoint d = static_cast<QWheelEvent*>(event)->angleDelta();
      if (std::abs(d.y()) >= std::abs(d.x())) {
        QCoreApplication::sendEvent(bar_, event);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void PageViewer::onBarAction(int action) {
  if (inBarAction_) return;
  Pager::Scroll scroll = Pager::Scroll::Track;
  if (!pagerScroll(action, bar_->isSliderDown(), scroll)) return;
  inBarAction_ = true;
  BusyCursor busy;
  pager_.scroll(scroll, bar_->sliderPosition());
  render();
  bar_->setMaximum(pager_.barMaximum());
  bar_->setSliderPosition(pager_.barValue());
  inBarAction_ = false;
}

void PageViewer::onBarReleased() {
  if (inBarAction_) return;
  inBarAction_ = true;
  pager_.scroll(Pager::Scroll::Position, bar_->sliderPosition());
  render();
  syncBar();
  inBarAction_ = false;
}

void PageViewer::layoutPage() {
  const int spacing = view_->fontMetrics().lineSpacing();
  pager_.setLinesPerPage(spacing > 0 ? view_->viewport()->height() / spacing : 0);
  bar_->setPageStep(std::max<int>(1, static_cast<int>(pager_.linesPerPage())));
  if (pager_.showLines(pager_.firstShown()) > 0) render();
  syncBar();
}

void PageViewer::render() {
  if (!file_) return;
  QString text;
  bool firstRow = true;
  for (const std::string& row : pager_.rows()) {
    if (!firstRow) text += QLatin1Char('\n');
    text += dataLineText(row);
    firstRow = false;
  }
  const int scrolled = view_->horizontalScrollBar()->value();
  view_->setPlainText(text);
  // The caret at the start, nothing selected, the view where it was
  // sideways.
  view_->moveCursor(QTextCursor::Start);
  view_->horizontalScrollBar()->setValue(scrolled);
}

void PageViewer::highlightFirstLine() {
  QTextCursor cursor(view_->document());
  cursor.movePosition(QTextCursor::Start);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  view_->setTextCursor(cursor);
  view_->horizontalScrollBar()->setValue(0);
}

void PageViewer::syncBar() {
  bar_->setMaximum(pager_.barMaximum());
  bar_->setValue(pager_.barValue());
}

}  // namespace olv
