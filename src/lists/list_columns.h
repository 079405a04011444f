#pragma once

#include <span>
#include <string_view>

namespace halvera {

// Columns of the node list, in display order.
enum NodeListColumn {
    NODE_COL_MONITOR = 0,  // the check box; "検索中・・・" while a run probes the node
    NODE_COL_LABEL,
    NODE_COL_B47,
    NODE_COL_B16,
    NODE_COL_B8,
    NODE_COL_IP,
    NODE_COL_MAC,
    NODE_COL_HOST,
    NODE_COL_DOMAIN,
    NODE_COL_VENDOR,
    NODE_COL_DETECTED,
    NODE_COL_UPDATED,
    NODE_COL_ST,  // "." up, "x" sniffing, empty otherwise
    NODE_LIST_COLUMNS
};

// Columns of the event list of the lower pane.
enum EventListColumn {
    EVENT_COL_KIND = 0,  // image only
    EVENT_COL_DATETIME,
    EVENT_COL_LABEL,
    EVENT_COL_IP,
    EVENT_COL_MAC,
    EVENT_COL_HOST,
    EVENT_COL_DOMAIN,
    EVENT_COL_VENDOR,
    EVENT_COL_INFO,
    EVENT_LIST_COLUMNS
};

// Columns of the event log list.
enum EventLogColumn {
    EVENTLOG_COL_KIND = 0,  // image only
    EVENTLOG_COL_DATETIME,
    EVENTLOG_COL_IP,
    EVENTLOG_COL_HOST,
    EVENTLOG_COL_INFO,
    EVENT_LOG_COLUMNS
};

// Columns of the error log list.
enum ErrorLogColumn {
    ERRORLOG_COL_ACTION = 0,
    ERRORLOG_COL_DATETIME,
    ERRORLOG_COL_INFO,
    ERROR_LOG_COLUMNS
};

// The settings information list: two independent pairs of setting and value.
enum SettingsInfoColumn {
    SETINFO_COL_LEFT_SETTING = 0,
    SETINFO_COL_LEFT_VALUE,
    SETINFO_COL_RIGHT_SETTING,
    SETINFO_COL_RIGHT_VALUE,
    SETTINGS_INFO_COLUMNS
};

// One column of a list as every front end and the export show it: its header (UTF-8), its
// default width in pixels, the bit of the display mask (MAP for the node list, ELIST for the
// event list) that shows it, and the bit of the export mask PRINT that writes it. A mask bit
// of 0 means the column does not depend on that mask: always shown, never exported.
struct ListColumn {
    std::string_view header;
    int width;
    int mapBit;
    int printBit;
};

// The columns of each list, in display order (the order of the ListTables columns).
std::span<const ListColumn> NodeListColumns();
std::span<const ListColumn> EventListColumns();
std::span<const ListColumn> EventLogColumns();
std::span<const ListColumn> ErrorLogColumns();
std::span<const ListColumn> SettingsInfoColumns();

}  // namespace halvera
