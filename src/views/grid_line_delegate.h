#pragma once

#include <QStyledItemDelegate>

namespace halvera {

// Draws the grid lines of a report list: a thin line under and to the right of each cell.
class GridLineDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace halvera
