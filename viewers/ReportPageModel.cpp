#include "viewers/ReportPageModel.h"

#include <QSize>
#include <utility>

namespace olv {

bool ReportPageModel::setPage(int rowCount, QStringList texts, int rowHeight, int contentWidth) {
  const bool sameShape =
      rowCount == rows_ && rowHeight == rowHeight_ && contentWidth == contentWidth_;
  if (sameShape) {
    texts_ = std::move(texts);
    if (rows_ > 0) emit dataChanged(index(0), index(rows_ - 1), {Qt::DisplayRole});
    return false;
  }
  beginResetModel();
  rows_ = rowCount;
  texts_ = std::move(texts);
  rowHeight_ = rowHeight;
  contentWidth_ = contentWidth;
  endResetModel();
  return true;
}

QString ReportPageModel::text(int row) const {
  return row >= 0 && row < texts_.size() ? texts_[row] : QString();
}

int ReportPageModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

QVariant ReportPageModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_) return {};
  switch (role) {
    case Qt::DisplayRole:
      return text(index.row());
    case Qt::SizeHintRole:
      return QSize(contentWidth_, rowHeight_);
    default:
      return {};
  }
}

Qt::ItemFlags ReportPageModel::flags(const QModelIndex& index) const {
  if (!index.isValid() || index.row() >= texts_.size()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace olv
