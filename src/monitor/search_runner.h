#pragma once

#include <string>

#include "base/ip_address.h"
#include "net/run_flags.h"

namespace halvera {

// The search commands.
enum class RunKind {
    RangeSearch,  // every address of every search range (Ctrl+A)
    ListRefresh,  // every monitored node of the node database (Ctrl+B)
    NodeRefresh,  // one address, as the node search dialog resolved it (Ctrl+D)
};

// The search runs and the polling countdowns as both front ends drive them: the search
// commands, the one-second tick, a stop, and the state the enable rules, the progress and
// shutdown read. There is never more than one run; a start does nothing while one is active.
class SearchRunner {
  public:
    virtual ~SearchRunner() = default;

    // Starts a run of a search command (a manual run, which ends with
    // "検索処理が終了しました。") only when no run is active; ip is the address of a node
    // refresh. Whether it started: a poll that began while the node search dialog was open
    // keeps its address from starting a second run.
    virtual bool StartManualRun(RunKind kind, Ipv4 ip = 0) = 0;
    // The node of the first selected node list row, -1 for none, which shows
    // "検索ノードを選択してください。" and starts nothing. Whether a run started.
    virtual bool RefreshSelectedNode(int selectedRow) = 0;
    // One second of the polling countdowns; may start a polled run. Returns the polling line
    // for the status bar (CP932), or nothing while a run is active.
    virtual std::string Tick() = 0;
    // The polling line of the countdowns as they stand (CP932).
    virtual std::string PollingStatus() const = 0;

    // True from the start of a run (by a command or by a countdown) until the run thread has
    // finished its last step, including the completion message of a manual run.
    virtual bool IsRunActive() const = 0;
    // How the last run ended; valid once IsRunActive() is false.
    virtual RunOutcome LastOutcome() const = 0;
    // Where the current run, or the last one, stands.
    virtual const RunProgress& Progress() const = 0;

    // Asks the current run to stop: its probe windows in flight end at once, the addresses
    // they left undecided keep their stored state, and it goes through its normal end.
    virtual void RequestStop() = 0;
    // The program is closing: the current run stops at once, through its normal end but
    // without the completion message of a command, which nobody would read (the close waits
    // for IsRunActive() to turn false).
    virtual void StopForClose() = 0;
    // Waits until the current run's thread has ended. The GUI thread must not wait while a
    // run may still ask the user something (its prompts need the GUI thread): it waits for
    // IsRunActive() to turn false first, as the waiting dialog at close does.
    virtual void WaitForRun() = 0;
};

}  // namespace halvera
