#include "monitor/search_runs.h"

#include <system_error>
#include <utility>

#include "base/text_codec.h"
#include "net/netmon_log.h"

namespace halvera {

SearchRuns::SearchRuns(SearchRunContext context, const NodeTable& nodeList)
    : m_context(std::move(context)), m_nodeList(nodeList) {}

SearchRuns::~SearchRuns() {
    Shutdown(true);
}

bool SearchRuns::StartManualRun(RunKind kind, Ipv4 ip) {
    return Start(kind, true, ip);
}

bool SearchRuns::RefreshSelectedNode(int selectedRow) {
    if (!IsIdle()) {
        return false;
    }
    // A row deleted since it was selected counts as no selection.
    const std::optional<NodeEntry> node = m_nodeList.At(selectedRow);
    if (!node) {
        ShowStop(m_context.prompt, Sjis("検索ノードを選択してください。"));
        return false;
    }
    return Start(RunKind::NodeRefresh, true, node->ip);
}

std::string SearchRuns::PollingStatus() const {
    return PollingStatusText(m_timer.NodeDetectionCountdown(), m_timer.StatusCountdown());
}

void SearchRuns::LoadCountdowns() {
    m_timer.Load(m_context.settings.App());
}

void SearchRuns::ArmStartupPoll() {
    m_timer.ArmStartupPoll();
}

PollTimer::TickResult SearchRuns::TickTimer() {
    PollTimer::TickResult result =
        m_timer.Tick(m_context.settings.App(), IsManualRun(), IsRunActive());
    if (result.start == PollTimer::START_RANGE_SEARCH) {
        Start(RunKind::RangeSearch, false, 0);
    } else if (result.start == PollTimer::START_LIST_REFRESH) {
        Start(RunKind::ListRefresh, false, 0);
    }
    return result;
}

bool SearchRuns::IsIdle() const {
    return m_flags.manualRun.load() == 0 && m_flags.runActive.load() == 0;
}

void SearchRuns::WaitForRun() {
    std::lock_guard lock(m_mutex);
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void SearchRuns::RequestStop() {
    m_flags.stopRequested = 1;
}

void SearchRuns::StopForClose() {
    m_flags.manualRun = 0;
    RequestStop();
}

void SearchRuns::Shutdown(bool stopCurrentRun) {
    std::lock_guard lock(m_mutex);
    m_closing = true;
    if (stopCurrentRun) {
        RequestStop();
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool SearchRuns::Start(RunKind kind, bool manual, Ipv4 ip) {
    std::lock_guard lock(m_mutex);
    if (m_closing || !IsIdle()) {
        return false;
    }
    // The previous run has cleared runActive as its last step; its thread is ending.
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_flags.stopRequested = 0;
    m_flags.manualRun = manual ? 1 : 0;
    m_flags.runActive = 1;
    try {
        m_thread = std::thread([this, kind, ip] { Run(kind, ip); });
    } catch (const std::system_error&) {
        m_flags.manualRun = 0;
        m_flags.runActive = 0;
        m_context.errorLog.WriteErrorLog(NETMON_TAG, "Search Thread Create Error");
        return false;
    }
    return true;
}

void SearchRuns::Run(RunKind kind, Ipv4 ip) {
    switch (kind) {
        case RunKind::RangeSearch:
            SearchRangesThread(m_context, m_flags);
            break;
        case RunKind::ListRefresh:
            RefreshListThread(m_context, m_flags);
            break;
        case RunKind::NodeRefresh:
            RefreshNodeThread(m_context, m_flags, ip);
            break;
    }
}

}  // namespace halvera
