#include "net/node_list.h"

#include "base/text_codec.h"
#include "net/arp_probe.h"
#include "store/node_line.h"
#include "store/vendor_table.h"

namespace halvera {

std::string SearchingText() {
    return Sjis("検索中・・・");
}

std::string NodeStatusMark(int status, std::int32_t promiss, TestBits bits) {
    if (status != NODE_UP) {
        return {};
    }
    return IsSniffing(promiss, bits) ? "x" : ".";
}

std::string TestBitMark(TestBits bits, TestBits bit) {
    return (bits & bit) != 0 ? Sjis("●") : std::string();
}

int FindNodeRow(const ListTable& nodeList, Ipv4 ip, const MacAddress& mac) {
    const std::string macText = FormatMac(mac);
    const auto rows = nodeList.Snapshot();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& cells = rows[i].cells;
        if (InetAddr(cells[NODE_COL_IP]) == ip &&
            (cells[NODE_COL_MAC].empty() || cells[NODE_COL_MAC] == macText)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void RemoveNodeRow(ListTable& nodeList, Ipv4 ip, const MacAddress& mac) {
    const std::string ipText = FormatIp(ip);
    const auto rows = nodeList.Snapshot();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& cells = rows[i].cells;
        if (cells[NODE_COL_IP] == ipText && ParseMac(cells[NODE_COL_MAC]) == mac) {
            nodeList.RemoveRow(static_cast<int>(i));
            return;
        }
    }
}

void LoadNodeList(ListTable& nodeList, NodeStore& nodes, std::int32_t promiss, Progress* progress) {
    for (std::size_t i = 0;; ++i) {
        NodeRecord record;
        if (nodes.ReadNodeAt(i, record) != 0) {
            break;
        }
        LookupVendor(record.mac, record.vendor);
        ListRow row;
        row.cells.resize(NODE_LIST_COLUMNS);
        row.checked = record.monitor != 0;
        row.image = record.image;
        row.cells[NODE_COL_LABEL] = record.label;
        row.cells[NODE_COL_B47] = TestBitMark(record.testBits, TEST_B47);
        row.cells[NODE_COL_B16] = TestBitMark(record.testBits, TEST_B16);
        row.cells[NODE_COL_B8] = TestBitMark(record.testBits, TEST_B8);
        row.cells[NODE_COL_IP] = FormatIp(record.ip);
        row.cells[NODE_COL_MAC] = IsZeroMac(record.mac) ? std::string() : FormatMac(record.mac);
        row.cells[NODE_COL_VENDOR] = record.vendor;
        row.cells[NODE_COL_HOST] = record.host;
        row.cells[NODE_COL_DOMAIN] = record.domain;
        row.cells[NODE_COL_DETECTED] = record.detected;
        row.cells[NODE_COL_UPDATED] = record.updated;
        row.cells[NODE_COL_ST] = NodeStatusMark(record.status, promiss, record.testBits);
        nodeList.InsertRow(static_cast<int>(i), std::move(row));
        if (progress != nullptr) {
            progress->SetPosition(static_cast<int>(i));
        }
    }
}

}  // namespace halvera
