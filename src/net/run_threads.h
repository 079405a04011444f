#pragma once

#include "base/ip_address.h"
#include "net/run_flags.h"
#include "net/search_run_context.h"

namespace halvera {

// Attempts per address for a node stored with a status: RETRY + 1.
int KnownNodeAttempts(int retry);

// The three run threads. Each runs on the calling thread from its start to its end of run:
// the completion message when the manual-run flag is set (then cleared), the run's mail,
// the summary text cleared, the driver released, the outcome stored in the flags, and
// runActive cleared as the very last step. The caller sets runActive (and manualRun for a command)
// before.

// Every address of every search range, byte by byte, after reading the own adapter and
// (WINS) the names of the ranges' nodes. Addresses outside the subnet, stored nodes whose
// row is unchecked, and last bytes 0 and 255 are skipped; a stored node gets RETRY + 1
// attempts, any other address one.
RunOutcome SearchRangesThread(SearchRunContext& context, RunFlags& flags);

// Every node of the node store in store order whose row is checked, RETRY + 1 attempts each,
// after reading the own adapter and (WINS) the names.
RunOutcome RefreshListThread(SearchRunContext& context, RunFlags& flags);

// One address, RETRY + 1 attempts, without subnet, check box or last-byte tests and without
// reading the adapter again.
RunOutcome RefreshNodeThread(SearchRunContext& context, RunFlags& flags, Ipv4 ip);

}  // namespace halvera
