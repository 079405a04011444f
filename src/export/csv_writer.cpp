#include "export/csv_writer.h"

#include "base/text_codec.h"

namespace halvera {
namespace {

void AppendCell(std::string& out, std::string_view cell) {
    out += '"';
    for (char c : cell) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += "\",";
}

void AppendLine(std::string& out, const std::vector<std::string>& cells) {
    for (const std::string& cell : cells) {
        AppendCell(out, cell);
    }
    out += "\r\n";
}

}  // namespace

std::string CsvText(const ExportTable& table, std::string_view dateTime) {
    std::string out = "\"" + Sjis("出力日時") + "\"\r\n";
    out += "\"";
    out += dateTime;
    out += "\"\r\n\r\n";
    AppendLine(out, table.header);
    for (const ExportTable::Row& row : table.rows) {
        AppendLine(out, row.cells);
    }
    return out;
}

}  // namespace halvera
