#include "app/help/HelpWindow.h"

#include <QDir>
#include <QHBoxLayout>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace swde {

namespace {

QToolButton* makeButton(QWidget* parent, const QString& text, QStyle::StandardPixmap icon) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setIcon(parent->style()->standardIcon(icon));
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

HelpWindow::HelpWindow(const QString& folder, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(folder) {
  setWindowTitle(QStringLiteral("OLVEN - Pomoc"));
  setObjectName(QStringLiteral("HelpWindow"));

  back_ = makeButton(this, QStringLiteral("Wstecz"), QStyle::SP_ArrowBack);
  forward_ = makeButton(this, QStringLiteral("Dalej"), QStyle::SP_ArrowForward);
  contents_ = makeButton(this, QStringLiteral("Spis treści"), QStyle::SP_DirHomeIcon);
  back_->setEnabled(false);
  forward_->setEnabled(false);

  browser_ = new QTextBrowser(this);
  // Only our own pages: a link never leaves the help folder for a browser
  // or the network.
  browser_->setOpenExternalLinks(false);
  browser_->setOpenLinks(true);
  browser_->setSearchPaths({folder_});

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(4, 2, 4, 2);
  bar->addWidget(back_);
  bar->addWidget(forward_);
  bar->addWidget(contents_);
  bar->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addLayout(bar);
  layout->addWidget(browser_, 1);

  connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(contents_, &QToolButton::clicked, this,
          [this] { showPage(QStringLiteral("index.html")); });
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);

  resize(780, 580);
}

void HelpWindow::showPage(const QString& page, const QString& anchor) {
  QUrl url = QUrl::fromLocalFile(QDir(folder_).absoluteFilePath(page));
  if (!anchor.isEmpty()) url.setFragment(anchor);
  browser_->setSource(url);
}

QUrl HelpWindow::currentUrl() const {
  return browser_->source();
}

}  // namespace swde
