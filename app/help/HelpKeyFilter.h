// The application's event filter for F1: opens the help of the focused
// widget's context. The key is taken whole: it opens the help even where a
// menu command holds F1 as its shortcut, and nothing else sees it.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace swde {

class HelpKeyFilter : public QObject {
  Q_OBJECT
 public:
  // open(context, message) opens the help of a context; false with a message
  // that onError then shows.
  HelpKeyFilter(std::function<bool(int, QString*)> open,
                std::function<void(const QString&)> onError, QObject* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<bool(int, QString*)> open_;
  std::function<void(const QString&)> onError_;
  bool busy_ = false;  // an error shown by F1 is not shown again by F1 inside it
};

}  // namespace swde
