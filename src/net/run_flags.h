#pragma once

#include <atomic>

#include "net/run_progress.h"

namespace halvera {

// How a run ended.
enum class RunOutcome {
    Completed,    // every address of the run was visited
    StartFailed,  // the own adapter could not be read; nothing was probed
    NoRights,     // raw frames may not be sent and captured; nothing was probed
    ProbeFailed,  // a probe met a driver error; the run ended after that address
    Stopped,      // a stop request ended the run; windows in flight were cut
};

// The flags that keep search runs exclusive. No run is active while both manualRun and
// runActive are 0; only then may a command or a countdown start one.
struct RunFlags {
    // Set by the four search commands, never by the timer; the run that ends with it set
    // shows its completion message and clears it.
    std::atomic<int> manualRun{0};
    // Set by whoever starts a run, cleared by the run thread as its very last step.
    std::atomic<int> runActive{0};
    // Set by a stop request (shutdown, a signal): the probe windows in flight end at once,
    // the addresses they left undecided keep their stored state, and the run goes through
    // its normal end.
    std::atomic<int> stopRequested{0};
    // How the last run ended; stored before runActive clears.
    std::atomic<RunOutcome> lastOutcome{RunOutcome::Completed};
    // Where the current run (or the last one) stands.
    RunProgress progress;
};

}  // namespace halvera
