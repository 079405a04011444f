#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/capture_adapter.h"
#include "capture/packet_driver.h"
#include "export/export_table.h"
#include "export/list_exporter.h"
#include "lists/list_tables.h"
#include "lists/progress.h"
#include "lists/summary_banner.h"
#include "monitor/command_result.h"
#include "monitor/options_entry.h"
#include "monitor/search_runner.h"
#include "monitor/search_settings_entry.h"
#include "net/host_resolver.h"
#include "net/local_adapter_info.h"
#include "store/event_settings.h"
#include "store/log_store.h"
#include "store/mail_settings.h"
#include "store/range_store.h"
#include "store/settings_store.h"

namespace halvera {

// Which lists the start-up load fills: the program shows all three, halvera-cli works on
// the node list and reads a log only when asked to print it.
enum class StartupLists { NodeList, All };

// What both front ends drive: the settings, the lists and the banner they show, the search
// runs, and every rule behind the commands. The Qt program and halvera-cli only ask the user
// and show; MonitorEngine is the one implementation, the gui tests script their own.
class Engine {
  public:
    virtual ~Engine() = default;

    virtual SettingsStore& Settings() = 0;
    virtual ListTables& Tables() = 0;
    virtual SummaryBanner& Banner() = 0;
    virtual SearchRunner& Runner() = 0;
    // Name resolution and the own subnet, for the node search dialog.
    virtual HostResolver& Resolver() = 0;
    virtual LocalAdapterInfo LocalAdapter() const = 0;

    // As the main window is created: reads the own adapter (ADPNUM) and loads the polling
    // countdowns from NEWTIME and LOOKTIME. 0, or 1 when the adapter could not be read
    // (logged); rights, when given, receives the outcome of the rights check that comes
    // first.
    virtual int PrepareRuns(RawSocketCheck* rights = nullptr) = 0;
    // The start-up load, on any thread: the node list, then the event log and the error log,
    // the progress (when given) over all their rows in that order; then the summary banner
    // and, with BSORT, the first sort of the node list by SORT.
    virtual void LoadLists(StartupLists lists, Progress* progress) = 0;
    // The end of start-up: with BPOLING the first status poll follows about three seconds on.
    virtual void FinishStartup() = 0;

    // New: empties the node list, the event list and the node database (the caller asked).
    virtual void NewNodeList() = 0;
    // Save: each node's monitoring flag as its row's check box shows it.
    virtual void SaveNodeList() = 0;
    // Delete: the node of this node list row leaves the node database and the list. A row
    // that is no longer there deletes nothing.
    virtual void DeleteNode(int row) = 0;
    // Label edit: a label CheckNodeLabel accepts becomes the label of the node of this node
    // list row, in its node record and in the row's label cell. A row that is not there is
    // refused with the message of the label edit command.
    virtual CommandResult SetNodeLabel(int row, std::string_view labelCp932) = 0;

    // The capture adapters that ADPNUM indexes, in the driver's order. When the list cannot be
    // read, shows "アダプタ情報が取得できません。", logs it under "searchsetd" and gives nothing.
    virtual std::optional<std::vector<CaptureAdapter>> ListAdapters() = 0;
    // What this user is told when searching lacks the raw-frame rights, naming the fix
    // (CP932); empty when a search may send and capture. Asks the packet driver, logs nothing.
    virtual std::string SearchRightsAdvice() = 0;
    // The search ranges or the action node ranges, in list order.
    virtual std::vector<IpRange> ListRanges(RangeList list) = 0;
    // Appends a search range, checked as the search settings dialog checks it.
    virtual CommandResult AddSearchRange(Ipv4 start, Ipv4 end) = 0;
    virtual CommandResult ClearSearchRanges() = 0;
    // Search settings: every field is checked first; only when all pass are the settings,
    // the settings file and (when the entry has them) the search range file replaced, and
    // the banner, the own adapter and the settings information list refreshed.
    virtual CommandResult ApplySearchSettings(const SearchSettingsEntry& entry) = 0;

