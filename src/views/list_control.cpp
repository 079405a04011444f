#include "views/list_control.h"

#include <QHeaderView>

#include <algorithm>

#include "views/grid_line_delegate.h"

namespace halvera {

ListControl::ListControl(ListTableModel* model, std::span<const ListColumn> columns,
                         QWidget* parent)
    : QTreeView(parent), m_model(model), m_columns(columns) {
    QStringList headers;
    for (const ListColumn& column : columns) {
        headers.push_back(
            QString::fromUtf8(column.header.data(), static_cast<qsizetype>(column.header.size())));
    }
    model->SetHeaders(headers);
    model->setParent(this);
    setModel(model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ApplyColumnMask(~0);

    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (selectionModel()->hasSelection()) {
            emit PopupRequested(viewport()->mapToGlobal(pos));
        }
    });
    connect(model, &ListTableModel::ScrollRequested, this,
            [this](int row) { scrollTo(m_model->index(row, 0)); });
}

void ListControl::ApplyColumnMask(int mask) {
    for (std::size_t column = 0; column < m_columns.size(); ++column) {
        const ListColumn& c = m_columns[column];
        const bool shown = c.mapBit == 0 || (mask & c.mapBit) != 0;
        header()->resizeSection(static_cast<int>(column), shown ? c.width : 0);
    }
}

void ListControl::ApplyColours(const ListColours& colours) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, colours.background);
    palette.setColor(QPalette::AlternateBase, colours.background);
    palette.setColor(QPalette::Text, colours.text);
    setPalette(palette);
    m_model->SetColours(colours);
    viewport()->update();
}

void ListControl::EnableGridLines() {
    setItemDelegate(new GridLineDelegate(this));
}

std::vector<int> ListControl::SelectedRows() {
    m_model->ApplyPendingChanges();
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ListControl::SelectOnlyRow(int row) {
    m_model->ApplyPendingChanges();
    selectionModel()->clear();
    const QModelIndex index = m_model->index(row, 0);
    if (!index.isValid()) {
        return;
    }
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

}  // namespace halvera
