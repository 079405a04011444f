#include "views/node_list_model.h"

#include "lists/list_tables.h"
#include "lists/node_row_colour.h"

namespace halvera {

NodeListModel::NodeListModel(ListTable& table, QObject* parent) : ListTableModel(table, parent) {
    SetCheckColumn(NODE_COL_MONITOR);
}

QVariant NodeListModel::Foreground(int row, int) const {
    switch (NodeRowColourOf(IsRowChecked(row), CellText(row, NODE_COL_ST).toStdString())) {
        case NodeRowColour::Unmonitored:
            return Colours().unmonitored;
        case NodeRowColour::Up:
            return Colours().text;
        case NodeRowColour::Sniffing:
            return Colours().sniffing;
        case NodeRowColour::Stopped:
            break;
    }
    return Colours().stopped;
}

QVariant NodeListModel::Background(int row, int) const {
    return row % 2 == 1 ? Colours().oddBackground : Colours().background;
}

}  // namespace halvera
