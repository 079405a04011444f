#include "cli/cli_session.h"

#include <string>
#include <vector>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "cli/tsv.h"
#include "events/event_kind.h"
#include "net/arp_probe.h"
#include "net/vendor_table.h"
#include "store/settings_files.h"

namespace halvera {
namespace {

// The node list's columns; to be replaced by the shared column names of the node list.
enum {
    COL_MONITOR,
    COL_LABEL,
    COL_B47,
    COL_B16,
    COL_B8,
    COL_IP,
    COL_MAC,
    COL_HOST,
    COL_DOMAIN,
    COL_VENDOR,
    COL_DETECTED,
    COL_UPDATED,
    COL_ST,
    NODE_COLUMNS
};

const std::vector<std::string> NODE_HEADER = {"監視",
                                              "ラベル",
                                              "B47",
                                              "B16",
                                              "B8",
                                              "アドレス",
                                              "MAC アドレス",
                                              "ホスト名",
                                              "ドメイン or ワークグループ",
                                              "ベンダー名",
                                              "検出日",
                                              "更新日",
                                              "ST"};
const std::vector<std::string> EVENT_HEADER = {"イベント", "日付 時間", "アドレス", "ホスト名",
                                               "情報"};
const std::vector<std::string> RANGE_HEADER = {"開始アドレス", "終了アドレス"};

std::string Mark(TestBits bits, TestBits bit) {
    return (bits & bit) != 0 ? Sjis("●") : std::string();
}

// The node list as the program's start-up fills it; to be replaced by LoadNodeList.
void LoadNodeRows(ListTable& nodeList, NodeStore& nodes, std::int32_t promiss) {
    for (std::size_t i = 0;; ++i) {
        NodeRecord record;
        if (nodes.ReadNodeAt(i, record) != 0) {
            return;
        }
        LookupVendor(record.mac, record.vendor);
        ListRow row;
        row.cells.resize(NODE_COLUMNS);
        row.checked = record.monitor != 0;
        row.image = record.image;
        row.cells[COL_LABEL] = record.label;
        row.cells[COL_B47] = Mark(record.testBits, TEST_B47);
        row.cells[COL_B16] = Mark(record.testBits, TEST_B16);
        row.cells[COL_B8] = Mark(record.testBits, TEST_B8);
        row.cells[COL_IP] = FormatIp(record.ip);
        row.cells[COL_MAC] = IsZeroMac(record.mac) ? std::string() : FormatMac(record.mac);
        row.cells[COL_VENDOR] = record.vendor;
        row.cells[COL_HOST] = record.host;
        row.cells[COL_DOMAIN] = record.domain;
        row.cells[COL_DETECTED] = record.detected;
        row.cells[COL_UPDATED] = record.updated;
        row.cells[COL_ST] = record.status != NODE_UP
                                ? std::string()
                                : (IsSniffing(promiss, record.testBits) ? "x" : ".");
        nodeList.InsertRow(static_cast<int>(i), std::move(row));
    }
}

// The cells of a row in UTF-8, the first one replaced.
std::vector<std::string> Utf8Cells(const ListRow& row, std::string first) {
    std::vector<std::string> cells;
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        cells.push_back(i == 0 ? first : Cp932ToUtf8Lossy(row.cells[i]));
    }
    return cells;
}

}  // namespace

CliSession::CliSession(Console& console, TerminationSignals& signals)
    : m_console(console),
      m_signals(signals),
      m_prompt(console),
      m_registry(DefaultUserRegistryPath()),
      m_nodeList(NODE_COLUMNS),
      m_eventLogList(EVENT_LOG_COLUMNS),
      m_errorLogList(ERROR_LOG_COLUMNS),
      m_logs(m_eventLogList, m_errorLogList, m_prompt, m_settings),
      m_nodes(m_prompt, m_logs),
      m_searchRanges(RangeList::Search, m_prompt, m_logs) {
    // Whatever goes to the error log while the command runs is shown as well.
    m_errorLogList.Subscribe([this](const ListChange& change) {
        if (change.kind == ListChange::Inserted) {
            m_console.Err("halvera-cli: error log: " +
                          TsvLine(Utf8Cells(change.data, Cp932ToUtf8Lossy(change.data.cells[0]))));
        }
    });
}

CliSession::~CliSession() {
    Close();
}

int CliSession::Run(const CliOptions& options) {
    if (!Open()) {
        m_console.Err("halvera-cli: the data files in " + ProgramFolder().string() +
                      " could not be opened");
        return 1;
    }
    switch (options.command) {
        case CliOptions::NODES:
            return PrintNodes();
        case CliOptions::EVENTS:
            return PrintEvents();
        case CliOptions::RANGES_LIST:
            return PrintRanges();
        case CliOptions::RANGES_ADD:
            return AddRange(options.rangeStart, options.rangeEnd);
        case CliOptions::RANGES_CLEAR:
            return ClearRanges();
        default:
            return 1;
    }
}

bool CliSession::Open() {
    LoadSettings(m_settings, m_registry, m_logs, m_prompt);
    m_nodes.SetKeepNodeList(1);
    bool opened = m_nodes.InitNodeStore() == 0;
    opened = m_searchRanges.InitSearchRanges() == 0 && opened;
    opened = m_logs.Init() == 0 && opened;
    // Runs read the monitored check boxes from the list, as in the program.
    LoadNodeRows(m_nodeList, m_nodes, m_settings.App().PROMISS);
    return opened;
}

void CliSession::Close() {
    m_nodes.CloseNodeStore();
    m_searchRanges.CloseSearchRanges();
    m_logs.Close();
}

int CliSession::PrintNodes() {
    m_console.Out(TsvLine(NODE_HEADER));
    for (const ListRow& row : m_nodeList.Snapshot()) {
        m_console.Out(TsvLine(Utf8Cells(row, row.checked ? "1" : "0")));
    }
    return 0;
}

int CliSession::PrintEvents() {
    m_logs.ReadEventLog(FILTER_ALL, "", nullptr, 0);
    m_console.Out(TsvLine(EVENT_HEADER));
    for (const ListRow& row : m_eventLogList.Snapshot()) {
        m_console.Out(TsvLine(Utf8Cells(row, Cp932ToUtf8Lossy(EventKindText(row.image)))));
    }
    return 0;
}

int CliSession::PrintRanges() {
    ListTable ranges(static_cast<int>(RANGE_HEADER.size()));
    m_searchRanges.ListRanges(ranges);
    m_console.Out(TsvLine(RANGE_HEADER));
    for (const ListRow& row : ranges.Snapshot()) {
        m_console.Out(TsvLine(Utf8Cells(row, Cp932ToUtf8Lossy(row.cells[0]))));
    }
    return 0;
}

int CliSession::AddRange(Ipv4 start, Ipv4 end) {
    if (HostOrder(start) > HostOrder(end)) {
        m_console.Err("アドレス範囲が不正です。");
        return 1;
    }
    if (m_searchRanges.AppendRange(start, end) != 0) {
        m_console.Err("halvera-cli: the search range could not be written");
        return 1;
    }
    return 0;
}

int CliSession::ClearRanges() {
    if (m_searchRanges.ClearRanges() != 0) {
        m_console.Err("halvera-cli: the search ranges could not be cleared");
        return 1;
    }
    return 0;
}

}  // namespace halvera
