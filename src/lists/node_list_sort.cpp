#include "lists/node_list_sort.h"

#include <string_view>

#include "base/ip_address.h"
#include "lists/list_tables.h"

namespace halvera {

namespace {

// The address column is read as at most this many characters; a text that is no address
// reads as 255.255.255.255 and sorts last.
constexpr std::size_t ADDRESS_TEXT_MAX = 19;

std::uint32_t AddressValue(const std::string& text) {
    return HostOrder(InetAddr(std::string_view(text).substr(0, ADDRESS_TEXT_MAX)));
}

int KeyColumn(NodeSortKey key) {
    switch (key) {
        case SORT_BY_IP:
            return NODE_COL_IP;
        case SORT_BY_MAC:
            return NODE_COL_MAC;
        case SORT_BY_LABEL:
            return NODE_COL_LABEL;
        case SORT_BY_HOST:
            return NODE_COL_HOST;
        case SORT_BY_DOMAIN:
            return NODE_COL_DOMAIN;
    }
    return NODE_COL_LABEL;
}

}  // namespace

bool IsNodeSortKey(int value) {
    return value >= SORT_BY_IP && value <= SORT_BY_DOMAIN;
}

void SortNodeList(ListTable& nodeList, NodeSortKey key) {
    const auto column = static_cast<std::size_t>(KeyColumn(key));
    if (key == SORT_BY_IP) {
        nodeList.Sort([column](const ListRow& l, const ListRow& r) {
            return AddressValue(l.cells[column]) < AddressValue(r.cells[column]);
        });
        return;
    }
    // std::string compares as unsigned bytes, which orders CP932 texts by their codes.
    nodeList.Sort(
        [column](const ListRow& l, const ListRow& r) { return l.cells[column] < r.cells[column]; });
}

}  // namespace halvera
