// The pictures of the wizard's windows and the images of the list's rows,
// embedded in the program's resources under ":/wizard/".
#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QString>

class QLabel;
class QWidget;

namespace swde {

struct wizPicture {
  QImage image;       // null when it could not be decoded
  QByteArray format;  // the format the reader found ("jpeg")

  // The JPEG of a window, by file name ("TForm1.jpg").
  static wizPicture load(const QString& name);
  // The row image 0..8 of the list; a null icon for -1.
  static QIcon rowIcon(int image);

  // A label showing the picture at its own size, named "picture".
  QLabel* makeLabel(QWidget* parent) const;
};

}  // namespace swde
