#pragma once

#include <string_view>

#include "base/ip_address.h"
#include "lists/node_table.h"
#include "store/node_store.h"

namespace halvera {

// The node database as the node list commands use it: New, Save, Delete and the label edit.
class NodeStoreListFile {
  public:
    explicit NodeStoreListFile(NodeStore& nodes) : m_nodes(nodes) {}

    // New node list: opens the node database again with empty files; later openings keep
    // what is there.
    void RecreateEmpty();
    // Save: stores in each node's record the monitoring flag its row's check box shows (a
    // node without a row counts as unmonitored), rewriting only the records that change.
    void SaveMonitorFlags(const NodeTable& nodeList);
    // Delete: removes the node with this address from the node database.
    void DeleteNode(Ipv4 ip);
    // Label edit: rewrites the node record of this address with the label in place of the
    // old one. 0 done, 1 when there is no such record or it could not be rewritten.
    int StoreLabel(Ipv4 ip, std::string_view labelCp932);

  private:
    NodeStore& m_nodes;
};

}  // namespace halvera
