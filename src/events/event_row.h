#pragma once

#include "lists/list_table.h"
#include "store/event_settings.h"
#include "store/node_record.h"

namespace halvera {

// Columns of the event list of the lower pane. Column 0 carries no text, only the kind's
// image.
enum EventListColumn {
    ELIST_COL_EVENT = 0,
    ELIST_COL_DATE = 1,
    ELIST_COL_LABEL = 2,
    ELIST_COL_ADDRESS = 3,
    ELIST_COL_MAC = 4,
    ELIST_COL_HOST = 5,
    ELIST_COL_DOMAIN = 6,
    ELIST_COL_VENDOR = 7,
    ELIST_COL_INFO = 8,
};
inline constexpr int EVENT_LIST_COLUMNS = 9;

// Adds the on-screen row of an event: drops the oldest rows while the list holds elistMax
// rows or more (ELISTMAX; at least one row is always kept, the new one), appends the row
// with the kind as its image, the current date and time, the node's label, address, MAC
// (empty when all zero), host name, workgroup, the vendor of its MAC prefix and, for the
// kinds the search runs raise, the event's message expanded for the node; then scrolls it
// into view. Returns the new row's index.
int AddEventRow(ListTable& eventList, const NodeRecord& node, const EventSettings& settings,
                int kind, int elistMax);

}  // namespace halvera
