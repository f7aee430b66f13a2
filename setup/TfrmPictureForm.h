// What the question and end windows of the installer share: the picture at
// the left, a column of texts beside it and a row of buttons under them. The
// window icon and the picture come from the installer's resource; every
// window of the installer takes its icon from here.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QLabel;
class QPushButton;
class QVBoxLayout;
class QHBoxLayout;

namespace swde {

class TfrmPictureForm : public QDialog {
  Q_OBJECT

 public:
  // The picture (null when the resource lacks it) and the program's icon.
  static QPixmap picture();
  static QIcon programIcon();
  // Where the picture and the icon are found in the resource.
  static const char* const kPicturePath;
  static const char* const kIconPath;

  QLabel* pictureLabel() const { return picture_; }

 protected:
  TfrmPictureForm(const QString& caption, QWidget* parent);

  // A line of the text column: the product's name as a heading, or a text
  // wrapped to the column's width.
  QLabel* addHeading(const QString& text);
  QLabel* addText(const QString& text);
  // Space between groups of lines.
  void addGap();
  // The texts in the middle of the column's height rather than at its top,
  // for a window that says one thing.
  void centerTexts();
  // A button of the row, closing the window as accepted or rejected.
  QPushButton* addButton(const QString& text, bool accepts);

 private:
  QLabel* picture_;
  QVBoxLayout* column_;
  QVBoxLayout* texts_;
  QHBoxLayout* buttons_;
};

}  // namespace swde
