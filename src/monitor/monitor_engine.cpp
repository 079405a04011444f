#include "monitor/monitor_engine.h"

#include <utility>

#include "base/clock.h"
#include "base/ip_address.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "events/placeholders.h"
#include "events/settings_summary.h"
#include "lists/node_list_sort.h"
#include "net/network_names.h"
#include "net/node_list.h"
#include "net/pcap_packet_driver.h"
#include "store/node_label_check.h"
#include "store/settings_files.h"

namespace halvera {
MonitorEngine::MonitorEngine(MonitorPorts ports, MonitorEngineOptions options)
    : m_banner(m_tables.nodeList,
               [this] {
                   const AppSettings app = m_settings.App();
                   return PollingState{app.NEWENABLE != 0, app.LOOKENABLE != 0};
               }),
      m_prompt(ports.prompt),
      m_desktop(ports.desktop),
      m_registry(std::move(options.registryPath)),
      m_logs(m_tables.eventLog, m_tables.errorLog, ports.prompt, m_settings),
      m_nodes(ports.prompt, m_logs),
      m_nodeFile(m_nodes),
      m_searchRanges(RangeList::Search, ports.prompt, m_logs),
      m_actionRanges(RangeList::Action, ports.prompt, m_logs),
      m_eventSettings(ports.prompt, m_logs),
      m_mailQueue(ports.prompt, m_logs, ExpandPlaceholders),
      m_mailLines(m_mailQueue),
      m_mailSender(m_settings, m_mailLines, ports.prompt, m_logs),
      m_events({m_settings, m_eventSettings, m_actionRanges, m_logs, m_tables.eventList,
                m_mailQueue, m_mailSender, ports.popup, ports.desktop}),
      m_driver(options.driver ? std::move(options.driver) : std::make_unique<PcapPacketDriver>()),
      m_steps({*m_driver, m_logs, ports.prompt, m_settings, m_nodes, m_resolver, m_tables.nodeList,
               m_banner, m_events}),
      m_runs({m_settings, m_nodes, m_searchRanges, *m_driver, m_logs, ports.prompt, m_banner,
              m_steps, m_local,
              [this](std::span<const NameQueryRange> ranges, Ipv4 ownIp, Ipv4 mask) {
                  EnumerateNetworkNames(ranges, ownIp, mask, m_nodes);
              }},
             m_tables.nodeList) {}

MonitorEngine::~MonitorEngine() {
    Close();
}

bool MonitorEngine::Open() {
    m_closed = false;
    // Before anything writes the error log: the settings report an incomplete registry there.
    CreateWorkingFolders();
    LoadSettings(m_settings, m_registry, m_logs, m_prompt);
    m_nodes.SetKeepNodeList(1);
    bool opened = m_nodes.InitNodeStore() == 0;
    opened = m_searchRanges.InitSearchRanges() == 0 && opened;
    opened = m_logs.Init() == 0 && opened;
    RefreshSettingsSummary();
    return opened;
}

int MonitorEngine::ReadLocalAdapter() {
    LocalAdapterInfo info = m_local.Get();
    const int result = halvera::ReadLocalAdapter(*m_driver, m_settings.App().ADPNUM, m_logs, info);
    if (result == 0) {
        m_local.Set(info);
    }
    return result;
}

void MonitorEngine::LoadLists(StartupLists lists, Progress* progress) {
    const bool all = lists == StartupLists::All;
    const int nodeCount = static_cast<int>(m_nodes.CountNodes());
    const int eventCount = all ? m_logs.CountEventLog() : 0;
    const int errorCount = all ? m_logs.CountErrorLog() : 0;
    if (progress != nullptr) {
        progress->SetRange(0, nodeCount + eventCount + errorCount);
        progress->SetPosition(0);
    }
    LoadNodeList(m_tables.nodeList, m_nodes, m_settings.App().PROMISS, progress);
    if (all) {
        m_logs.ReadEventLog(FILTER_ALL, {}, progress, nodeCount);
        m_logs.ReadErrorLog(progress, nodeCount + eventCount);
    }
    m_banner.SetSummaryText();
    const AppSettings settings = m_settings.App();
    if (settings.BSORT != 0 && IsNodeSortKey(settings.SORT)) {
        SortNodeList(m_tables.nodeList, static_cast<NodeSortKey>(settings.SORT));
    }
}

int MonitorEngine::PrepareRuns() {
    const int result = ReadLocalAdapter();
    m_runs.LoadCountdowns();
    return result;
}

void MonitorEngine::FinishStartup() {
    if (m_settings.App().BPOLING != 0) {
        m_runs.ArmStartupPoll();
    }
}

void MonitorEngine::NewNodeList() {
    m_tables.nodeList.Clear();
    m_tables.eventList.Clear();
    m_nodeFile.RecreateEmpty();
    // The counts of the banner would otherwise still show the old list.
    m_banner.SetSummaryText();
}

void MonitorEngine::SaveNodeList() {
    m_nodeFile.SaveMonitorFlags(m_tables.nodeList);
}

void MonitorEngine::DeleteNode(int row) {
    if (row < 0 || row >= m_tables.nodeList.RowCount()) {
        return;
    }
    m_nodeFile.DeleteNode(InetAddr(m_tables.nodeList.Cell(row, NODE_COL_IP)));
    m_tables.nodeList.RemoveRow(row);
    m_banner.SetSummaryText();
}

NodeLabelChange MonitorEngine::SetNodeLabel(int row, std::string_view labelCp932) {
    std::string refusal = CheckNodeLabel(labelCp932);
    if (refusal.empty() && (row < 0 || row >= m_tables.nodeList.RowCount())) {
        refusal = Sjis("ラベルを編集するノードを選択してください。");
    }
    if (!refusal.empty()) {
        return {NodeLabelChange::LABEL_REFUSED, std::move(refusal)};
    }
    if (m_nodeFile.StoreLabel(InetAddr(m_tables.nodeList.Cell(row, NODE_COL_IP)), labelCp932) !=
        0) {
        return {NodeLabelChange::LABEL_NOT_STORED, {}};
    }
    m_tables.nodeList.SetCell(row, NODE_COL_LABEL, std::string(labelCp932));
    return {NodeLabelChange::LABEL_SET, {}};
}

int MonitorEngine::CountLogEntries(LogKind kind) {
    return kind == LogKind::Event ? m_logs.CountEventLog() : m_logs.CountErrorLog();
}

int MonitorEngine::DeleteLogRows(LogKind kind, const std::vector<int>& rows, Progress& progress) {
    const int result = kind == LogKind::Event ? m_logs.DeleteEventLogRows(rows, &progress)
                                              : m_logs.DeleteErrorLogRows(rows, &progress);
    // Row n shows line n of the file: rows removed from a log that stayed whole would make
    // a later deletion remove the wrong lines.
    if (result == 0) {
        (kind == LogKind::Event ? m_tables.eventLog : m_tables.errorLog).RemoveRows(rows);
    }
    return result;
}

int MonitorEngine::Export(ExportFormat format, ExportList list) {
    const ListTable& table = list == ExportList::NodeList   ? m_tables.nodeList
                             : list == ExportList::EventLog ? m_tables.eventLog
                                                            : m_tables.errorLog;
    const std::string text = ExportText(format, list, table.Snapshot(), m_settings.App(),
                                        FormatDateTime(CurrentClock().LocalNow()));
    const std::filesystem::path path = ProgramFolder() / ExportFileName(format);
    if (WriteExportFile(path, text, format, m_prompt, m_logs) != 0) {
        return 1;
    }
    // The desktop actions take CP932, as the event settings keep their file names.
    const std::string pathCp932 = Utf8ToCp932Lossy(path.string());
    m_banner.SetSummaryText(Sjis("【データ出力】 ") + pathCp932);
    m_desktop.OpenFile(pathCp932, {});
    return 0;
}

void MonitorEngine::RefreshSettingsSummary() {
    halvera::RefreshSettingsSummary(m_tables.settingsInfo, m_settings, m_searchRanges,
                                    m_actionRanges, m_eventSettings);
}

bool MonitorEngine::IsFileBusy() const {
    return m_eventSettings.IsBusy() || m_mailQueue.IsBusy() || m_searchRanges.IsBusy() ||
           m_actionRanges.IsBusy() || m_nodes.IsBusy() || m_logs.IsBusy(LogKind::Event) ||
           m_logs.IsBusy(LogKind::Error);
}

void MonitorEngine::SaveSettings() {
    halvera::SaveSettings(SAVE_APP_SETTINGS, m_settings, m_registry, m_logs);
}

void MonitorEngine::Close() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    m_runs.Shutdown(true);
    m_driver->Release();
    m_nodes.CloseNodeStore();
    m_searchRanges.CloseSearchRanges();
    m_logs.Close();
}

}  // namespace halvera
