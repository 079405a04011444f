#include "cli/cli_session.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "base/ip_address.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "cli/cli_listings.h"
#include "cli/event_command_runner.h"
#include "cli/setting_fields.h"
#include "cli/tsv.h"
#include "export/export_table.h"
#include "lists/list_columns.h"
#include "lists/list_tables.h"
#include "monitor/display_colours_change.h"
#include "monitor/poll_timer.h"
#include "net/node_search_check.h"
#include "store/event_kind.h"
#include "store/mail_settings_check.h"
#include "store/node_label_check.h"
#include "store/search_settings_check.h"

namespace halvera {
namespace {

// The cells of a row in UTF-8, the first one replaced (it holds no text of its own in the
// node list and the event lists).
std::vector<std::string> Utf8Cells(const ListRow& row, std::string first) {
    std::vector<std::string> cells;
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        cells.push_back(i == 0 ? first : Cp932ToUtf8Lossy(row.cells[i]));
    }
    return cells;
}

// The text fields of the mail settings by the names mail set takes.
std::string MailSettings::*MailTextField(std::string_view name) {
    struct Named {
        std::string_view name;
        std::string MailSettings::*field;
    };
    static const Named FIELDS[] = {
        {"smtpserver", &MailSettings::smtpserver}, {"adrfrom", &MailSettings::adrfrom},
        {"adrto1", &MailSettings::adrto1},         {"adrto2", &MailSettings::adrto2},
        {"adrto3", &MailSettings::adrto3},         {"popserver", &MailSettings::popserver},
        {"userid", &MailSettings::userid},         {"passward", &MailSettings::passward},
        {"subject", &MailSettings::subject},       {"authuser", &MailSettings::authuser},
        {"authpass", &MailSettings::authpass}};
    for (const Named& named : FIELDS) {
        if (named.name == name) {
            return named.field;
        }
    }
    return nullptr;
}

// The number fields of the mail settings by the names of MAIL_NUMBER_NAMES.
std::int32_t MailSettings::*MailNumberField(std::string_view name) {
    return name == "pop"        ? &MailSettings::pop
           : name == "smtpport" ? &MailSettings::smtpport
           : name == "security" ? &MailSettings::security
                                : &MailSettings::smtpauth;
}

bool IsMailNumber(std::string_view name) {
    return std::find(MAIL_NUMBER_NAMES.begin(), MAIL_NUMBER_NAMES.end(), name) !=
           MAIL_NUMBER_NAMES.end();
}

constexpr const char* NO_RIGHTS_TEXT =
    "halvera-cli: no right to send and capture raw frames; nothing was searched";

// As the settings information list shows the password.
constexpr const char* PASSWORD_MASK = "********";

std::string KindText(const ListRow& row) {
    return Cp932ToUtf8Lossy(EventKindText(row.image));
}

}  // namespace

CliSession::CliSession(Console& console, TerminationSignals& signals)
    : m_console(console),
      m_signals(signals),
      m_prompt(console),
      m_popup(console),
      m_monitor({m_prompt, m_popup, m_desktop}),
      m_reporter(console, m_engine.Runner().Progress(),
                 console.OutIsTerminal() ? ProgressForm::Terminal : ProgressForm::Lines) {
    // A run says that it prepares; once its walk has a total, the reporter shows how far it
    // has come instead of a line for each address. The summary is printed once a run has
    // ended.
    const std::string progress = Sjis("【ノード検索】");
    m_engine.Banner().Subscribe([this, progress](std::string_view text) {
        if (text.starts_with(progress) && m_engine.Runner().Progress().total == 0) {
            m_reporter.ShowPreparing(text);
        }
    });
    m_engine.Tables().eventList.Subscribe([this](const ListChange& change) {
        if (change.kind == ListChange::Inserted) {
            m_console.Out(TsvLine(Utf8Cells(change.data, KindText(change.data))));
        }
    });
    PrintErrorLogLines();
}

