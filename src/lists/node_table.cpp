#include "lists/node_table.h"

#include <algorithm>
#include <utility>

#include "lists/node_cells.h"

namespace halvera {

NodeTable::NodeTable() = default;

bool NodeTable::IsRow(int row) const {
    return row >= 0 && row < static_cast<int>(m_nodes.size());
}

int NodeTable::RowCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_nodes.size());
}

std::vector<NodeEntry> NodeTable::Snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_nodes;
}

std::optional<NodeEntry> NodeTable::At(int row) const {
    std::lock_guard lock(m_mutex);
    if (!IsRow(row)) {
        return std::nullopt;
    }
    return m_nodes[static_cast<std::size_t>(row)];
}

int NodeTable::FirstRowLocked(Ipv4 ip) const {
    const auto found = m_rowsOf.find(ip);
    return found == m_rowsOf.end() ? -1 : found->second.front();
}

int NodeTable::RowLocked(Ipv4 ip, const MacAddress& mac) const {
    const auto found = m_rowsOf.find(ip);
    if (found == m_rowsOf.end()) {
        return -1;
    }
    for (int row : found->second) {
        const MacAddress& shown = m_nodes[static_cast<std::size_t>(row)].mac;
        if (IsZeroMac(shown) || shown == mac) {
            return row;
        }
    }
    return -1;
}

int NodeTable::RowOf(Ipv4 ip) const {
    std::lock_guard lock(m_mutex);
    return FirstRowLocked(ip);
}

int NodeTable::RowOf(Ipv4 ip, const MacAddress& mac) const {
    std::lock_guard lock(m_mutex);
    return RowLocked(ip, mac);
}

bool NodeTable::IsMonitored(Ipv4 ip) const {
    std::lock_guard lock(m_mutex);
    const int row = FirstRowLocked(ip);
    return row >= 0 && m_nodes[static_cast<std::size_t>(row)].monitored;
}

NodeCounts NodeTable::Counts() const {
    std::lock_guard lock(m_mutex);
    return CountNodes(m_nodes);
}

int NodeTable::Append(NodeEntry node) {
    std::lock_guard lock(m_mutex);
    const int row = static_cast<int>(m_nodes.size());
    node.searching = false;
    m_rowsOf[node.ip].push_back(row);
    m_display.AppendRow(NodeRowOf(node));
    m_nodes.push_back(std::move(node));
    return row;
}

void NodeTable::Reset(std::vector<NodeEntry> nodes) {
    std::lock_guard lock(m_mutex);
    m_nodes = std::move(nodes);
    for (NodeEntry& node : m_nodes) {
        node.searching = false;
    }
    Reindex();
    ShowAll();
}

void NodeTable::Clear() {
    Reset({});
}

bool NodeTable::Remove(int row) {
    std::lock_guard lock(m_mutex);
    if (!IsRow(row)) {
        return false;
    }
    m_nodes.erase(m_nodes.begin() + row);
    Reindex();
    m_display.RemoveRow(row);
    return true;
}

void NodeTable::Remove(Ipv4 ip, const MacAddress& mac) {
    std::lock_guard lock(m_mutex);
    const auto found = m_rowsOf.find(ip);
    if (found == m_rowsOf.end()) {
        return;
    }
    for (int row : found->second) {
        if (m_nodes[static_cast<std::size_t>(row)].mac == mac) {
            m_nodes.erase(m_nodes.begin() + row);
            Reindex();
            m_display.RemoveRow(row);
            return;
        }
    }
}

bool NodeTable::Change(int row, const std::function<void(NodeEntry&)>& change) {
    std::lock_guard lock(m_mutex);
    return ChangeLocked(row, change);
}

bool NodeTable::ChangeNode(Ipv4 ip, const std::function<void(NodeEntry&)>& change) {
    std::lock_guard lock(m_mutex);
    return ChangeLocked(FirstRowLocked(ip), change);
}

bool NodeTable::ChangeNode(Ipv4 ip, const MacAddress& mac,
                           const std::function<void(NodeEntry&)>& change) {
    std::lock_guard lock(m_mutex);
    return ChangeLocked(RowLocked(ip, mac), change);
}

bool NodeTable::ChangeLocked(int row, const std::function<void(NodeEntry&)>& change) {
    if (!IsRow(row)) {
        return false;
    }
    NodeEntry& node = m_nodes[static_cast<std::size_t>(row)];
    const NodeEntry before = node;
    change(node);
    if (node == before) {
        return true;
    }
    if (node.ip != before.ip) {
        Reindex();
    }
    Show(row);
    return true;
}

bool NodeTable::SetMonitored(int row, bool monitored) {
    return Change(row, [monitored](NodeEntry& node) { node.monitored = monitored; });
}

bool NodeTable::SetLabel(int row, std::string label) {
    return Change(row, [&label](NodeEntry& node) { node.label = std::move(label); });
}

void NodeTable::MarkSearching(Ipv4 ip, const MacAddress& mac) {
    std::lock_guard lock(m_mutex);
    const int row = RowLocked(ip, mac);
    if (!IsRow(row)) {
        return;
    }
    SetSearching(false);
    m_searchingRow = row;
    SetSearching(true);
}

void NodeTable::ClearSearching() {
    std::lock_guard lock(m_mutex);
    SetSearching(false);
    m_searchingRow = -1;
}

void NodeTable::SetSearching(bool searching) {
    if (!IsRow(m_searchingRow)) {
        return;
    }
    m_nodes[static_cast<std::size_t>(m_searchingRow)].searching = searching;
    Show(m_searchingRow);
}

void NodeTable::Sort(const std::function<bool(const NodeEntry&, const NodeEntry&)>& less) {
    std::lock_guard lock(m_mutex);
    std::stable_sort(m_nodes.begin(), m_nodes.end(), less);
    Reindex();
    ShowAll();
}

void NodeTable::Reindex() {
    m_rowsOf.clear();
    m_searchingRow = -1;
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        m_rowsOf[m_nodes[i].ip].push_back(static_cast<int>(i));
        if (m_nodes[i].searching) {
            m_searchingRow = static_cast<int>(i);
        }
    }
}

void NodeTable::Show(int row) {
    m_display.SetRow(row, NodeRowOf(m_nodes[static_cast<std::size_t>(row)]));
}

void NodeTable::ShowAll() {
    std::vector<ListRow> rows;
    rows.reserve(m_nodes.size());
    for (const NodeEntry& node : m_nodes) {
        rows.push_back(NodeRowOf(node));
    }
    m_display.Reset(std::move(rows));
}

}  // namespace halvera
