#include "app/command_rules.h"

#include "app/command_ids.h"
#include "views/veskar_view.h"

namespace halvera {

bool IsCommandEnabled(int id, const CommandState& state) {
    const bool nodeTab = state.currentTab == TAB_NODE_LIST;
    switch (id) {
        case ID_FILE_NEW_LIST:
            return state.nodeRows > 0;
        case ID_FILE_EXPORT_HTML:
        case ID_FILE_EXPORT_CSV:
            return state.currentTab != TAB_SETTINGS_INFO;
        case ID_EDIT_LABEL:
            return nodeTab;
        case ID_EDIT_DELETE:
            return state.currentTab >= TAB_NODE_LIST && state.currentTab <= TAB_ERROR_LOG &&
                   !state.runActive;
        case ID_SORT_LABEL:
        case ID_SORT_IP:
        case ID_SORT_MAC:
        case ID_SORT_HOST:
        case ID_SORT_DOMAIN:
            return nodeTab && !state.runActive;
        case ID_SEARCH_ALL_RANGES:
        case ID_REFRESH_NODE_LIST:
        case ID_REFRESH_SELECTED:
        case ID_SEARCH_ONE_NODE:
            return !state.runActive;
        default:
            return true;
    }
}

}  // namespace halvera
