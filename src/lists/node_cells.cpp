#include "lists/node_cells.h"

#include "base/text_codec.h"
#include "lists/list_tables.h"

namespace halvera {

std::string SearchingText() {
    return Sjis("検索中・・・");
}

std::string NodeMarkText(NodeMark mark) {
    switch (mark) {
        case NodeMark::Up:
            return ".";
        case NodeMark::Sniffing:
            return "x";
        case NodeMark::Down:
            break;
    }
    return {};
}

std::string TestBitMark(TestBits bits, TestBits bit) {
    return (bits & bit) != 0 ? Sjis("●") : std::string();
}

ListRow NodeRowOf(const NodeEntry& node) {
    ListRow row;
    row.cells.resize(NODE_LIST_COLUMNS);
    row.checked = node.monitored;
    row.image = node.image;
    row.tone = static_cast<int>(NodeRowColourOf(node.monitored, node.mark));
    if (node.searching) {
        row.cells[NODE_COL_MONITOR] = SearchingText();
    }
    row.cells[NODE_COL_LABEL] = node.label;
    row.cells[NODE_COL_B47] = TestBitMark(node.testBits, TEST_B47);
    row.cells[NODE_COL_B16] = TestBitMark(node.testBits, TEST_B16);
    row.cells[NODE_COL_B8] = TestBitMark(node.testBits, TEST_B8);
    row.cells[NODE_COL_IP] = FormatIp(node.ip);
    row.cells[NODE_COL_MAC] = IsZeroMac(node.mac) ? std::string() : FormatMac(node.mac);
    row.cells[NODE_COL_HOST] = node.host;
    row.cells[NODE_COL_DOMAIN] = node.domain;
    row.cells[NODE_COL_VENDOR] = node.vendor;
    row.cells[NODE_COL_DETECTED] = node.detected.Text();
    row.cells[NODE_COL_UPDATED] = node.updated.Text();
    row.cells[NODE_COL_ST] = NodeMarkText(node.mark);
    return row;
}

}  // namespace halvera
