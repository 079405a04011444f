#pragma once

#include "views/list_table_model.h"

namespace halvera {

// The node list: a check box in the "監視" column; the text colour tells the state (grey when
// unmonitored, else by the "ST" mark: normal when up, the sniffing colour for "x", the
// stopped colour otherwise) and odd rows have the second background colour.
class NodeListModel : public ListTableModel {
    Q_OBJECT

  public:
    explicit NodeListModel(ListTable& table, QObject* parent = nullptr);

  protected:
    QVariant Foreground(int row, int column) const override;
    QVariant Background(int row, int column) const override;
};

}  // namespace halvera
