#pragma once

#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "base/user_registry.h"
#include "capture/packet_driver.h"
#include "events/desktop_actions.h"
#include "events/event_actions.h"
#include "events/mail_queue_lines.h"
#include "events/mail_sender.h"
#include "events/popup_port.h"
#include "lists/list_tables.h"
#include "lists/progress.h"
#include "lists/prompt.h"
#include "lists/summary_banner.h"
#include "monitor/engine.h"
#include "monitor/node_store_list_file.h"
#include "monitor/search_runs.h"
#include "net/local_adapter_state.h"
#include "net/node_search_steps.h"
#include "net/system_host_resolver.h"
#include "store/event_settings_store.h"
#include "store/log_store.h"
#include "store/mail_queue.h"
#include "store/node_store.h"
#include "store/range_store.h"
#include "store/settings_store.h"

namespace halvera {

// Where a front end takes what the engine cannot do by itself: asking the user, showing a
// popup, and the desktop's share of the event actions.
struct MonitorPorts {
    Prompt& prompt;
    PopupPort& popup;
    DesktopActions& desktop;
};

// What a front end or a test chooses for the engine; the defaults are the program's.
struct MonitorEngineOptions {
    // The user's registry file with the mail settings.
    std::filesystem::path registryPath = DefaultUserRegistryPath();
    // The packet driver of the searches and of the own adapter; libpcap when empty.
    std::unique_ptr<PacketDriver> driver;
    // The mail servers' ports and the time limits of a delivery.
    MailSenderOptions mail;
};

// Everything Halvera does without a user interface, wired as the program wires it: the
// settings, the list tables and the banner, the data stores, the event actions with the mail
// sender, the node update on the packet driver and the search runs with their polling
// countdowns. The Qt program and halvera-cli each own one for the program folder whose
// instance lock they hold, and show what it writes into the tables and the banner.
class MonitorEngine : public Engine {
  public:
    MonitorEngine(MonitorPorts ports, MonitorEngineOptions options = {});
    // Closes whatever is still open (Close).
    ~MonitorEngine() override;
    MonitorEngine(const MonitorEngine&) = delete;
    MonitorEngine& operator=(const MonitorEngine&) = delete;

    // Start-up in the program's order: the working folders, on a first start the event
    // settings file (WriteFirstStartFile), the settings (Kelvane.ini and
    // the user's registry file), the node store, the search ranges and the logs, then the
    // settings information list. False when a data file could not be opened (already
    // reported through the prompt); what could be opened stays open.
    bool Open();
    // Reads the own adapter (ADPNUM). 0, or 1 when it could not be read (logged).
    int ReadLocalAdapter(RawSocketCheck* rights = nullptr);
    int PrepareRuns(RawSocketCheck* rights = nullptr) override;

    SettingsStore& Settings() override { return m_settings; }
    ListTables& Tables() override { return m_tables; }
    SummaryBanner& Banner() override { return m_banner; }
    SearchRunner& Runner() override { return m_runs; }
    HostResolver& Resolver() override { return m_resolver; }
    // The own adapter as last read.
    LocalAdapterInfo LocalAdapter() const override { return m_local.Get(); }

    void LoadLists(StartupLists lists, Progress* progress) override;
    void FinishStartup() override;
    void NewNodeList() override;
    void SaveNodeList() override;
    void DeleteNode(int row) override;
    CommandResult SetNodeLabel(int row, std::string_view labelCp932) override;
    std::optional<std::vector<CaptureAdapter>> ListAdapters() override;
    std::string SearchRightsAdvice() override;
    std::vector<IpRange> ListRanges(RangeList list) override;
    CommandResult AddSearchRange(Ipv4 start, Ipv4 end) override;
    CommandResult ClearSearchRanges() override;
    CommandResult ApplySearchSettings(const SearchSettingsEntry& entry) override;
    CommandResult ApplyOptions(const OptionsEntry& entry) override;
    halvera::EventSettings ReadEventSettings(int kind) override;
    CommandResult PutEventSettings(int kind, const halvera::EventSettings& record) override;
    CommandResult ApplyEventNodes(bool allNodes,
                                  const std::optional<std::vector<IpRange>>& ranges) override;
    void SetSniffCriterion(std::int32_t promiss) override;
    int CountLogEntries(LogKind kind) override;
    void ReadLog(LogKind kind) override;
    CommandResult DeleteLogRows(LogKind kind, const std::vector<int>& rows,
                                Progress& progress) override;
    std::string ExportBytes(ExportFormat format, ExportList list) override;
    CommandResult Export(ExportFormat format, ExportList list,
                         const std::optional<std::filesystem::path>& path = {}) override;
    bool OpenHelp() override;
    CommandResult StoreMailSettings(const MailSettings& entry, int required) override;
    CommandResult SaveMailSettings() override;
    CommandResult SendTestMail() override;
    // Rebuilds the settings information list after the settings changed (every command that
    // changes them does it).
    void RefreshSettingsSummary();
    bool IsFileBusy() const override;
    void SaveSettings() override;
    // Shutdown: no run starts any more, the current one is stopped (its windows in flight
    // cut) and waited for (the GUI waits for IsRunActive() to turn false first), then the node
    // store, the search ranges and the logs are closed.
    void Close() override;

    SearchRuns& Runs() { return m_runs; }
    NodeStore& Nodes() { return m_nodes; }
    RangeStore& SearchRanges() { return m_searchRanges; }
    RangeStore& ActionRanges() { return m_actionRanges; }
    EventSettingsStore& EventSettings() { return m_eventSettings; }
    LogStore& Logs() { return m_logs; }
    UserRegistry& Registry() { return m_registry; }

  private:
    // The message of the first field of the entry that does not pass, empty when all pass;
    // fills the settings the entry makes.
    std::string CheckSearchSettings(const SearchSettingsEntry& entry, AppSettings& settings);

    SettingsStore m_settings;
    ListTables m_tables;
    SummaryBanner m_banner;
    Prompt& m_prompt;
    DesktopActions& m_desktop;
    UserRegistry m_registry;
    LogStore m_logs;
    NodeStore m_nodes;
    NodeStoreListFile m_nodeFile;
    RangeStore m_searchRanges;
    RangeStore m_actionRanges;
    EventSettingsStore m_eventSettings;
    MailQueue m_mailQueue;
    MailQueueLines m_mailLines;
    MailSender m_mailSender;
    EventActions m_events;
    std::unique_ptr<PacketDriver> m_driver;
    SystemHostResolver m_resolver;
    LocalAdapterState m_local;
    NodeSearchSteps m_steps;
    SearchRuns m_runs;
    bool m_closed = false;
};

}  // namespace halvera
