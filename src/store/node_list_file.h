#pragma once

#include "base/ip_address.h"
#include "lists/list_table.h"

namespace halvera {

// The node database as the node list commands of the main frame use it.
class NodeListFile {
  public:
    virtual ~NodeListFile() = default;

    // New node list: close the node database and open it again with empty files.
    virtual void RecreateEmpty() = 0;
    // Save: store in each node's record the monitoring flag its row's check box shows (a node
    // without a row counts as unmonitored), rewriting only the records that change.
    virtual void SaveMonitorFlags(const ListTable& nodeList) = 0;
    // Delete: remove the node with this address from the node database.
    virtual void DeleteNode(Ipv4 ip) = 0;
};

}  // namespace halvera
