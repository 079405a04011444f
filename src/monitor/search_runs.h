#pragma once

#include <mutex>
#include <string>
#include <thread>

#include "base/ip_address.h"
#include "lists/node_table.h"
#include "monitor/poll_timer.h"
#include "monitor/search_runner.h"
#include "net/run_flags.h"
#include "net/run_threads.h"
#include "net/search_run_context.h"

namespace halvera {

// The search runs as the main window and halvera-cli drive them: the four search commands,
// the polling countdowns of the one-second timer, the one run thread there is at a time,
// and its end at shutdown. Commands and ticks come from one thread (the GUI thread, or the
// main thread of halvera-cli); the run thread reports back only through the flags.
class SearchRuns : public SearchRunner {
  public:
    using RunKind = halvera::RunKind;

    // nodeList: the node list, whose selected node the selected-node command refreshes.
    SearchRuns(SearchRunContext context, const NodeTable& nodeList);
    // Stops the current run and waits for it.
    ~SearchRuns() override;
    SearchRuns(const SearchRuns&) = delete;
    SearchRuns& operator=(const SearchRuns&) = delete;

    // A run starts only when both flags are 0.
    bool StartManualRun(RunKind kind, Ipv4 ip = 0) override;
    // 選択ノードの最新ステータス取得 (Ctrl+C).
    bool RefreshSelectedNode(int selectedRow) override;

    // The countdowns: loaded from NEWTIME and LOOKTIME when the main window is created;
    // ArmStartupPoll at the end of start-up with BPOLING set.
    void LoadCountdowns();
    void ArmStartupPoll();
    // One second of the timer: counts down, and starts a polled run when a countdown is at
    // 0 and no run is active. The status text is for the status bar when showStatus is set.
    PollTimer::TickResult TickTimer();
    // The same, giving only the status text (empty while a run is active).
    std::string Tick() override { return TickTimer().statusText; }
    std::string PollingStatus() const override;
    const PollTimer& Timer() const { return m_timer; }

    // No run is active: the search commands are enabled.
    bool IsIdle() const;
    // From the start of a run to the end of its thread's last step (shutdown waits for it).
    bool IsRunActive() const override { return m_flags.runActive.load() != 0; }
    bool IsManualRun() const { return m_flags.manualRun.load() != 0; }
    RunOutcome LastOutcome() const override { return m_flags.lastOutcome.load(); }
    const RunProgress& Progress() const override { return m_flags.progress; }

    void WaitForRun() override;
    void RequestStop() override;
    void StopForClose() override;
    // No run starts any more. With stopCurrentRun the current run is stopped (through its
    // normal end, mail included); then waits for its thread as WaitForRun does.
    void Shutdown(bool stopCurrentRun);

  private:
    bool Start(RunKind kind, bool manual, Ipv4 ip);
    void Run(RunKind kind, Ipv4 ip);

    SearchRunContext m_context;
    const NodeTable& m_nodeList;
    RunFlags m_flags;
    PollTimer m_timer;
    std::mutex m_mutex;  // the thread object and the closing state
    std::thread m_thread;
    bool m_closing = false;
};

}  // namespace halvera
