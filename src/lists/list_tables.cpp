#include "lists/list_tables.h"

namespace halvera {

int IsNodeChecked(const ListTable& nodeList, Ipv4 ip) {
    const int row = nodeList.FindRow(NODE_COL_IP, FormatIp(ip));
    return row >= 0 && nodeList.IsChecked(row) ? 1 : 0;
}

}  // namespace halvera
