#include "views/node_list_model.h"

#include "lists/list_tables.h"

namespace halvera {

NodeListModel::NodeListModel(ListTable& table, QObject* parent) : ListTableModel(table, parent) {
    SetCheckColumn(NODE_COL_MONITOR);
}

QVariant NodeListModel::Foreground(int row, int) const {
    if (!IsRowChecked(row)) {
        return Colours().unmonitored;
    }
    const QString mark = CellText(row, NODE_COL_ST);
    if (mark.startsWith(QLatin1Char('.'))) {
        return Colours().text;
    }
    if (mark.startsWith(QLatin1Char('x'))) {
        return Colours().sniffing;
    }
    return Colours().stopped;
}

QVariant NodeListModel::Background(int row, int) const {
    return row % 2 == 1 ? Colours().oddBackground : Colours().background;
}

}  // namespace halvera
