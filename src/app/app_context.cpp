#include "app/app_context.h"

#include <utility>

#include "base/program_folder.h"
#include "events/placeholders.h"
#include "events/settings_summary.h"
#include "net/network_names.h"
#include "net/pcap_packet_driver.h"
#include "store/settings_files.h"

namespace halvera {

AppContext::AppContext(Prompt& prompt) : AppContext(prompt, Options{}) {}

AppContext::AppContext(Prompt& prompt, Options options)
    : m_prompt(prompt),
      m_options(std::move(options)),
      m_banner(m_tables.nodeList,
               [this] {
                   const AppSettings settings = m_settings.App();
                   return PollingState{settings.NEWENABLE != 0, settings.LOOKENABLE != 0};
               }),
      m_registry(m_options.registryPath),
      m_logs(m_tables.eventLog, m_tables.errorLog, prompt, m_settings),
      m_nodes(prompt, m_logs),
      m_searchRanges(RangeList::Search, prompt, m_logs),
      m_actionRanges(RangeList::Action, prompt, m_logs),
      m_eventSettings(prompt, m_logs),
      m_mailQueue(prompt, m_logs, &ExpandPlaceholders),
      m_driver(m_options.driver ? std::move(m_options.driver)
                                : std::make_unique<PcapPacketDriver>()),
      m_mailLines(m_mailQueue),
      m_mailSender(m_settings, m_mailLines, prompt, m_logs),
      m_nodeFile(m_nodes),
      m_eventLogDeleter(m_logs, LogKind::Event),
      m_errorLogDeleter(m_logs, LogKind::Error),
      m_nodeLoader(m_tables.nodeList, m_nodes, m_settings),
      m_eventLogLoader(m_logs, LogKind::Event),
      m_errorLogLoader(m_logs, LogKind::Error),
      m_services(m_settings, m_tables, m_banner, prompt) {
    WireServices();
}

AppContext::~AppContext() = default;

void AppContext::WireServices() {
    m_services.resolver = &m_resolver;
    m_services.localAdapter = [this] { return LocalAdapter(); };
    m_services.nodeFile = &m_nodeFile;
    m_services.eventLogDeleter = &m_eventLogDeleter;
    m_services.errorLogDeleter = &m_errorLogDeleter;
    m_services.loaders = {&m_nodeLoader, &m_eventLogLoader, &m_errorLogLoader};
    m_services.fileBusy = {
        [this] { return m_eventSettings.IsBusy(); },
        [this] { return m_mailQueue.IsBusy(); },
        [this] { return m_searchRanges.IsBusy(); },
        [this] { return m_actionRanges.IsBusy(); },
        [this] { return m_nodes.IsBusy(); },
        [this] { return m_logs.IsBusy(LogKind::Event) || m_logs.IsBusy(LogKind::Error); },
    };
    m_services.saveSettings = [this] { SaveAppSettings(); };
    m_services.closeStores = [this] { CloseStores(); };
    m_services.refreshSettingsSummary = [this] { RefreshSettingsSummary(); };
}

void AppContext::OpenStores() {
    CreateWorkingFolders();
    LoadSettings(m_settings, m_registry, m_logs, m_prompt);
    m_nodes.SetKeepNodeList(1);
    m_nodes.InitNodeStore();
    m_searchRanges.InitSearchRanges();
    m_logs.Init();
    RefreshSettingsSummary();
}

void AppContext::PrepareNetwork() {
    LocalAdapterInfo local;
    if (ReadLocalAdapter(*m_driver, m_settings.App().ADPNUM, m_logs, local) == 0) {
        m_local.Set(local);
    }
    // Without an adapter (or the rights to read it) popups still reach the popup program,
    // which listens on every address of this host.
    const Ipv4 popupAddress = local.ownAddress != 0 ? local.ownAddress : MakeIp(127, 0, 0, 1);
    m_popup = std::make_unique<PopupRelay>(popupAddress, m_logs, m_options.popup);
    m_popup->InitPopupRelay();

    m_events = std::make_unique<EventActions>(
        EventActionTargets{m_settings, m_eventSettings, m_actionRanges, m_logs, m_tables.eventList,
                           m_mailQueue, m_mailSender, *m_popup, m_desktop});
    m_steps = std::make_unique<NodeSearchSteps>(
        NodeSearchContext{*m_driver, m_logs, m_prompt, m_settings, m_nodes, m_resolver,
                          m_tables.nodeList, m_banner, *m_events});
    SearchRunContext context{m_settings,
                             m_nodes,
                             m_searchRanges,
                             *m_driver,
                             m_logs,
                             m_prompt,
                             m_banner,
                             *m_steps,
                             m_local,
                             [this](std::span<const NameQueryRange> ranges, Ipv4 ownIp, Ipv4 mask) {
                                 EnumerateNetworkNames(ranges, ownIp, mask, m_nodes);
                             }};
    m_runs = std::make_unique<SearchRuns>(std::move(context), m_tables.nodeList);
    m_runs->LoadCountdowns();
    m_services.runs = m_runs.get();
}

void AppContext::SaveAppSettings() {
    SaveSettings(SAVE_APP_SETTINGS, m_settings, m_registry, m_logs);
}

void AppContext::CloseStores() {
    // The program waited for the last run; none may start while the files close.
    if (m_runs) {
        m_runs->Shutdown(false);
    }
    m_nodes.CloseNodeStore();
    m_searchRanges.CloseSearchRanges();
    if (m_popup) {
        m_popup->EndPopupProgram();
    }
}

void AppContext::RefreshSettingsSummary() {
    halvera::RefreshSettingsSummary(m_tables.settingsInfo, m_settings, m_searchRanges,
                                    m_actionRanges, m_eventSettings);
}

}  // namespace halvera
