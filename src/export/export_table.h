#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lists/list_table.h"
#include "lists/node_row_colour.h"

namespace halvera {

// The lists that can be exported, numbered as the tabs of the upper pane.
enum class ExportList { NodeList = 0, EventLog = 1, ErrorLog = 2 };

// What an export writes of a list: the header texts and, per row, the cell texts (CP932)
// and the colour the row is drawn in. Rows are in the list's display order.
struct ExportTable {
    struct Row {
        std::vector<std::string> cells;
        NodeRowColour colour = NodeRowColour::Up;
    };

    std::vector<std::string> header;
    std::vector<Row> rows;
};

// The PRINT bits the output settings can set: one per exported node list column, and 0x20,
// which selects no column and is kept as it is.
std::int32_t PrintMaskBits();

// The event name an exported event log row shows for its kind (the row's image index);
// empty for a number that is no kind.
std::string ExportEventName(int kind);

// The node list's columns 0 to 11 whose PRINT bit is set ("ST" never); its "監視" cell is
// "○" or "×" by the check box, its colour the row's tone. The event log's rows name their event; an
// empty host name stays empty here (the HTML writer shows it as a full-width space).
ExportTable BuildExportTable(ExportList list, const std::vector<ListRow>& rows,
                             std::int32_t printMask);

}  // namespace halvera