void CliSession::PrintErrorLogLines() {
    m_errorLogPrinter = m_engine.Tables().errorLog.Subscribe([this](const ListChange& change) {
        if (change.kind == ListChange::Inserted) {
            m_console.Err("halvera-cli: error log: " +
                          TsvLine(Utf8Cells(change.data, Cp932ToUtf8Lossy(change.data.cells[0]))));
        }
    });
}

int CliSession::Run(const CliOptions& options) {
    // A data file that cannot be opened has had its tries (five, when its error could pass);
    // reading the node list would wait through them again.
    if (!m_monitor.Open()) {
        m_console.Err("halvera-cli: the data files in " + DataFolder().string() +
                      " could not be opened");
        return 1;
    }
    // Runs read the monitored flags from the node list, and nodes prints it in the
    // program's order, as in the program.
    m_engine.LoadLists(StartupLists::NodeList, nullptr);
    if (options.quiet) {
        m_quiet = true;
        m_reporter.SetForm(ProgressForm::None);
        m_prompt.SetQuiet(true);
    }
    return (this->*options.run)(options);
}

int CliSession::Search(const CliOptions&) {
    return RunToEnd(RunKind::RangeSearch);
}

int CliSession::Refresh(const CliOptions&) {
    return RunToEnd(RunKind::ListRefresh);
}

int CliSession::SetColour(const CliOptions& options) {
    DisplayColours colours = DisplayColours::Of(m_engine.Settings().App());
    colours.values[options.colourItem] = options.colour;
    ChangeDisplayColours(m_engine, colours);
    return 0;
}

int CliSession::SetColourScheme(const CliOptions& options) {
    ChangeDisplayColours(m_engine, DisplayColours::Scheme(options.colourScheme));
    return 0;
}

int CliSession::RunEventCommand(const CliOptions& options) {
    return EventCommandRunner(m_engine, m_console, Lists(options)).Run(options.eventCommand);
}

int CliSession::PrintNodes(const CliOptions& options) {
    Lists(options).Table(NodeListing(m_engine.Tables().nodeList.Snapshot()));
    return 0;
}

int CliSession::PrintEvents(const CliOptions& options) {
    m_engine.ReadLog(LogKind::Event);
    Lists(options).Table(EventLogListing(m_engine.Tables().eventLog.Snapshot()));
    return 0;
}

int CliSession::PrintErrors(const CliOptions& options) {
    // The lines read are the listing, not errors of this run.
    m_engine.Tables().errorLog.Unsubscribe(m_errorLogPrinter);
    m_engine.ReadLog(LogKind::Error);
    Lists(options).Table(ErrorLogListing(m_engine.Tables().errorLog.Snapshot()));
    return 0;
}

int CliSession::PrintRanges(const CliOptions& options) {
    Lists(options).Table(RangeListing(m_engine.ListRanges(RangeList::Search)));
    return 0;
}

int CliSession::AddRange(const CliOptions& options) {
    const Ipv4 start = options.rangeStart;
    const Ipv4 end = options.rangeEnd;
    const CommandResult added = m_engine.AddSearchRange(start, end);
    if (added.outcome == CommandResult::REFUSED) {
        m_console.ErrCp932(added.message);
        return 2;
    }
    if (!added.Done()) {
        m_console.Err("halvera-cli: the search range could not be written");
        return 1;
    }
    return 0;
}

int CliSession::ClearRanges(const CliOptions&) {
    if (!m_engine.ClearSearchRanges().Done()) {
        m_console.Err("halvera-cli: the search ranges could not be cleared");
        return 1;
    }
    return 0;
}

int CliSession::RefreshNode(const CliOptions& options) {
    const std::string& text = options.node;
    // The node search dialog tests the address against the own subnet, which the main
    // window read when it was created.
    RawSocketCheck rights = RawSocketCheck::Allowed;
    if (m_engine.PrepareRuns(&rights) != 0) {
        if (rights != RawSocketCheck::Allowed) {
            m_console.ErrCp932(RawRightsAdvice(rights));
            m_console.Err(NO_RIGHTS_TEXT);
        } else {
            m_console.Err(AdapterFailure());
        }
        return 1;
    }
    const LocalAdapterInfo local = m_engine.LocalAdapter();
    const NodeSearchCheck check = CheckNodeSearchText(Utf8ToCp932Lossy(text), m_engine.Resolver(),
                                                      local.ownAddress, local.subnetMask);
    if (check.outcome != NodeSearchCheck::SEARCH_OK) {
        m_console.ErrCp932(check.message);
        return 1;
    }
    return RunToEnd(RunKind::NodeRefresh, check.address);
}

