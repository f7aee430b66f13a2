#include "viewers/ReportPane.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>
#include <exception>

#include "platform/FileStream.h"
#include "viewers/PrintPagination.h"
#include "viewers/ReportExport.h"
#include "viewers/ReportPageModel.h"
#include "viewers/ViewText.h"

namespace olv {

namespace {

bool isUpDown(const QWheelEvent* e) {
  const QPoint d = e->angleDelta();
  return std::abs(d.y()) >= std::abs(d.x());
}

}  // namespace

ReportPane::ReportPane(QWidget* parent) : QWidget(parent) {
  view_ = new QListView(this);
  bar_ = new QScrollBar(Qt::Vertical, this);
  model_ = new ReportPageModel(this);

  view_->setModel(model_);
  view_->setFont(fixedPitchFont());
  view_->setUniformItemSizes(true);
  view_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The page is the whole view: the list never scrolls up or down itself.
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view_->setTextElideMode(Qt::ElideNone);
  view_->setWordWrap(false);
  view_->installEventFilter(this);
  view_->viewport()->installEventFilter(this);

  bar_->setMinimum(0);
  bar_->setMaximum(0);
  bar_->setSingleStep(1);
  bar_->setFocusPolicy(Qt::StrongFocus);
  // Only the user's actions move the page; value changes of the bar (made
  // by the control itself or by the toolkit's clamping) are not listened to.
  connect(bar_, &QScrollBar::actionTriggered, this, &ReportPane::onBarAction);
  connect(bar_, &QScrollBar::sliderReleased, this, &ReportPane::onBarReleased);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_, 1);
  layout->addWidget(bar_);

  const int lineHeight = view_->fontMetrics().lineSpacing();
  setMinimumSize(2 * bar_->sizeHint().width(), 2 * lineHeight);
}

ReportPane::~ReportPane() {
  // The buffer reads the file: it lets go of it before the file closes.
  buffer_.clear();
}

void ReportPane::loadTxtFile(const std::string& path) {
  if (OpenFile(path) == 0) showLines(0);
}

int ReportPane::OpenFile(const std::string& path) {
  closeFile();
  try {
    file_ = std::make_unique<plat::InputFile>(path);
    buffer_.openText(*file_);
  } catch (const std::exception&) {
    closeFile();
    return 1;
  }
  pager_.setSource(&buffer_);
  return 0;
}

int ReportPane::OpenRepFile(const std::string& path) {
  closeFile();
  int result = 0;
  try {
    file_ = std::make_unique<plat::InputFile>(path);
    result = buffer_.openReport(*file_);
  } catch (const std::exception&) {
    closeFile();
    return 1;
  }
  if (result == 2) {
    closeFile();
    return 2;
  }
  // A report that lists no checked file is open and shows nothing.
  pager_.setSource(&buffer_);
  return 0;
}

int ReportPane::loadRepFile(const std::string& path) {
  const int result = OpenRepFile(path);
  if (result == 0) showLines(0);
  return result;
}

void ReportPane::closeFile() {
  buffer_.clear();
  file_.reset();
  pager_.setSource(nullptr);
  view_->clearSelection();
  refresh();
  syncBar();
}

std::int64_t ReportPane::showLines(std::int64_t first) {
  BusyCursor busy;
  const std::int64_t shown = pager_.showLines(first);
  return shown > 0 ? settle(shown) : 0;
}

std::int64_t ReportPane::settle(std::int64_t count) {
  pager_.syncScrollPosition();
  refresh();
  syncBar();
  return count;
}

std::int64_t ReportPane::MoveUp(std::int64_t n) {
  BusyCursor busy;
  return settle(pager_.moveUp(n));
}

std::int64_t ReportPane::MoveDown(std::int64_t n) {
  BusyCursor busy;
  return settle(pager_.moveDown(n));
}

std::int64_t ReportPane::MovePgUp() {
  BusyCursor busy;
  return settle(pager_.movePgUp());
}

std::int64_t ReportPane::MovePgDown() {
  BusyCursor busy;
  return settle(pager_.movePgDown());
}

