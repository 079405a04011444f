#pragma once

#include "store/node_list_file.h"
#include "store/node_store.h"

namespace halvera {

// The node list commands of the main frame on the node database.
class NodeStoreListFile : public NodeListFile {
  public:
    explicit NodeStoreListFile(NodeStore& nodes) : m_nodes(nodes) {}

    // Opens the node database again with empty files; later openings keep what is there.
    void RecreateEmpty() override;
    void SaveMonitorFlags(const ListTable& nodeList) override;
    void DeleteNode(Ipv4 ip) override;

  private:
    NodeStore& m_nodes;
};

}  // namespace halvera
