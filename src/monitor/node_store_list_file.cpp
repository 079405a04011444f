#include "monitor/node_store_list_file.h"

namespace halvera {

void NodeStoreListFile::RecreateEmpty() {
    m_nodes.SetKeepNodeList(0);
    m_nodes.CloseNodeStore();
    m_nodes.InitNodeStore();
    m_nodes.SetKeepNodeList(1);
}

void NodeStoreListFile::SaveMonitorFlags(const NodeTable& nodeList) {
    for (std::size_t n = 0;; ++n) {
        NodeRecord record;
        if (m_nodes.ReadNodeAt(n, record) != 0) {
            return;
        }
        const auto checked = static_cast<std::uint32_t>(nodeList.IsMonitored(record.ip) ? 1 : 0);
        if (checked != record.monitor) {
            record.monitor = checked;
            m_nodes.PutNode(record);
        }
    }
}

void NodeStoreListFile::DeleteNode(Ipv4 ip) {
    m_nodes.DeleteNode(ip);
}

int NodeStoreListFile::StoreLabel(Ipv4 ip, std::string_view labelCp932) {
    NodeRecord record;
    m_nodes.FindNodeByIp(ip, record);
    if (ip == 0 || record.ip != ip) {
        return 1;
    }
    record.label = labelCp932;
    return m_nodes.PutNode(record) == PUT_REPLACED ? 0 : 1;
}

}  // namespace halvera