void ReportPane::copyToClipboard() {
  const int shown = model_->linesShown();
  if (shown == 0) return;
  int top = shown;
  int bottom = -1;
  for (const QModelIndex& i : view_->selectionModel()->selectedIndexes()) {
    top = std::min(top, i.row());
    bottom = std::max(bottom, i.row());
  }
  if (bottom < 0) {
    const int current = view_->currentIndex().row();
    if (current < 0) return;
    top = bottom = current;
  }
  bottom = std::min(bottom, shown - 1);
  QString text;
  for (int r = top; r <= bottom; ++r) text += model_->text(r) + QStringLiteral("\r\n");
  QGuiApplication::clipboard()->setText(text);
}

int ReportPane::saveAsTextFile(const std::string& path) {
  return olv::saveAsTextFile(buffer_, path);
}

int ReportPane::saveAsCommaDelimited(const std::string& path) {
  return olv::saveAsCommaDelimited(buffer_, path);
}

std::string ReportPane::insertCommas(std::string_view line) {
  return olv::insertCommas(line);
}

bool ReportPane::PrintRep(QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) {
    emit printFailed(QStringLiteral("Nie można rozpocząć drukowania."));
    return false;
  }
  painter.setFont(fixedPitchFont(12));
  const QFontMetricsF metrics = painter.fontMetrics();
  PrintGeometry geometry;
  geometry.pageWidth = painter.device()->width();
  geometry.pageHeight = painter.device()->height();
  // The height of the font: whole lines with their descenders.
  geometry.lineHeight = metrics.height();
  // Positions are the tops of the lines; the painter draws on the baseline.
  const double ascent = metrics.ascent();

  BusyCursor busy;
  paginateReport(
      [this](std::int64_t i, std::string& text) {
        int err = 0;
        text = buffer_.getLine(i, err, kForward);
        return err == 0;
      },
      [&metrics](std::string_view text) { return metrics.horizontalAdvance(reportLineText(text)); },
      geometry,
      [&](const PrintOp& op) {
        if (op.kind == PrintOp::kNewPage)
          printer.newPage();
        else
          painter.drawText(QPointF(op.x, op.y + ascent), reportLineText(op.text));
      });
  painter.end();
  // The walk through the report may have found more lines.
  syncBar();
  return true;
}

std::int64_t ReportPane::getFilePos(std::string& file, std::int64_t* line) {
  file.clear();
  if (line) *line = -1;
  const std::int64_t shown = static_cast<std::int64_t>(pager_.rows().size());
  const int top = selectionTop();
  if (shown == 0 || top < 0 || top >= shown) return -1;
  const std::optional<LRepLineInfo> info = buffer_.getLineInfo(pager_.firstShown() + top);
  if (!info) return -1;
  file = buffer_.getCheckedFilePath(info->fileIndex);
  if (line) *line = info->line;
  return info->filePos;
}

int ReportPane::selectionTop() const {
  int top = -1;
  for (const QModelIndex& i : view_->selectionModel()->selectedIndexes())
    if (top < 0 || i.row() < top) top = i.row();
  if (top >= 0) return top;
  const int current = view_->currentIndex().row();
  return current >= 0 ? current : 0;
}

bool ReportPane::handleKey(int key, Qt::KeyboardModifiers modifiers) {
  const int row = view_->currentIndex().row();
  const int shown = model_->linesShown();
  switch (key) {
    // Up and Down move within the page (or, with no current row yet, make
    // one); only at its edges they move the page.
    case Qt::Key_Up:
      if (row != 0) return false;
      MoveUp(1);
      return true;
    case Qt::Key_Down:
      if (row < 0 || row < shown - 1) return false;
      MoveDown(1);
      return true;
    case Qt::Key_PageUp:
      MovePgUp();
      return true;
    case Qt::Key_PageDown:
      MovePgDown();
      return true;
    case Qt::Key_C:
      if (!(modifiers & Qt::ControlModifier)) return false;
      copyToClipboard();
      return true;
    default:
      return false;
  }
}

