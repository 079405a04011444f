#pragma once

#include <string>

#include "base/ip_address.h"

namespace halvera {

// The search runs and the polling countdowns as a front end drives them: the search
// commands, the one-second tick and the state the enable rules and shutdown read. There is
// never more than one run; the Start calls do nothing while one is active.
class SearchRunner {
  public:
    virtual ~SearchRunner() = default;

    // True from the start of a run (by a command or by a countdown) until the run thread has
    // finished its last step, including the completion message of a manual run.
    virtual bool IsRunActive() const = 0;
    // The program is closing: the current run stops at once, through its normal end but
    // without the completion message of a command, which nobody would read (the close waits
    // for IsRunActive() to turn false).
    virtual void StopForClose() = 0;

    // Every address of every search range.
    virtual void StartRangeSearch() = 0;
    // Every monitored node of the node database.
    virtual void StartListRefresh() = 0;
    // One address, as the node search dialog resolved it.
    virtual void StartNodeRefresh(Ipv4 ip) = 0;
    // The node of the first selected node list row, -1 for none, which shows
    // "検索ノードを選択してください。" and starts nothing. Whether a run started.
    virtual bool RefreshSelectedNode(int selectedRow) = 0;

    // One second of the polling countdowns; may start a polled run. Returns the polling line
    // for the status bar (CP932), or nothing while a run is active.
    virtual std::string Tick() = 0;
};

}  // namespace halvera
