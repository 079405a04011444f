#pragma once

#include "base/ip_address.h"
#include "lists/list_table.h"
#include "store/node_store.h"

namespace halvera {

// The node database as the node list commands use it: New, Save and Delete.
class NodeStoreListFile {
  public:
    explicit NodeStoreListFile(NodeStore& nodes) : m_nodes(nodes) {}

    // New node list: opens the node database again with empty files; later openings keep
    // what is there.
    void RecreateEmpty();
    // Save: stores in each node's record the monitoring flag its row's check box shows (a
    // node without a row counts as unmonitored), rewriting only the records that change.
    void SaveMonitorFlags(const ListTable& nodeList);
    // Delete: removes the node with this address from the node database.
    void DeleteNode(Ipv4 ip);

  private:
    NodeStore& m_nodes;
};

}  // namespace halvera
