#include "wizard/wizPicture.h"

#include <QImageReader>
#include <QLabel>
#include <QPixmap>

// The resource of a static library is registered by hand, once (outside
// any namespace, as Qt's macro wants).
static void registerPictures() {
  Q_INIT_RESOURCE(pictures);
}

namespace swde {

namespace {

void ensurePictures() {
  static const bool registered = (registerPictures(), true);
  (void)registered;
}

}  // namespace

wizPicture wizPicture::load(const QString& name) {
  ensurePictures();
  QImageReader reader(QStringLiteral(":/wizard/") + name);
  wizPicture picture;
  // Asked before the read: afterwards the reader has nothing left to tell.
  picture.format = reader.format();
  picture.image = reader.read();
  return picture;
}

QIcon wizPicture::rowIcon(int image) {
  if (image < 0) return QIcon();
  ensurePictures();
  return QIcon(QStringLiteral(":/wizard/row%1.png").arg(image));
}

QLabel* wizPicture::makeLabel(QWidget* parent) const {
  auto* label = new QLabel(parent);
  label->setObjectName(QStringLiteral("picture"));
  label->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  if (!image.isNull()) {
    label->setPixmap(QPixmap::fromImage(image));
    label->setFixedSize(image.size());
  }
  return label;
}

}  // namespace swde
