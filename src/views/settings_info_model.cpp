#include "views/settings_info_model.h"

#include "lists/list_tables.h"

namespace halvera {

QVariant SettingsInfoModel::Foreground(int, int column) const {
    const bool setting = column == SETINFO_COL_LEFT_SETTING || column == SETINFO_COL_RIGHT_SETTING;
    return setting ? Colours().text : Colours().unmonitored;
}

}  // namespace halvera
