#pragma once

#include <filesystem>
#include <memory>

#include "app/app_services.h"
#include "app/qt_desktop_actions.h"
#include "base/user_registry.h"
#include "events/event_actions.h"
#include "events/mail_queue_lines.h"
#include "events/mail_sender.h"
#include "events/popup_relay.h"
#include "lists/list_tables.h"
#include "lists/summary_banner.h"
#include "net/local_adapter_state.h"
#include "net/node_list_loader.h"
#include "net/node_search_steps.h"
#include "net/packet_driver.h"
#include "net/search_runs.h"
#include "net/system_host_resolver.h"
#include "store/event_settings_store.h"
#include "store/log_list_loader.h"
#include "store/log_store.h"
#include "store/log_store_row_deleter.h"
#include "store/mail_queue.h"
#include "store/node_store.h"
#include "store/node_store_list_file.h"
#include "store/range_store.h"
#include "store/settings_store.h"

namespace halvera {

// The core objects of the running program and the services the windows reach them by: the
// settings, the stores, the packet driver, the own adapter and the popup relay. The
// application object brings them up in the start-up order and the main frame takes them
// down through the shutdown hooks of Services(). Create it on the GUI thread.
class AppContext {
  public:
    struct Options {
        // The user's registry file with the mail settings.
        std::filesystem::path registryPath = DefaultUserRegistryPath();
        // The packet driver for the rights check and the adapter list; libpcap when empty.
        std::unique_ptr<PacketDriver> driver;
        PopupRelayOptions popup;
    };

    // prompt: where the stores ask and report (message boxes in the program).
    AppContext(Prompt& prompt, Options options);
    explicit AppContext(Prompt& prompt);
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    // Start-up before the main frame: working folders, settings, node database (existing
    // files kept), search ranges, logs, and the settings information list. Failures are
    // reported by the stores; start-up goes on with what could be opened.
    void OpenStores();
    // While the main frame is created: reads the own adapter (after the raw socket check),
    // prepares the popup relay for the own address, and sets up the event actions and the
    // search runs with their polling countdowns.
    void PrepareNetwork();

    AppServices& Services() { return m_services; }
    SettingsStore& Settings() { return m_settings; }
    ListTables& Tables() { return m_tables; }
    SummaryBanner& Banner() { return m_banner; }
    UserRegistry& Registry() { return m_registry; }
    LogStore& Logs() { return m_logs; }
    NodeStore& Nodes() { return m_nodes; }
    RangeStore& SearchRanges() { return m_searchRanges; }
    RangeStore& ActionRanges() { return m_actionRanges; }
    EventSettingsStore& EventSettingsFile() { return m_eventSettings; }
    MailQueue& Mail() { return m_mailQueue; }
    PacketDriver& Driver() { return *m_driver; }
    DesktopActions& Desktop() { return m_desktop; }
    // Null until PrepareNetwork.
    PopupRelay* Popup() { return m_popup.get(); }
    EventActions* Events() { return m_events.get(); }
    SearchRuns* Runs() { return m_runs.get(); }
    LocalAdapterInfo LocalAdapter() const { return m_local.Get(); }

  private:
    void WireServices();
    void SaveAppSettings();
    void CloseStores();
    void RefreshSettingsSummary();

    Prompt& m_prompt;
    Options m_options;
    SettingsStore m_settings;
    ListTables m_tables;
    SummaryBanner m_banner;
    UserRegistry m_registry;
    LogStore m_logs;
    NodeStore m_nodes;
    RangeStore m_searchRanges;
    RangeStore m_actionRanges;
    EventSettingsStore m_eventSettings;
    MailQueue m_mailQueue;
    std::unique_ptr<PacketDriver> m_driver;
    SystemHostResolver m_resolver;
    QtDesktopActions m_desktop;
    LocalAdapterState m_local;
    MailQueueLines m_mailLines;
    MailSender m_mailSender;
    // Made once the own address is known; the runs go first at the end.
    std::unique_ptr<PopupRelay> m_popup;
    std::unique_ptr<EventActions> m_events;
    std::unique_ptr<NodeSearchSteps> m_steps;
    std::unique_ptr<SearchRuns> m_runs;

    NodeStoreListFile m_nodeFile;
    LogStoreRowDeleter m_eventLogDeleter;
    LogStoreRowDeleter m_errorLogDeleter;
    NodeListLoader m_nodeLoader;
    LogListLoader m_eventLogLoader;
    LogListLoader m_errorLogLoader;
    AppServices m_services;
};

}  // namespace halvera
