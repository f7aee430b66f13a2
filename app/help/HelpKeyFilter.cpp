#include "app/help/HelpKeyFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

#include "app/help/HelpSystem.h"

namespace swde {

namespace {

bool isPlainF1(const QEvent* event) {
  const auto* key = static_cast<const QKeyEvent*>(event);
  const auto mods = key->modifiers() & ~Qt::KeypadModifier;
  return key->key() == Qt::Key_F1 && mods == Qt::NoModifier;
}

// The widget the key is for. A key from the window system reaches the
// window first (a QWindow) and then its focused widget: for the window, its
// focused widget; a key sent to a widget is for that widget.
const QWidget* keyWidget(QObject* watched) {
  if (const auto* widget = qobject_cast<const QWidget*>(watched)) return widget;
  if (const auto* window = qobject_cast<const QWindow*>(watched)) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->windowHandle() != window) continue;
      return top->focusWidget() ? top->focusWidget() : top;
    }
  }
  return QApplication::focusWidget();
}

}  // namespace

HelpKeyFilter::HelpKeyFilter(std::function<bool(int, QString*)> open,
                             std::function<void(const QString&)> onError, QObject* parent)
    : QObject(parent), open_(std::move(open)), onError_(std::move(onError)) {}

bool HelpKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride) {
    return false;
  }
  if (!isPlainF1(event)) return false;
  if (type == QEvent::ShortcutOverride) {
    // Claims the key before the shortcuts: the press that follows is ours.
    event->accept();
    return true;
  }
  if (type == QEvent::KeyRelease || static_cast<QKeyEvent*>(event)->isAutoRepeat() || busy_) {
    return true;
  }
  const int context = HelpSystem::contextFor(keyWidget(watched));
  QString message;
  busy_ = true;
  if (!open_(context, &message) && onError_) onError_(message);
  busy_ = false;
  return true;
}

}  // namespace swde