int CliSession::SetLabel(const CliOptions& options) {
    const Ipv4 address = options.labelAddress;
    const std::string& utf8 = options.label;
    const NodeLabelText label = NodeLabelFromUtf8(utf8);
    if (!label.message.empty()) {
        m_console.ErrCp932(label.message);
        return 1;
    }
    const int row = m_engine.Tables().nodeList.RowOf(address);
    if (row < 0) {
        m_console.Err("halvera-cli: " + FormatIp(address) + " is not in the node list");
        return 1;
    }
    const CommandResult change = m_engine.SetNodeLabel(row, label.cp932);
    switch (change.outcome) {
        case CommandResult::DONE:
            return 0;
        case CommandResult::REFUSED:
            m_console.ErrCp932(change.message);
            return 1;
        case CommandResult::FAILED:
            break;
    }
    m_console.Err("halvera-cli: the label could not be stored in the node database");
    return 1;
}

int CliSession::PrintColours(const CliOptions& options) {
    const DisplayColours colours = DisplayColours::Of(m_engine.Settings().App());
    Listing listing{{{"key", "キー"}, {"colour", "色"}}, {}};
    for (int item = 0; item < DISPLAY_COLOUR_COUNT; ++item) {
        listing.rows.push_back({TextCell(std::string(DisplayColourKey(item))),
                                TextCell(FormatColourText(colours.values[item]))});
    }
    Lists(options).Table(listing);
    return 0;
}

int CliSession::PrintAdapters(const CliOptions& options) {
    const auto adapters = m_engine.ListAdapters();
    if (!adapters) {
        return 1;
    }
    Lists(options).Table(AdapterListing(*adapters));
    // Choosing an adapter is the first step; a search through it is the next, so a user who
    // may not search learns the fix here already.
    if (const std::string advice = m_engine.SearchRightsAdvice(); !advice.empty()) {
        m_console.ErrCp932(advice);
    }
    return 0;
}

ListWriter CliSession::Lists(const CliOptions& options) {
    return ListWriter(m_console, options.json ? ListForm::Json : ListForm::Tsv);
}

int CliSession::PrintSettings(const CliOptions& options) {
    Lists(options).Values(SearchSettingCells(m_engine.Settings().App()));
    return 0;
}

int CliSession::SetSettings(const CliOptions& options) {
    // The entry the search settings dialog would open with, changed as asked.
    const SearchSettingsEntry entry =
        SearchSettingsEntryWith(m_engine.Settings().App(), options.settings);
    const CommandResult change = m_engine.ApplySearchSettings(entry);
    switch (change.outcome) {
        case CommandResult::DONE:
            return 0;
        case CommandResult::REFUSED:
            m_console.ErrCp932(change.message);
            return 2;
        case CommandResult::FAILED:
            break;
    }
    m_console.Err("halvera-cli: the search settings could not be stored");
    return 1;
}

int CliSession::PrintMail(const CliOptions& options) {
    const MailSettings mail = m_engine.Settings().Mail();
    NamedCells values;
    for (const std::string_view name : MAIL_FIELD_NAMES) {
        if (name == "pop") {
            values.emplace_back(name, SwitchCell(mail.pop));
        } else if (IsMailNumber(name)) {
            values.emplace_back(name, NumberCell(mail.*MailNumberField(name)));
        } else if (name == "passward" || name == "authpass") {
            values.emplace_back(name,
                                TextCell((mail.*MailTextField(name)).empty() ? "" : PASSWORD_MASK));
        } else {
            values.emplace_back(name, TextCell(Cp932ToUtf8Lossy(mail.*MailTextField(name))));
        }
    }
    Lists(options).Values(values);
    return 0;
}

