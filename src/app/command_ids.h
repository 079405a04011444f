#pragma once

namespace halvera {

// The commands of the menus, the tool bar, the accelerators and the popup menus, numbered
// as the resources of the program always numbered them.
enum CommandId {
    ID_FILE_NEW_LIST = 32792,
    ID_FILE_SAVE_LIST = 32784,
    ID_FILE_EXPORT_HTML = 32776,
    ID_FILE_EXPORT_CSV = 32777,
    ID_FILE_TO_TRAY = 32773,
    ID_APP_EXIT = 57665,
    ID_EDIT_LABEL = 32797,
    ID_EDIT_DELETE = 32798,
    ID_VIEW_COLOURS = 32779,
    ID_SORT_LABEL = 32787,
    ID_SORT_IP = 32788,
    ID_SORT_MAC = 32789,
    ID_SORT_HOST = 32790,
    ID_SORT_DOMAIN = 32801,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_FIND_NODE_LIST = 32791,
    ID_FIND_EVENT_LOG = 32799,
    ID_SEARCH_ALL_RANGES = 32778,
    ID_REFRESH_NODE_LIST = 32800,
    ID_REFRESH_SELECTED = 32793,
    ID_SEARCH_ONE_NODE = 32794,
    ID_SEARCH_SETTINGS = 32774,
    ID_EVENT_SETTINGS = 32781,
    ID_OPTIONS = 32782,
    ID_APP_ABOUT = 57664,
    ID_HELP = 32771,
    ID_TRAY_SHOW = 32785,
};

}  // namespace halvera