bool ReportPane::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      emit keyDown(key->key(), key->modifiers());
      if (handleKey(key->key(), key->modifiers())) return true;
      if (!key->text().isEmpty()) emit keyPress(key->text().front());
    } else if (event->type() == QEvent::FocusIn) {
      emit entered();
    }
  } else if (watched == view_->viewport()) {
    switch (event->type()) {
      case QEvent::Resize:
        layoutPage();
        break;
      case QEvent::MouseButtonDblClick:
        emit doubleClicked();
        break;
      case QEvent::Wheel:
        // The wheel over the lines scrolls the file, as over the bar; a
        // sideways move stays with the list.
        if (isUpDown(static_cast<QWheelEvent*>(event))) {
          QCoreApplication::sendEvent(bar_, event);
          return true;
        }
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ReportPane::onBarAction(int action) {
  if (inBarAction_) return;
  Pager::Scroll scroll = Pager::Scroll::Track;
  if (!pagerScroll(action, bar_->isSliderDown(), scroll)) return;
  inBarAction_ = true;
  pager_.scroll(scroll, bar_->sliderPosition());
  refresh();
  bar_->setMaximum(pager_.barMaximum());
  // The toolkit takes the slider position as the bar's new value once this
  // returns.
  bar_->setSliderPosition(pager_.barValue());
  inBarAction_ = false;
}

void ReportPane::onBarReleased() {
  if (inBarAction_) return;
  inBarAction_ = true;
  pager_.scroll(Pager::Scroll::Position, bar_->sliderPosition());
  refresh();
  syncBar();
  inBarAction_ = false;
}

void ReportPane::layoutPage() {
  const int height = view_->viewport()->height();
  const int step = view_->fontMetrics().lineSpacing() + 2;
  pager_.setLinesPerPage(height / step);
  bar_->setPageStep(std::max<int>(1, static_cast<int>(pager_.linesPerPage())));
  pager_.showLines(pager_.firstShown());
  refresh();
  syncBar();
}

void ReportPane::refresh() {
  const int lpp = static_cast<int>(pager_.linesPerPage());
  const int height = view_->viewport()->height();
  const QFontMetrics metrics = view_->fontMetrics();
  QStringList texts;
  int width = 0;
  if (pager_.source() && lpp > 0) {
    texts.reserve(static_cast<qsizetype>(pager_.rows().size()));
    for (const std::string& row : pager_.rows()) {
      texts.push_back(reportLineText(row));
      width = std::max(width, metrics.horizontalAdvance(texts.back()));
    }
  }
  const int rowHeight = lpp > 0 ? height / lpp : metrics.lineSpacing() + 2;
  // Room for the item's own margins, so the longest line is never cut.
  width += 2 * metrics.horizontalAdvance(QLatin1Char(' '));
  // The rows keep their place on the screen while the lines move through
  // them: the current row and the selected rows stay where they were, also
  // when the list has to be laid out anew (another row height or width).
  QItemSelectionModel* selection = view_->selectionModel();
  const int current = view_->currentIndex().row();
  int top = -1;
  int bottom = -1;
  for (const QModelIndex& i : selection->selectedIndexes()) {
    top = top < 0 ? i.row() : std::min(top, i.row());
    bottom = std::max(bottom, i.row());
  }
  const int rows = pager_.source() ? lpp : 0;
  const int shown = static_cast<int>(texts.size());
  const bool reset = model_->setPage(rows, std::move(texts), rowHeight, width);
  if (!reset || shown == 0) return;
  if (current >= 0 && current < shown)
    selection->setCurrentIndex(model_->index(current), QItemSelectionModel::NoUpdate);
  if (top >= 0 && top < shown)
    selection->select(
        QItemSelection(model_->index(top), model_->index(std::min(bottom, shown - 1))),
        QItemSelectionModel::ClearAndSelect);
}

void ReportPane::syncBar() {
  // setMaximum and setValue emit valueChanged only, which nothing here
  // listens to: they never move the page.
  bar_->setMaximum(pager_.barMaximum());
  bar_->setValue(pager_.barValue());
}

}  // namespace olv
