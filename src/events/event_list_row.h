#pragma once

#include <string_view>

#include "lists/list_table.h"
#include "store/node_record.h"

namespace halvera {

// The information column holds at most this many bytes of the expanded message.
inline constexpr std::size_t EVENT_INFO_MAX = 1023;

// Adds one event to the event list of the lower pane and brings it into view. The oldest rows
// go first, so that the list holds at most elistMax rows (ELISTMAX, at least 1) with the new
// one. The row: the kind's image, the current date and time, the node's label, address, MAC
// (empty when all zero), host name, workgroup and vendor, and, for an event kind, the
// information text (the event's message with its placeholders expanded, CP932).
void AddEventRow(ListTable& eventList, const NodeRecord& node, int kind, std::string_view vendor,
                 std::string_view information, int elistMax);

}  // namespace halvera
