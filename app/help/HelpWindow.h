// The help window: a browser of the help pages with back, forward and
// "Spis treści" (the index page). Modeless; one per program (HelpSystem).
#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace swde {

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(const QString& folder, QWidget* parent = nullptr);

  // Shows page (a file name in the folder) at anchor (empty: the top).
  void showPage(const QString& page, const QString& anchor = QString());
  // The page shown: its file URL with the anchor as fragment.
  QUrl currentUrl() const;
  QTextBrowser* browser() const { return browser_; }
  QToolButton* backButton() const { return back_; }
  QToolButton* forwardButton() const { return forward_; }
  QToolButton* contentsButton() const { return contents_; }

 private:
  QString folder_;
  QTextBrowser* browser_ = nullptr;
  QToolButton* back_ = nullptr;
  QToolButton* forward_ = nullptr;
  QToolButton* contents_ = nullptr;
};

}  // namespace swde
