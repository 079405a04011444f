#pragma once

#include "lists/node_table.h"
#include "views/list_table_model.h"

namespace halvera {

// The node list: a check box in the "監視" column that sets the node's monitored flag; the
// text colour is the row's tone (grey when unmonitored, else normal when up, the sniffing
// colour for a sniffing node, the stopped colour otherwise) and odd rows have the second
// background colour.
class NodeListModel : public ListTableModel {
    Q_OBJECT

  public:
    explicit NodeListModel(NodeTable& nodes, QObject* parent = nullptr);

  protected:
    QVariant Foreground(int row, int column) const override;
    QVariant Background(int row, int column) const override;
    bool WriteChecked(int row, bool checked) override;

  private:
    NodeTable& m_nodes;
};

}  // namespace halvera
