#pragma once

#include <QTreeView>

#include <span>
#include <vector>

#include "lists/list_columns.h"
#include "views/list_colours.h"
#include "views/list_table_model.h"

namespace halvera {

// A report list over one ListTableModel: full-row selection of several rows, movable
// headers, no sorting by header clicks (the node list is sorted by its commands, in core).
class ListControl : public QTreeView {
    Q_OBJECT

  public:
    ListControl(ListTableModel* model, std::span<const ListColumn> columns,
                QWidget* parent = nullptr);

    ListTableModel* Model() const { return m_model; }

    // Gives each column its width, or width 0 when the mask clears its bit; a hidden column
    // keeps its place.
    void ApplyColumnMask(int mask);
    void ApplyColours(const ListColours& colours);
    void EnableGridLines();

    // The selected rows as table row indexes, ascending, after the pending changes are
    // applied.
    std::vector<int> SelectedRows();
    // Clears the selection and the focus of every row, then selects, focuses and scrolls
    // into view the row of this table index; -1 only clears.
    void SelectOnlyRow(int row);

  signals:
    // A right-button press while at least one row is selected.
    void PopupRequested(const QPoint& globalPos);

  private:
    ListTableModel* m_model;
    std::span<const ListColumn> m_columns;
};

}  // namespace halvera
