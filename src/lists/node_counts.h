#pragma once

#include <string>
#include <vector>

#include "lists/node_entry.h"

namespace halvera {

// The counts of the node list that the banner shows, by each node's mark. The rate is the
// share of nodes up or sniffing, in whole percent (0 for an empty list).
struct NodeCounts {
    int total = 0;
    int up = 0;
    int down = 0;
    int sniffing = 0;
    int rate = 0;

    bool operator==(const NodeCounts&) const = default;
};

NodeCounts CountNodes(const std::vector<NodeEntry>& nodes);

// The counts as the banner's second line writes them (CP932), without its heading:
// "ノード数：10 [ 稼動： 6 / 停止： 3 / 盗聴： 1 ]  稼働率：70%".
std::string NodeCountsLine(const NodeCounts& counts);

}  // namespace halvera
