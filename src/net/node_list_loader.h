#pragma once

#include "lists/list_loader.h"
#include "lists/list_table.h"
#include "store/node_store.h"
#include "store/settings_store.h"

namespace halvera {

// Fills the node list from the node database at start-up: one row per node record, in
// file order, laid out as the search runs keep the rows.
class NodeListLoader : public ListLoader {
  public:
    NodeListLoader(ListTable& nodeList, NodeStore& nodes, const SettingsStore& settings)
        : m_nodeList(nodeList), m_nodes(nodes), m_settings(settings) {}

    int Count() override;
    void Load(Progress& progress, int firstPosition) override;

  private:
    ListTable& m_nodeList;
    NodeStore& m_nodes;
    const SettingsStore& m_settings;
};

}  // namespace halvera
