#pragma once

#include "views/list_table_model.h"

namespace halvera {

// The settings information list: the setting columns in the normal text colour, the value
// columns in the unmonitored colour.
class SettingsInfoModel : public ListTableModel {
    Q_OBJECT

  public:
    using ListTableModel::ListTableModel;

  protected:
    QVariant Foreground(int row, int column) const override;
};

}  // namespace halvera
