#include "net/node_list_loader.h"

#include "base/text_codec.h"
#include "lists/list_tables.h"
#include "net/arp_probe.h"
#include "net/vendor_table.h"

namespace halvera {
namespace {

std::string TestMark(TestBits bits, TestBits bit) {
    return (bits & bit) != 0 ? Sjis("●") : std::string();
}

ListRow NodeRow(NodeRecord& record, std::int32_t promiss) {
    LookupVendor(record.mac, record.vendor);
    ListRow row;
    row.cells.resize(NODE_LIST_COLUMNS);
    row.checked = record.monitor != 0;
    row.image = record.image;
    row.cells[NODE_COL_LABEL] = record.label;
    row.cells[NODE_COL_B47] = TestMark(record.testBits, TEST_B47);
    row.cells[NODE_COL_B16] = TestMark(record.testBits, TEST_B16);
    row.cells[NODE_COL_B8] = TestMark(record.testBits, TEST_B8);
    row.cells[NODE_COL_IP] = FormatIp(record.ip);
    row.cells[NODE_COL_MAC] = IsZeroMac(record.mac) ? std::string() : FormatMac(record.mac);
    row.cells[NODE_COL_HOST] = record.host;
    row.cells[NODE_COL_DOMAIN] = record.domain;
    row.cells[NODE_COL_VENDOR] = record.vendor;
    row.cells[NODE_COL_DETECTED] = record.detected;
    row.cells[NODE_COL_UPDATED] = record.updated;
    if (record.status == NODE_UP) {
        row.cells[NODE_COL_ST] = IsSniffing(promiss, record.testBits) ? "x" : ".";
    }
    return row;
}

}  // namespace

int NodeListLoader::Count() {
    return static_cast<int>(m_nodes.CountNodes());
}

void NodeListLoader::Load(Progress& progress, int firstPosition) {
    const std::int32_t promiss = m_settings.App().PROMISS;
    for (std::size_t n = 0;; ++n) {
        NodeRecord record;
        if (m_nodes.ReadNodeAt(n, record) != 0) {
            return;
        }
        m_nodeList.InsertRow(static_cast<int>(n), NodeRow(record, promiss));
        progress.SetPosition(firstPosition + static_cast<int>(n));
    }
}

}  // namespace halvera
