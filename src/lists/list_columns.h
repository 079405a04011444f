#pragma once

#include <span>
#include <string_view>

namespace halvera {

// One column of a list as every front end and the export show it: its header (UTF-8), its
// default width in pixels, the bit of the display mask (MAP for the node list, ELIST for the
// event list) that shows it, and the bit of the export mask PRINT that writes it. A mask bit
// of 0 means the column does not depend on that mask: always shown, never exported.
struct ListColumn {
    std::string_view header;
    int width;
    int mapBit;
    int printBit;
};

// The columns of each list, in display order (the order of the ListTables columns).
std::span<const ListColumn> NodeListColumns();
std::span<const ListColumn> EventListColumns();
std::span<const ListColumn> EventLogColumns();
std::span<const ListColumn> ErrorLogColumns();
std::span<const ListColumn> SettingsInfoColumns();

}  // namespace halvera
