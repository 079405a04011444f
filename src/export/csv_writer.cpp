#include "export/csv_writer.h"

#include "base/text_codec.h"

namespace halvera {
namespace {

// A spreadsheet evaluates a cell that begins with one of these as a formula, quotation marks
// or not. No column the program fills holds a number, so a leading "-" is never a value of
// its own: every such cell is text.
bool ReadAsFormula(std::string_view cell) {
    return !cell.empty() &&
           std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos;
}

void AppendCell(std::string& out, std::string_view cell) {
    out += '"';
    if (ReadAsFormula(cell)) {
        out += '\'';
    }
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
