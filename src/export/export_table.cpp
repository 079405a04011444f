#include "export/export_table.h"

#include <array>
#include <span>

#include "base/text_codec.h"
#include "lists/list_columns.h"
#include "lists/list_tables.h"

namespace halvera {
namespace {

std::string Cell(const ListRow& row, int column) {
    const auto index = static_cast<std::size_t>(column);
    return index < row.cells.size() ? row.cells[index] : std::string();
}

std::vector<std::string> Headers(std::span<const ListColumn> columns) {
    std::vector<std::string> header;
    for (const ListColumn& column : columns) {
        header.push_back(Utf8ToCp932Lossy(column.header));
    }
    return header;
}

bool Exported(const ListColumn& column, std::int32_t printMask) {
    return column.printBit != 0 && (printMask & column.printBit) != 0;
}

ExportTable NodeListTable(const std::vector<ListRow>& rows, std::int32_t printMask) {
    const std::span<const ListColumn> columns = NodeListColumns();
    ExportTable table;
    for (const ListColumn& column : columns) {
        if (Exported(column, printMask)) {
            table.header.push_back(Utf8ToCp932Lossy(column.header));
        }
    }
    for (const ListRow& row : rows) {
        ExportTable::Row out;
        out.colour = static_cast<NodeRowColour>(row.tone);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (!Exported(columns[i], printMask)) {
                continue;
            }
            const int column = static_cast<int>(i);
            out.cells.push_back(column == NODE_COL_MONITOR ? Sjis(row.checked ? "○" : "×")
                                                           : Cell(row, column));
        }
        table.rows.push_back(std::move(out));
    }
    return table;
}

ExportTable LogTable(ExportList list, const std::vector<ListRow>& rows) {
    const bool eventLog = list == ExportList::EventLog;
    ExportTable table;
    table.header = Headers(eventLog ? EventLogColumns() : ErrorLogColumns());
    const int columns =
        eventLog ? static_cast<int>(EVENT_LOG_COLUMNS) : static_cast<int>(ERROR_LOG_COLUMNS);
    for (const ListRow& row : rows) {
        ExportTable::Row out;
        for (int column = 0; column < columns; ++column) {
            out.cells.push_back(eventLog && column == EVENTLOG_COL_KIND ? ExportEventName(row.image)
                                                                        : Cell(row, column));
        }
        table.rows.push_back(std::move(out));
    }
    return table;
}

}  // namespace

std::int32_t PrintMaskBits() {
    std::int32_t bits = 0x20;
    for (const ListColumn& column : NodeListColumns()) {
        bits |= column.printBit;
    }
    return bits;
}

std::string ExportEventName(int kind) {
    static constexpr std::array<const char*, 6> NAMES = {
        "新規ノード検出", "ノード起動",           "ノード停止",
        "盗聴ノード検出", "IPアドレスの変更検出", "ネットワーク機器の変更検出",
    };
    if (kind < 0 || kind >= static_cast<int>(NAMES.size())) {
        return {};
    }
    return Sjis(NAMES[static_cast<std::size_t>(kind)]);
}

ExportTable BuildExportTable(ExportList list, const std::vector<ListRow>& rows,
                             std::int32_t printMask) {
    return list == ExportList::NodeList ? NodeListTable(rows, printMask) : LogTable(list, rows);
}

}  // namespace halvera
