#include "setup/TfrmPictureForm.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

// The resource is compiled into the static library: its registration is
// pulled in by name, once, before the first picture is asked for.
static void initSetupPictures() {
  static const bool done = [] {
    Q_INIT_RESOURCE(pictures);
    return true;
  }();
  (void)done;
}

namespace swde {

const char* const TfrmPictureForm::kPicturePath = ":/setup/setup.jpg";
const char* const TfrmPictureForm::kIconPath = ":/setup/olven.png";

QPixmap TfrmPictureForm::picture() {
  initSetupPictures();
  return QPixmap(QString::fromLatin1(kPicturePath));
}

QIcon TfrmPictureForm::programIcon() {
  initSetupPictures();
  return QIcon(QString::fromLatin1(kIconPath));
}

TfrmPictureForm::TfrmPictureForm(const QString& caption, QWidget* parent) : QDialog(parent) {
  setWindowTitle(caption);
  setWindowIcon(programIcon());

  picture_ = new QLabel(this);
  picture_->setObjectName(QStringLiteral("picture"));
  picture_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  const QPixmap pixmap = picture();
  if (!pixmap.isNull()) picture_->setPixmap(pixmap);
  picture_->setVisible(!pixmap.isNull());

  texts_ = new QVBoxLayout;
  texts_->setSpacing(6);
  buttons_ = new QHBoxLayout;
  buttons_->addStretch(1);

  column_ = new QVBoxLayout;
  column_->addLayout(texts_);
  column_->addStretch(1);
  column_->addSpacing(12);
  column_->addLayout(buttons_);

  auto* top = new QHBoxLayout(this);
  top->setContentsMargins(12, 12, 12, 12);
  top->setSpacing(16);
  top->addWidget(picture_, 0, Qt::AlignTop);
  top->addLayout(column_, 1);
  // A fixed window, as large as its content asks.
  top->setSizeConstraint(QLayout::SetFixedSize);
}

QLabel* TfrmPictureForm::addHeading(const QString& text) {
  auto* label = new QLabel(text, this);
  QFont font = label->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 2);
  label->setFont(font);
  texts_->addWidget(label);
  return label;
}

QLabel* TfrmPictureForm::addText(const QString& text) {
  auto* label = new QLabel(text, this);
  label->setWordWrap(true);
  // Wide enough that the longest line breaks in few places.
  label->setMinimumWidth(300);
  texts_->addWidget(label);
  return label;
}

void TfrmPictureForm::addGap() {
  texts_->addSpacing(12);
}

void TfrmPictureForm::centerTexts() {
  column_->insertStretch(0, 1);
}

QPushButton* TfrmPictureForm::addButton(const QString& text, bool accepts) {
  auto* button = new QPushButton(text, this);
  buttons_->addWidget(button);
  connect(button, &QPushButton::clicked, this, accepts ? &QDialog::accept : &QDialog::reject);
  return button;
}

}  // namespace swde
