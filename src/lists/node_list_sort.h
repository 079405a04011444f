#pragma once

#include "lists/node_table.h"

namespace halvera {

// The keys of the sort commands, numbered as the SORT setting stores them.
enum NodeSortKey {
    SORT_BY_IP = 1,
    SORT_BY_MAC = 2,
    SORT_BY_LABEL = 3,
    SORT_BY_HOST = 4,
    SORT_BY_DOMAIN = 5,
};

// True for the values of SORT that name a key; any other value sorts nothing.
bool IsNodeSortKey(int value);

// Sorts the node list ascending by the key: addresses by their numeric value, MAC addresses
// by their bytes, every other key byte-wise on the CP932 text. Only the display order
// changes; the node database keeps its order.
void SortNodeList(NodeTable& nodeList, NodeSortKey key);

}  // namespace halvera
