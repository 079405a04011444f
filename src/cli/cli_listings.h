#pragma once

#include <vector>

#include "capture/capture_adapter.h"
#include "cli/list_writer.h"
#include "lists/list_table.h"
#include "lists/node_entry.h"
#include "net/local_network_range.h"
#include "store/event_settings.h"

namespace halvera {

// The node list's rows as the node list shows them: the check box as 1 or 0, the test bits'
// marks, the dates, the status mark ("." up, "x" sniffing).
Listing NodeListing(const std::vector<NodeEntry>& nodes);
// The event log's and the error log's rows, each under its list's headers.
Listing EventLogListing(const std::vector<ListRow>& rows);
Listing ErrorLogListing(const std::vector<ListRow>& rows);
// Address ranges (search ranges, action node ranges) as the range lists show them: the start
// and the end address.
Listing RangeListing(const std::vector<IpRange>& ranges);
// The adapters with their ADPNUM.
Listing AdapterListing(const std::vector<CaptureAdapter>& adapters);
// The event kinds' action records, in kind order.
Listing EventSettingsListing(const std::vector<EventSettings>& records);

}  // namespace halvera