int CliSession::SetMail(const CliOptions& options) {
    // What the mail settings dialog would open with, changed as asked, then its OK.
    MailSettings entry = m_engine.Settings().Mail();
    for (const auto& [name, value] : options.mail) {
        if (IsMailNumber(name)) {
            // The options allowed digits only; the settings' check holds the range.
            entry.*MailNumberField(name) = std::stoi(value);
            continue;
        }
        const auto text = Utf8ToCp932(value);
        if (!text) {
            m_console.Err("halvera-cli: " + name + " holds a character that CP932 cannot express");
            return 2;
        }
        entry.*MailTextField(name) = *text;
    }
    if (const CommandResult stored = m_engine.StoreMailSettings(entry, MAIL_CHECK_SIZES);
        !stored.Done()) {
        m_console.ErrCp932(stored.message);
        return 2;
    }
    if (!m_engine.SaveMailSettings().Done()) {
        m_console.Err("halvera-cli: the mail settings could not be stored");
        return 1;
    }
    return 0;
}

int CliSession::SendTestMail(const CliOptions&) {
    // The dialog's test send: the stored settings checked as a mail needs them, then the
    // test mail, whose failures the prompt prints.
    if (const CommandResult checked =
            m_engine.StoreMailSettings(m_engine.Settings().Mail(), MAIL_CHECK_FOR_SENDING);
        !checked.Done()) {
        m_console.ErrCp932(checked.message);
        return 2;
    }
    if (!m_engine.SendTestMail().Done()) {
        return 1;
    }
    m_prompt.ShowMessage(Sjis(TEST_MAIL_SENT), PromptIcon::Information, PromptButtons::Ok);
    return 0;
}

int CliSession::PrintOptions(const CliOptions& options) {
    Lists(options).Values(OptionCells(m_engine.Settings().App()));
    return 0;
}

int CliSession::SetOptions(const CliOptions& options) {
    // The entry the options dialog would open with, changed as asked.
    const OptionsEntry entry = OptionsEntryWith(m_engine.Settings().App(), options.settings);
    const CommandResult change = m_engine.ApplyOptions(entry);
    if (!change.Done()) {
        m_console.ErrCp932(change.message);
        return 2;
    }
    return 0;
}

int CliSession::RunToEnd(RunKind kind, Ipv4 ip) {
    SearchRunner& runs = m_engine.Runner();
    m_reporter.Begin();
    if (!runs.StartManualRun(kind, ip)) {
        m_console.Err("halvera-cli: the search could not be started (see the error log)");
        return 1;
    }
    WaitForRunEnd();
    m_reporter.End();
    PrintSummary();
    switch (runs.LastOutcome()) {
        case RunOutcome::Completed:
            return 0;
        case RunOutcome::StartFailed:
            m_console.Err(AdapterFailure() + "; nothing was searched");
            return 1;
        case RunOutcome::NoRights:
            // The advice naming the fix went to standard error as the run ended.
            m_console.Err(NO_RIGHTS_TEXT);
            return 1;
        case RunOutcome::ProbeFailed:
            m_console.Err(
                "halvera-cli: a packet driver error ended the search early (see the "
                "error log)");
            return 1;
        case RunOutcome::Stopped:
            // Asked for: what was searched is stored, the addresses cut short keep theirs.
            m_console.Err("halvera-cli: stopped; the addresses not searched keep their state");
            return 0;
    }
    return 1;
}

int CliSession::Monitor(const CliOptions&) {
    SearchRunner& runs = m_engine.Runner();
    // As the main window does when it is created and at the end of start-up.
    m_engine.PrepareRuns();
    m_engine.FinishStartup();
    m_console.OutCp932(runs.PollingStatus());
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now() + std::chrono::seconds(1);
    bool wasActive = false;
    while (!m_signals.WaitFor(
        std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()))) {
        // One tick a second; after a stall (a suspended machine) the ticks start afresh.
        next += std::chrono::seconds(1);
        if (next < Clock::now()) {
            next = Clock::now() + std::chrono::seconds(1);
        }
        runs.Tick();
        const bool active = runs.IsRunActive();
        if (active && !wasActive) {
            m_reporter.Begin();
        }
        if (active) {
            m_reporter.Update();
        }
        if (wasActive && !active) {
            m_reporter.End();
            PrintSummary();
        }
        wasActive = active;
    }
    // The current run stops, its mail is sent, the files close.
    if (runs.IsRunActive()) {
        runs.RequestStop();
        WaitForRunEnd();
        m_reporter.End();
    }
    m_engine.Close();
    return 0;
}

