// The program's help: HTML pages in the folder "pomoc/" beside the program,
// shown in one help window. A context number names a page (and an anchor)
// through pomoc/konteksty.txt; F1 opens the context of the focused widget.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>

class QApplication;
class QObject;
class QWidget;

namespace swde {

class HelpWindow;

class HelpSystem {  // one per program
 public:
  static HelpSystem& instance();

  // Folder of the pages: "pomoc/" beside the running program (/proc/self/exe);
  // tests may point it elsewhere.
  void setFolder(const QString& folder);
  QString folder() const;

  // True when pomoc/index.html exists; missingMessage() = "Nie znaleziono
  // pliku pomocy:\n" + full path of pomoc/index.html.
  bool available() const;
  QString missingMessage() const;

  // Opens the page of a context (from konteksty.txt; a number without a line:
  // index.html) in the one help window (created on first use, modeless,
  // caption "OLVEN - Pomoc", raised and reused). False with a message when
  // the help is missing or konteksty.txt is malformed (the message names the
  // file and the line).
  bool showContext(int context, QString* message = nullptr);

  // Closes the help window.
  void closeAll();

  // The context of a widget (a dynamic property), read by F1: the widget's
  // own or its nearest ancestor's, else 1000.
  static void setContext(QWidget* w, int context);
  static int contextFor(const QWidget* w);

  // Installs the application event filter for F1 (handled, not passed on).
  // onError gets the message to show when the help cannot be opened.
  void installF1(QApplication& app, std::function<void(const QString&)> onError);

  // The help window while it exists (for the program's own checks), else null.
  HelpWindow* window() const;

  static constexpr int kOverview = 1000;

 private:
  HelpSystem();
  ~HelpSystem();
  HelpSystem(const HelpSystem&) = delete;
  HelpSystem& operator=(const HelpSystem&) = delete;

  QString folder_;
  QPointer<HelpWindow> window_;
  QPointer<QObject> f1Filter_;
};

}  // namespace swde
