#pragma once

#include <functional>
#include <span>

#include "capture/packet_driver.h"
#include "lists/error_log.h"
#include "lists/prompt.h"
#include "lists/summary_text.h"
#include "net/local_adapter_state.h"
#include "net/network_names.h"
#include "net/search_run_steps.h"
#include "store/node_store.h"
#include "store/range_store.h"
#include "store/settings_store.h"

namespace halvera {

// Asks the nodes of the ranges for their names (WINS): EnumerateNetworkNames into the name
// book in production, a recorder in the unit tests, which must send nothing.
using NameWalk = std::function<void(std::span<const NameQueryRange> ranges, Ipv4 ownIp, Ipv4 mask)>;

// Everything a search run works with. The objects outlive every run.
struct SearchRunContext {
    const SettingsStore& settings;  // RETRY, WINS, ADPNUM, TIMEOUT, read at the run's start
    NodeStore& nodes;
    RangeStore& searchRanges;
    PacketDriver& driver;
    ErrorLog& errorLog;
    Prompt& prompt;       // the completion message of a manual run
    SummaryText& banner;  // the progress texts of the run
    SearchRunSteps& steps;
    LocalAdapterState& local;  // written by the start of a range search or list refresh
    NameWalk enumerateNames;
};

}  // namespace halvera
