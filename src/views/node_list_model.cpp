#include "views/node_list_model.h"

#include "lists/list_tables.h"
#include "lists/node_row_colour.h"

namespace halvera {

NodeListModel::NodeListModel(NodeTable& nodes, QObject* parent)
    : ListTableModel(nodes.Display(), parent), m_nodes(nodes) {
    SetCheckColumn(NODE_COL_MONITOR);
}

bool NodeListModel::WriteChecked(int row, bool checked) {
    return m_nodes.SetMonitored(row, checked);
}

QVariant NodeListModel::Foreground(int row, int) const {
    switch (static_cast<NodeRowColour>(RowTone(row))) {
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
