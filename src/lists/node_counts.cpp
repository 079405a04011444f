#include "lists/node_counts.h"

#include <cstdio>

#include "base/text_codec.h"

namespace halvera {

NodeCounts CountNodes(const std::vector<NodeEntry>& nodes) {
    NodeCounts counts;
    for (const NodeEntry& node : nodes) {
        ++counts.total;
        if (node.mark == NodeMark::Up) {
            ++counts.up;
        } else if (node.mark == NodeMark::Sniffing) {
            ++counts.sniffing;
        }
    }
    counts.down = counts.total - counts.up - counts.sniffing;
    counts.rate = counts.total == 0 ? 0 : (counts.up + counts.sniffing) * 100 / counts.total;
    return counts;
}

std::string NodeCountsLine(const NodeCounts& counts) {
    // The format holds only ASCII conversions, so it can be filled in UTF-8 and converted.
    char line[256];
    std::snprintf(line, sizeof line,
                  "ノード数：%2d [ 稼動：%2d / 停止：%2d / 盗聴：%2d ]  稼働率：%2d%%",
                  counts.total, counts.up, counts.down, counts.sniffing, counts.rate);
    return Sjis(line);
}

}  // namespace halvera
