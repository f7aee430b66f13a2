// The application object of the window mode: an exception that escapes an
// event handler is caught here, shown, and the program goes on.
#pragma once

#include <QApplication>
#include <functional>

namespace swde {

class OlvenApplication : public QApplication {
 public:
  // Shows the message of a caught exception.
  using Reporter = std::function<void(const QString&)>;

  OlvenApplication(int& argc, char** argv);

  // Replaces the message box (tests).
  void setReporter(Reporter reporter) { reporter_ = std::move(reporter); }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  void report(const QString& text);

  Reporter reporter_;
};

}  // namespace swde
