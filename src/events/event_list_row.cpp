#include "events/event_list_row.h"

#include <algorithm>

#include "base/clock.h"
#include "base/text_codec.h"
#include "lists/list_tables.h"
#include "store/event_kind.h"

namespace halvera {

void AddEventRow(ListTable& eventList, const NodeRecord& node, int kind, std::string_view vendor,
                 std::string_view information, int elistMax) {
    ListRow row;
    row.image = kind;
    row.cells.resize(EVENT_LIST_COLUMNS);
    row.cells[EVENT_COL_DATETIME] = FormatDateTime(CurrentClock().LocalNow());
    row.cells[EVENT_COL_LABEL] = node.label;
    row.cells[EVENT_COL_IP] = FormatIp(node.ip);
    row.cells[EVENT_COL_MAC] = IsZeroMac(node.mac) ? std::string() : FormatMac(node.mac);
    row.cells[EVENT_COL_HOST] = node.host;
    row.cells[EVENT_COL_DOMAIN] = node.domain;
    row.cells[EVENT_COL_VENDOR] = std::string(vendor);
    if (kind >= 0 && kind < EVENT_KIND_COUNT) {
        row.cells[EVENT_COL_INFO] = std::string(CutCp932(information, EVENT_INFO_MAX));
    }

    // A lowered ELISTMAX shrinks the list at the next event instead of leaving it too long.
    const int limit = std::max(elistMax, 1);
    while (eventList.RowCount() >= limit && eventList.RemoveRow(0)) {
    }
    eventList.ScrollTo(eventList.AppendRow(std::move(row)));
}

}  // namespace halvera
