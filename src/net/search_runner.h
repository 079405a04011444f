#pragma once

#include <string>

#include "base/ip_address.h"

namespace halvera {

// The search runs and the polling countdowns as the main frame drives them: the four search
// commands, the one-second tick and the state the enable rules and shutdown read. There is
// never more than one run; the Start calls do nothing while one is active.
class SearchRunner {
  public:
    virtual ~SearchRunner() = default;

    // True from the start of a run (by a command or by a countdown) until the run thread has
    // finished its last step, including the completion message of a manual run.
    virtual bool IsRunActive() const = 0;

    // Every address of every search range.
    virtual void StartRangeSearch() = 0;
    // Every monitored node of the node database.
    virtual void StartListRefresh() = 0;
    // One address: the selected node, or the one the node search dialog resolved.
    virtual void StartNodeRefresh(Ipv4 ip) = 0;

    // One second of the polling countdowns; may start a polled run. Returns the polling line
    // for the status bar (CP932), or nothing while a run is active.
    virtual std::string Tick() = 0;
    // Sets the status countdown, e.g. to 3 when the node states are refreshed at start-up.
    virtual void SetStatusCountdown(int seconds) = 0;
};

}  // namespace halvera
