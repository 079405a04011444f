#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "lists/list_columns.h"
#include "lists/list_table.h"
#include "lists/node_counts.h"
#include "lists/node_entry.h"

namespace halvera {

// The node list: typed node state in display order, indexed by address, and the display
// table the views mirror, which only this table writes (each row formatted from its node).
// Any thread may change it; every change reaches the display table under this table's lock,
// so the two never disagree.
//
// An address may show in more than one row (a node file edited by hand); the runs, the
// monitored flag and the node file go by the first.
class NodeTable {
  public:
    NodeTable();
    NodeTable(const NodeTable&) = delete;
    NodeTable& operator=(const NodeTable&) = delete;

    // The rows as the views show them. Subscribe to it; never write it.
    ListTable& Display() { return m_display; }
    const ListTable& Display() const { return m_display; }

    int RowCount() const;
    std::vector<NodeEntry> Snapshot() const;
    std::optional<NodeEntry> At(int row) const;
    // The first row of the address, or -1.
    int RowOf(Ipv4 ip) const;
    // The first row of the address whose MAC is unknown or this one, or -1.
    int RowOf(Ipv4 ip, const MacAddress& mac) const;
    // Whether the first row of the address is monitored; false when no row shows it.
    bool IsMonitored(Ipv4 ip) const;
    // The banner's counts by each node's mark.
    NodeCounts Counts() const;

    // Appends a node; returns its row.
    int Append(NodeEntry node);
    // Replaces every node at once (the start-up load).
    void Reset(std::vector<NodeEntry> nodes);
    void Clear();
    // Removes one row; a row that is not there does nothing and returns false.
    bool Remove(int row);
    // Removes the first row of the address with exactly this MAC (all zero: not known).
    void Remove(Ipv4 ip, const MacAddress& mac);
    // Changes the node of a row in place (not its searching mark); false when the row is not
    // there.
    bool Change(int row, const std::function<void(NodeEntry&)>& change);
    // The same on the row RowOf finds, looked up and changed in one step, so that a row the
    // user deletes or sorts meanwhile never takes another node's change.
    bool ChangeNode(Ipv4 ip, const std::function<void(NodeEntry&)>& change);
    bool ChangeNode(Ipv4 ip, const MacAddress& mac, const std::function<void(NodeEntry&)>& change);
    bool SetMonitored(int row, bool monitored);
    bool SetLabel(int row, std::string label);
    // The searching mark, on one row at a time: a run marks the node it probes (the row
    // RowOf(ip, mac) finds) and clears the mark wherever that row has gone meanwhile.
    void MarkSearching(Ipv4 ip, const MacAddress& mac);
    void ClearSearching();
    // Orders the rows with a strict weak order; stable, shown as a reset.
    void Sort(const std::function<bool(const NodeEntry&, const NodeEntry&)>& less);

  private:
    bool IsRow(int row) const;
    int FirstRowLocked(Ipv4 ip) const;
    int RowLocked(Ipv4 ip, const MacAddress& mac) const;
    bool ChangeLocked(int row, const std::function<void(NodeEntry&)>& change);
    // Sets or clears the mark of the searching row, if there is one.
    void SetSearching(bool searching);
    void Reindex();
    void Show(int row);
    void ShowAll();

    mutable std::mutex m_mutex;
    std::vector<NodeEntry> m_nodes;
    // Rows of each address, ascending.
    std::unordered_map<Ipv4, std::vector<int>> m_rowsOf;
    int m_searchingRow = -1;
    ListTable m_display{NODE_LIST_COLUMNS};
};

}  // namespace halvera
