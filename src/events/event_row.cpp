#include "events/event_row.h"

#include <algorithm>

#include "base/clock.h"
#include "events/event_kind.h"
#include "events/placeholders.h"
#include "net/vendor_table.h"

namespace halvera {

int AddEventRow(ListTable& eventList, const NodeRecord& node, const EventSettings& settings,
                int kind, int elistMax) {
    ListRow row;
    row.image = kind;
    row.cells.resize(EVENT_LIST_COLUMNS);
    row.cells[ELIST_COL_DATE] = FormatDateTime(CurrentClock().LocalNow());
    row.cells[ELIST_COL_LABEL] = node.label;
    row.cells[ELIST_COL_ADDRESS] = FormatIp(node.ip);
    row.cells[ELIST_COL_MAC] = IsZeroMac(node.mac) ? std::string() : FormatMac(node.mac);
    row.cells[ELIST_COL_HOST] = node.host;
    row.cells[ELIST_COL_DOMAIN] = node.domain;
    // The column shows what the table names, never the MAC text that %VEN falls back to.
    LookupVendor(node.mac, row.cells[ELIST_COL_VENDOR]);
    if (kind >= 0 && kind < EVENT_CONFIGURABLE_COUNT) {
        row.cells[ELIST_COL_INFO] = ExpandPlaceholders(node, settings.message, MESSAGE_OUT_SIZE);
    }
    // A limit lowered in the options shrinks the list at the next event, not one row per
    // event.
    const int limit = std::max(elistMax, 1);
    while (eventList.RowCount() >= limit) {
        eventList.RemoveRow(0);
    }
    const int index = eventList.AppendRow(std::move(row));
    eventList.ScrollTo(index);
    return index;
}

}  // namespace halvera