void CliSession::WaitForRunEnd() {
    SearchRunner& runs = m_engine.Runner();
    // The run's end is seen within a millisecond (a look costs a system call, the run's
    // result is what the user waits for), the progress shown at a calmer pace.
    constexpr auto LOOK = std::chrono::milliseconds(1);
    constexpr int LOOKS_A_PROGRESS = 100;
    int looks = 0;
    while (runs.IsRunActive()) {
        if (!m_signals.WaitFor(LOOK)) {
            if (++looks % LOOKS_A_PROGRESS == 0) {
                m_reporter.Update();
            }
            continue;
        }
        if (m_signals.Count() == 1) {
            runs.RequestStop();
            continue;
        }
        // The user has asked twice: a run held up in one address is not waited for. Every
        // record is written whole, so nothing stored is damaged.
        m_console.Err("halvera-cli: ended at once by a second signal");
        std::_Exit(128 + m_signals.Received());
    }
    runs.WaitForRun();
}

int CliSession::Export(const CliOptions& options) {
    // The logs are read into their lists as the program's start-up reads them; the lines
    // read are the export, not errors of this run.
    if (options.exportList == ExportList::EventLog) {
        m_engine.ReadLog(LogKind::Event);
    } else if (options.exportList == ExportList::ErrorLog) {
        m_engine.Tables().errorLog.Unsubscribe(m_errorLogPrinter);
        m_engine.ReadLog(LogKind::Error);
        // What goes wrong from here on is this run's own.
        PrintErrorLogLines();
    }
    if (!options.exportFile) {
        m_console.OutBytes(m_engine.ExportBytes(options.exportFormat, options.exportList));
        return 0;
    }
    return m_engine.Export(options.exportFormat, options.exportList, options.exportFile).Done() ? 0
                                                                                                : 1;
}

int CliSession::PrintExportColumns(const CliOptions& options) {
    const std::int32_t print = m_engine.Settings().App().PRINT;
    Listing listing{{{"column", "列"}, {"print", "PRINT"}, {"exported", "出力"}}, {}};
    for (const ListColumn& column : NodeListColumns()) {
        if (column.printBit != 0) {
            char bit[16];
            std::snprintf(bit, sizeof bit, "0x%X", static_cast<unsigned>(column.printBit));
            listing.rows.push_back({TextCell(std::string(column.header)),
                                    {bit, column.printBit},
                                    FlagCell((print & column.printBit) != 0)});
        }
    }
    Lists(options).Table(listing);
    return 0;
}

int CliSession::SetExportColumns(const CliOptions& options) {
    const std::int32_t printMask = options.printMask;
    // As the output settings dialog's OK: the bits of its boxes, then the settings file. A bit
    // no box shows (0x80, those above the columns) stays as the file has it.
    AppSettings settings = m_engine.Settings().App();
    settings.PRINT = (settings.PRINT & ~PrintMaskBits()) | (printMask & PrintMaskBits());
    m_engine.Settings().SetApp(settings);
    m_engine.SaveSettings();
    return 0;
}

void CliSession::PrintSummary() {
    if (m_quiet) {
        return;
    }
    m_engine.Banner().SetSummaryText();
    std::string text = m_engine.Banner().Text();
    std::erase(text, '\r');
    m_console.OutCp932(text);
}

std::string CliSession::AdapterFailure() {
    return "halvera-cli: the network interface ADPNUM " +
           std::to_string(m_engine.Settings().App().ADPNUM) +
           " could not be read (see the error log)";
}

}  // namespace halvera
