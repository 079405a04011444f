#include "net/monitor_engine.h"

#include <utility>

#include "base/program_folder.h"
#include "events/placeholders.h"
#include "net/network_names.h"
#include "net/node_list.h"
#include "net/pcap_packet_driver.h"
#include "store/settings_files.h"

namespace halvera {

MonitorEngine::MonitorEngine(SettingsStore& settings, ListTables& tables, SummaryText& banner,
                             MonitorPorts ports, MonitorEngineOptions options)
    : m_settings(settings),
      m_tables(tables),
      m_prompt(ports.prompt),
      m_registry(std::move(options.registryPath)),
      m_logs(tables.eventLog, tables.errorLog, ports.prompt, settings),
      m_nodes(ports.prompt, m_logs),
      m_searchRanges(RangeList::Search, ports.prompt, m_logs),
      m_actionRanges(RangeList::Action, ports.prompt, m_logs),
      m_eventSettings(ports.prompt, m_logs),
      m_mailQueue(ports.prompt, m_logs, ExpandPlaceholders),
      m_mailLines(m_mailQueue),
      m_mailSender(settings, m_mailLines, ports.prompt, m_logs),
      m_events({settings, m_eventSettings, m_actionRanges, m_logs, tables.eventList, m_mailQueue,
                m_mailSender, ports.popup, ports.desktop}),
      m_driver(options.driver ? std::move(options.driver) : std::make_unique<PcapPacketDriver>()),
      m_steps({*m_driver, m_logs, ports.prompt, settings, m_nodes, m_resolver, tables.nodeList,
               banner, m_events}),
      m_runs({settings, m_nodes, m_searchRanges, *m_driver, m_logs, ports.prompt, banner, m_steps,
              m_local,
              [this](std::span<const NameQueryRange> ranges, Ipv4 ownIp, Ipv4 mask) {
                  EnumerateNetworkNames(ranges, ownIp, mask, m_nodes);
              }},
             tables.nodeList) {}

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
    return opened;
}

void MonitorEngine::LoadNodeList(Progress* progress) {
    halvera::LoadNodeList(m_tables.nodeList, m_nodes, m_settings.App().PROMISS, progress);
}

int MonitorEngine::ReadLocalAdapter() {
    LocalAdapterInfo info = m_local.Get();
    const int result = halvera::ReadLocalAdapter(*m_driver, m_settings.App().ADPNUM, m_logs, info);
    if (result == 0) {
        m_local.Set(info);
    }
    return result;
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

bool MonitorEngine::IsFileBusy() const {
    return m_eventSettings.IsBusy() || m_mailQueue.IsBusy() || m_searchRanges.IsBusy() ||
           m_actionRanges.IsBusy() || m_nodes.IsBusy() || m_logs.IsBusy(LogKind::Event) ||
           m_logs.IsBusy(LogKind::Error);
}

}  // namespace halvera
