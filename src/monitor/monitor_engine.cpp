#include "monitor/monitor_engine.h"

#include <algorithm>
#include <utility>

#include "base/clock.h"
#include "base/desktop_entry.h"
#include "base/ip_address.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "capture/packet_driver_choice.h"
#include "events/placeholders.h"
#include "events/settings_summary.h"
#include "lists/node_list_sort.h"
#include "net/network_names.h"
#include "net/node_list.h"
#include "store/event_settings_check.h"
#include "store/mail_settings_check.h"
#include "store/node_label_check.h"
#include "store/options_check.h"
#include "store/search_settings_check.h"
#include "store/settings_files.h"
#include "store/settings_schema.h"

namespace halvera {
namespace {

// The tag of the search settings' entries in the error log.
constexpr std::string_view SEARCH_SETTINGS_TAG = "searchsetd";

// The unit position of an entry, -1 for none.
int UnitIndex(int index) {
    return index >= 0 && index < POLL_UNIT_COUNT ? index : -1;
}

// Without a unit the interval is entered in seconds.
std::int32_t UnitSeconds(int unitIndex) {
    return unitIndex < 0 ? 1 : POLL_UNITS[unitIndex];
}

// The interval in seconds, and the unit that goes with it, of a checked interval entry.
void SetInterval(std::string_view text, int unitIndex, std::int32_t& seconds, std::int32_t& unit) {
    const auto value = static_cast<std::int32_t>(ReadSettingNumber(text).value_or(0));
    if (unitIndex < 0) {
        seconds = value;
        return;
    }
    unit = POLL_UNITS[unitIndex];
    seconds = value * unit;
}

// A range list rewritten as the dialogs do it: emptied, then every range appended in order.
int ReplaceRanges(RangeStore& store, const std::vector<IpRange>& ranges) {
    if (store.ClearRanges() != 0) {
        return 1;
    }
    for (const IpRange& range : ranges) {
        if (store.AppendRange(range.start, range.end) != 0) {
            return 1;
        }
    }
    return 0;
}

}  // namespace

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
      m_mailSender(m_settings, m_mailLines, ports.prompt, m_logs, options.mail),
      m_events({m_settings, m_eventSettings, m_actionRanges, m_logs, m_tables.eventList,
                m_mailQueue, m_mailSender, ports.popup, ports.desktop}),
      m_driver(options.driver ? std::move(options.driver) : MakePacketDriver()),
      m_steps({*m_driver, m_logs, ports.prompt, m_settings, m_nodes, m_resolver, m_tables.nodeList,
               m_banner, m_events}),
      m_runs({m_settings, m_nodes, m_searchRanges, *m_driver, m_logs, ports.prompt, m_banner,
              m_steps, m_local,
              [this](std::span<const NameQueryRange> ranges, Ipv4 ownIp, Ipv4 mask) {
                  // A network that needs gentle probes needs gentle name queries too.
                  NameQueryOptions options;
                  options.sendRate = std::min(options.sendRate, m_settings.App().SENDRATE);
                  EnumerateNetworkNames(ranges, ownIp, mask, m_nodes, options);
              }},
             m_tables.nodeList) {}

MonitorEngine::~MonitorEngine() {
    Close();
}

bool MonitorEngine::Open() {
    m_closed = false;
    // Before anything writes the error log: the settings report an incomplete registry there.
    CreateWorkingFolders();
    // Every kind off would make a new user's first search show nothing it finds.
    m_eventSettings.WriteFirstStartFile();
    LoadSettings(m_settings, m_registry, m_logs, m_prompt);
    m_nodes.SetKeepNodeList(1);
    bool opened = m_nodes.InitNodeStore() == 0;
    opened = m_searchRanges.InitSearchRanges() == 0 && opened;
    opened = m_logs.Init() == 0 && opened;
    RefreshSettingsSummary();
    return opened;
}

int MonitorEngine::ReadLocalAdapter(RawSocketCheck* rights) {
    LocalAdapterInfo info = m_local.Get();
    const int result =
        halvera::ReadLocalAdapter(*m_driver, m_settings.App().ADPNUM, m_logs, info, rights);
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

int MonitorEngine::PrepareRuns(RawSocketCheck* rights) {
    const int result = ReadLocalAdapter(rights);
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
    const std::optional<NodeEntry> node = m_tables.nodeList.At(row);
    if (!node) {
        return;
    }
    m_nodeFile.DeleteNode(node->ip);
    m_tables.nodeList.Remove(row);
    m_banner.SetSummaryText();
}

CommandResult MonitorEngine::SetNodeLabel(int row, std::string_view labelCp932) {
    std::string refusal = CheckNodeLabel(labelCp932);
    const std::optional<NodeEntry> node = m_tables.nodeList.At(row);
    if (refusal.empty() && !node) {
        refusal = Sjis("ラベルを編集するノードを選択してください。");
    }
    if (!refusal.empty()) {
        return {CommandResult::REFUSED, std::move(refusal)};
    }
    if (m_nodeFile.StoreLabel(node->ip, labelCp932) != 0) {
        return {CommandResult::FAILED, {}};
    }
    m_tables.nodeList.SetLabel(row, std::string(labelCp932));
    return {CommandResult::DONE, {}};
}

std::optional<std::vector<CaptureAdapter>> MonitorEngine::ListAdapters() {
    auto adapters = m_driver->Adapters();
    if (!adapters) {
        ShowStop(m_prompt, Sjis("アダプタ情報が取得できません。"));
        m_logs.WriteErrorLog(SEARCH_SETTINGS_TAG, Sjis("アダプタ情報が取得できません"));
    }
    return adapters;
}

std::string MonitorEngine::SearchRightsAdvice() {
    return RawRightsAdvice(m_driver->TryRawSocket());
}

std::vector<IpRange> MonitorEngine::ListRanges(RangeList list) {
    std::vector<IpRange> ranges;
    for (const auto& [start, end] :
         (list == RangeList::Search ? m_searchRanges : m_actionRanges).ListRanges()) {
        ranges.push_back({start, end});
    }
    return ranges;
}

CommandResult MonitorEngine::AddSearchRange(Ipv4 start, Ipv4 end) {
    if (std::string refusal = CheckSearchRange(start, end); !refusal.empty()) {
        return CommandResult::Refused(std::move(refusal));
    }
    const int result = m_searchRanges.AppendRange(start, end);
    RefreshSettingsSummary();
    return result == 0 ? CommandResult::Ok() : CommandResult::Failed();
}

CommandResult MonitorEngine::ClearSearchRanges() {
    const int result = m_searchRanges.ClearRanges();
    RefreshSettingsSummary();
    return result == 0 ? CommandResult::Ok() : CommandResult::Failed();
}

std::string MonitorEngine::CheckSearchSettings(const SearchSettingsEntry& entry,
                                               AppSettings& settings) {
    if (entry.adapter) {
        const auto adapters = m_driver->Adapters();
        if (!adapters || *entry.adapter < 0 ||
            *entry.adapter >= static_cast<int>(adapters->size())) {
            return Sjis("ネットワークアダプタが不正です。");
        }
        settings.ADPNUM = *entry.adapter;
        const std::string name = AdapterDisplayName((*adapters)[*entry.adapter]);
        settings.ADPNAME = std::string(CutCp932(name, 255));
    }
    const int newUnit = UnitIndex(entry.newUnit);
    const int lookUnit = UnitIndex(entry.lookUnit);
    if (std::string refusal = CheckPollInterval(entry.newTime, UnitSeconds(newUnit));
        !refusal.empty()) {
        return refusal;
    }
    if (std::string refusal = CheckPollInterval(entry.lookTime, UnitSeconds(lookUnit));
        !refusal.empty()) {
        return refusal;
    }
    if (entry.ranges) {
        for (const IpRange& range : *entry.ranges) {
            if (std::string refusal = CheckSearchRange(range.start, range.end); !refusal.empty()) {
                return refusal;
            }
        }
    }
    if (std::string refusal = ApplySettingTexts(entry.numbers, SettingCli::Settings, settings);
        !refusal.empty()) {
        return refusal;
    }
    settings.NEWENABLE = entry.newEnable ? 1 : 0;
    SetInterval(entry.newTime, newUnit, settings.NEWTIME, settings.NEWTIMEUNIT);
    settings.LOOKENABLE = entry.lookEnable ? 1 : 0;
    SetInterval(entry.lookTime, lookUnit, settings.LOOKTIME, settings.LOOKTIMEUNIT);
    settings.NODEDISP = entry.nodeDisp ? 1 : 0;
    return {};
}

CommandResult MonitorEngine::ApplySearchSettings(const SearchSettingsEntry& entry) {
    const AppSettings before = m_settings.App();
    AppSettings settings = before;
    std::string refusal = CheckSearchSettings(entry, settings);
    if (!refusal.empty()) {
        return {CommandResult::REFUSED, std::move(refusal)};
    }
    if (entry.ranges && ReplaceRanges(m_searchRanges, *entry.ranges) != 0) {
        return {CommandResult::FAILED, {}};
    }
    m_settings.SetApp(settings);
    SaveSettings();
    if (settings.ADPNUM != before.ADPNUM) {
        // The local network of the range dialog and the node search follow the new adapter.
        ReadLocalAdapter();
    }
    m_banner.SetSummaryText();
    RefreshSettingsSummary();
    return {CommandResult::DONE, {}};
}

CommandResult MonitorEngine::ApplyOptions(const OptionsEntry& entry) {
    AppSettings settings = m_settings.App();
    settings.MAP = (settings.MAP & ~NODE_LIST_MAP_BITS) | (entry.map & NODE_LIST_MAP_BITS);
    settings.ELIST = (settings.ELIST & ~EVENT_LIST_BITS) | (entry.elist & EVENT_LIST_BITS);
    m_settings.SetApp(settings);
    std::string refusal = ApplySettingTexts(entry.numbers, SettingCli::Options, settings);
    if (!refusal.empty()) {
        return CommandResult::Refused(std::move(refusal));
    }
    settings.SCROLL = entry.scroll ? 1 : 0;
    settings.BSORT = entry.sortAtStart ? 1 : 0;
    settings.SORT = entry.sort;
    settings.BPOLING = entry.pollAtStart ? 1 : 0;
    m_settings.SetApp(settings);
    SaveSettings();
    return CommandResult::Ok();
}

halvera::EventSettings MonitorEngine::ReadEventSettings(int kind) {
    halvera::EventSettings record;
    m_eventSettings.ReadEventSettings(kind, record);
    return record;
}

CommandResult MonitorEngine::PutEventSettings(int kind, const halvera::EventSettings& record) {
    if (std::string refusal = CheckEventSettings(record); !refusal.empty()) {
        return {CommandResult::REFUSED, std::move(refusal)};
    }
    if (m_eventSettings.PutEventSettings(kind, record) < 0) {
        return {CommandResult::FAILED, {}};
    }
    RefreshSettingsSummary();
    return {CommandResult::DONE, {}};
}

CommandResult MonitorEngine::ApplyEventNodes(bool allNodes,
                                             const std::optional<std::vector<IpRange>>& ranges) {
    if (ranges) {
        for (const IpRange& range : *ranges) {
            if (std::string refusal = CheckSearchRange(range.start, range.end); !refusal.empty()) {
                return {CommandResult::REFUSED, std::move(refusal)};
            }
        }
        if (ReplaceRanges(m_actionRanges, *ranges) != 0) {
            return {CommandResult::FAILED, {}};
        }
    }
    AppSettings settings = m_settings.App();
    settings.ALLEVENT = allNodes ? 1 : 0;
    m_settings.SetApp(settings);
    SaveSettings();
    RefreshSettingsSummary();
    return {CommandResult::DONE, {}};
}

void MonitorEngine::SetSniffCriterion(std::int32_t promiss) {
    AppSettings settings = m_settings.App();
    settings.PROMISS = promiss;
    m_settings.SetApp(settings);
    RefreshSettingsSummary();
}

int MonitorEngine::CountLogEntries(LogKind kind) {
    return kind == LogKind::Event ? m_logs.CountEventLog() : m_logs.CountErrorLog();
}

void MonitorEngine::ReadLog(LogKind kind) {
    if (kind == LogKind::Event) {
        m_logs.ReadEventLog(FILTER_ALL, "", nullptr, 0);
    } else {
        m_logs.ReadErrorLog(nullptr, 0);
    }
}

CommandResult MonitorEngine::DeleteLogRows(LogKind kind, const std::vector<int>& rows,
                                           Progress& progress) {
    const int result = kind == LogKind::Event ? m_logs.DeleteEventLogRows(rows, &progress)
                                              : m_logs.DeleteErrorLogRows(rows, &progress);
    // Row n shows line n of the file: rows removed from a log that stayed whole would make
    // a later deletion remove the wrong lines.
    if (result == 0) {
        (kind == LogKind::Event ? m_tables.eventLog : m_tables.errorLog).RemoveRows(rows);
    }
    return result == 0 ? CommandResult::Ok() : CommandResult::Failed();
}

std::string MonitorEngine::ExportBytes(ExportFormat format, ExportList list) {
    const ListTable& table = list == ExportList::NodeList   ? m_tables.nodeList.Display()
                             : list == ExportList::EventLog ? m_tables.eventLog
                                                            : m_tables.errorLog;
    return ExportText(format, list, table.Snapshot(), m_settings.App(),
                      FormatDateTime(CurrentClock().LocalNow()));
}

CommandResult MonitorEngine::Export(ExportFormat format, ExportList list,
                                    const std::optional<std::filesystem::path>& to) {
    const std::filesystem::path path = to.value_or(DataFolder() / ExportFileName(format));
    if (WriteExportFile(path, ExportBytes(format, list), format, m_prompt, m_logs) != 0) {
        return CommandResult::Failed();
    }
    if (to) {
        return CommandResult::Ok();
    }
    // The desktop actions take CP932, as the event settings keep their file names.
    const std::string pathCp932 = Utf8ToCp932Lossy(path.string());
    m_banner.SetSummaryText(Sjis("【データ出力】 ") + pathCp932);
    m_desktop.OpenFile(pathCp932, {});
    return CommandResult::Ok();
}

bool MonitorEngine::OpenHelp() {
    const std::filesystem::path help = ProgramFolder() / HELP_DOCUMENT_NAME;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(help, ec)) {
        return false;
    }
    m_desktop.OpenFile(Utf8ToCp932Lossy(help.string()), {});
    return true;
}

CommandResult MonitorEngine::StoreMailSettings(const MailSettings& entry, int required) {
    MailSettings settings = m_settings.Mail();
    std::string refusal = halvera::StoreMailSettings(entry, required, settings);
    m_settings.SetMail(settings);
    return refusal.empty() ? CommandResult::Ok() : CommandResult::Refused(std::move(refusal));
}

CommandResult MonitorEngine::SaveMailSettings() {
    const int result = halvera::SaveSettings(SAVE_MAIL_SETTINGS, m_settings, m_registry, m_logs);
    // Without the settings file the next start reads no registry at all: the mail settings
    // just saved would be lost.
    if (!std::filesystem::exists(SettingsFilePath())) {
        SaveSettings();
    }
    RefreshSettingsSummary();
    return result == 0 ? CommandResult::Ok() : CommandResult::Failed();
}

CommandResult MonitorEngine::SendTestMail() {
    return m_mailSender.SendMail(1) == 0 ? CommandResult::Ok() : CommandResult::Failed();
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
