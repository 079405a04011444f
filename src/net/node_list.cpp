#include "net/node_list.h"

#include <utility>
#include <vector>

#include "net/arp_probe.h"
#include "store/vendor_table.h"

namespace halvera {

NodeMark NodeMarkOf(int status, std::int32_t promiss, TestBits bits) {
    if (status != NODE_UP) {
        return NodeMark::Down;
    }
    return IsSniffing(promiss, bits) ? NodeMark::Sniffing : NodeMark::Up;
}

NodeEntry NodeEntryOf(const NodeRecord& record, std::int32_t promiss) {
    NodeEntry node;
    node.ip = record.ip;
    node.mac = record.mac;
    node.label = record.label;
    node.host = record.host;
    node.domain = record.domain;
    node.vendor = record.vendor;
    node.testBits = record.testBits;
    node.mark = NodeMarkOf(record.status, promiss, record.testBits);
    node.monitored = record.monitor != 0;
    node.image = record.image;
    node.detected = LocalStamp::Read(record.detected);
    node.updated = LocalStamp::Read(record.updated);
    return node;
}

void LoadNodeList(NodeTable& nodeList, NodeStore& nodes, std::int32_t promiss, Progress* progress) {
    std::vector<NodeEntry> loaded;
    for (std::size_t i = 0;; ++i) {
        NodeRecord record;
        if (nodes.ReadNodeAt(i, record) != 0) {
            break;
        }
        LookupVendor(record.mac, record.vendor);
        loaded.push_back(NodeEntryOf(record, promiss));
        if (progress != nullptr) {
            progress->SetPosition(static_cast<int>(i));
        }
    }
    nodeList.Reset(std::move(loaded));
}

}  // namespace halvera
