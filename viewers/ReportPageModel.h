// The rows of the report viewer's list: one page, every row of equal height,
// rows below the last line of the file empty and not selectable.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

namespace olv {

class ReportPageModel : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  // rowCount rows of rowHeight pixels, the first texts.size() holding the
  // lines; contentWidth: the widest line in pixels (for the horizontal bar).
  // True when the model was reset (the views lost their selection): the
  // row count, the row height or the width changed. Otherwise only the
  // texts change and the selection stays.
  bool setPage(int rowCount, QStringList texts, int rowHeight, int contentWidth);

  // The text of row r as shown; "" for a row without a line.
  QString text(int row) const;
  int linesShown() const { return static_cast<int>(texts_.size()); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  int rows_ = 0;
  QStringList texts_;
  int rowHeight_ = 1;
  int contentWidth_ = 0;
};

}  // namespace olv
