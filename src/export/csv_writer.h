#pragma once

#include <string>
#include <string_view>

#include "export/export_table.h"

namespace halvera {

// The bytes of Lattisk.csv (CP932, CR LF line ends): "出力日時" and the time, each in
// quotation marks, an empty line, the header line and one line per row. Every cell stands in
// quotation marks followed by a comma; a quotation mark inside a cell is doubled, so a name
// from the network cannot add cells of its own, and a cell that begins with =, +, -, @, a tab
// or a CR starts with ' inside the quotation marks, so a spreadsheet shows it as text instead
// of evaluating it.
std::string CsvText(const ExportTable& table, std::string_view dateTime);

}  // namespace halvera
