// The installer's start form. It is never shown: it names the program
// ("Instalator oprogramowania", "OLVEN") and starts the work from the event
// loop, so that the work's windows run as the loop's modal dialogs.
#pragma once

#include <QWidget>
#include <functional>

class QLabel;

namespace swde {

class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);

  // Queues work to run once the event loop takes it; when work returns, its
  // status is kept and workDone tells it.
  void start(std::function<int()> work);

  bool done() const { return done_; }
  int status() const { return status_; }

  QLabel* titleLabel() const { return title_; }
  QLabel* productLabel() const { return product_; }

 signals:
  void workDone(int status);

 private:
  void runWork();

  QLabel* title_;
  QLabel* product_;
  std::function<int()> work_;
  bool done_ = false;
  int status_ = 0;
};

}  // namespace swde
