#include "lists/node_list_sort.h"

#include "base/ip_address.h"

namespace halvera {

bool IsNodeSortKey(int value) {
    return value >= SORT_BY_IP && value <= SORT_BY_DOMAIN;
}

void SortNodeList(NodeTable& nodeList, NodeSortKey key) {
    // std::string compares as unsigned bytes, which orders CP932 texts by their codes; MAC
    // addresses compare by their bytes, an unknown one (all zero) first, as its empty cell
    // sorts.
    switch (key) {
        case SORT_BY_IP:
            nodeList.Sort([](const NodeEntry& l, const NodeEntry& r) {
                return HostOrder(l.ip) < HostOrder(r.ip);
            });
            return;
        case SORT_BY_MAC:
            nodeList.Sort([](const NodeEntry& l, const NodeEntry& r) { return l.mac < r.mac; });
            return;
        case SORT_BY_LABEL:
            break;
        case SORT_BY_HOST:
            nodeList.Sort([](const NodeEntry& l, const NodeEntry& r) { return l.host < r.host; });
            return;
        case SORT_BY_DOMAIN:
            nodeList.Sort(
                [](const NodeEntry& l, const NodeEntry& r) { return l.domain < r.domain; });
            return;
    }
    nodeList.Sort([](const NodeEntry& l, const NodeEntry& r) { return l.label < r.label; });
}

}  // namespace halvera