    // Options: the column masks MAP and ELIST take effect at once, as the lists already show
    // them; then the event list row count is checked, and only when it passes are the other
    // options set and the settings file written.
    virtual CommandResult ApplyOptions(const OptionsEntry& entry) = 0;

    // Event settings: what the event settings dialogs and halvera-cli's event, action-ranges
    // and sniff commands read and change.
    // The record of an event kind (0 to EVENT_KIND_COUNT - 1); a kind without a stored record
    // reads as all zero, that is disabled.
    virtual EventSettings ReadEventSettings(int kind) = 0;
    // The event action dialog's OK: the record is checked as a whole (CheckEventSettings) and
    // only when it passes written at once as the kind's line; the settings information list
    // follows it.
    virtual CommandResult PutEventSettings(int kind, const EventSettings& record) = 0;
    // The event settings dialog's OK: the action node ranges replaced by these when given
    // (each start not above its end, or nothing is stored), ALLEVENT (1 for all nodes), the
    // settings file and the settings information list.
    virtual CommandResult ApplyEventNodes(bool allNodes,
                                          const std::optional<std::vector<IpRange>>& ranges) = 0;
    // The sniffing settings dialog's OK: PROMISS takes effect at once and is shown in the
    // settings information list; the settings file takes it at the next save.
    virtual void SetSniffCriterion(std::int32_t promiss) = 0;

    // Number of entries in the log file.
    virtual int CountLogEntries(LogKind kind) = 0;
    // Reads the whole log file into its list, as the start-up load does.
    virtual void ReadLog(LogKind kind) = 0;
    // Rewrites the log without the entries of these rows of its list (advancing the
    // progress), then removes the rows. When the log could not be rewritten (the store has
    // said so) the file and the rows stay as they were.
    virtual CommandResult DeleteLogRows(LogKind kind, const std::vector<int>& rows,
                                        Progress& progress) = 0;

    // What an export writes for the list as it is shown now (rows in display order), with
    // the current time.
    virtual std::string ExportBytes(ExportFormat format, ExportList list) = 0;
    // Writes the list to the file (halvera-cli's --output); without one, to its export file
    // in the data folder, shows where in the banner and has the desktop open it.
    virtual CommandResult Export(ExportFormat format, ExportList list,
                                 const std::optional<std::filesystem::path>& path = {}) = 0;
    // Opens the help document of the program folder with the desktop's program; false, with
    // nothing opened, when the program folder has none.
    virtual bool OpenHelp() = 0;

    // Mail settings, for the mail settings dialog and halvera-cli mail. The settings in
    // memory are Settings().Mail().
    // Checks the entered mail settings (CP932) with StoreMailSettings; the fields that pass
    // are copied into the settings in memory at once, also when a later one is refused, and
    // are used by the next mail. Refused with the message of the refused field.
    virtual CommandResult StoreMailSettings(const MailSettings& entry, int required) = 0;
    // Writes the mail settings in memory to the user's registry file and refreshes the
    // settings information list; fails when the registry could not be written (logged).
    virtual CommandResult SaveMailSettings() = 0;
    // Sends the test mail with the settings in memory and waits for the end of the SMTP
    // dialogue (within the mail sender's time limits); failures are shown through the
    // prompt and logged. Any thread; one delivery at a time. Done when it was delivered.
    virtual CommandResult SendTestMail() = 0;

    // Whether a data file is in use (a settings dialog saving, a log deletion).
    virtual bool IsFileBusy() const = 0;
    // Writes the program settings (Kelvane.ini): after a settings dialog's OK, and at
    // shutdown, once IsIdleForShutdown, before Close closes every file.
    virtual void SaveSettings() = 0;
    virtual void Close() = 0;

    // No run is active and no data file is busy, so the program may end.
    bool IsIdleForShutdown() { return !Runner().IsRunActive() && !IsFileBusy(); }
};

}  // namespace halvera
