#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "export/export_table.h"
#include "store/app_settings.h"

namespace halvera {

// The bytes of Lattisk.html (CP932, CR LF line ends): a page in the list background colour
// BCOLOR with the time of the export and one table row per list row, each cell in the colour
// of its row (FCOLOR, SCOLOR, PCOLOR or NCOLOR). The head declares Shift_JIS so that a
// browser does not read the page as UTF-8. Cell texts are escaped (& < > "): names from the
// network are text, never markup. An empty cell of the event log's host name shows a
// full-width space, so the cell keeps its frame.
std::string HtmlText(ExportList list, const ExportTable& table, std::string_view dateTime,
                     const AppSettings& colours);

// "#RRGGBB" of a colour as the settings keep it (0x00BBGGRR).
std::string HtmlColour(std::int32_t colorRef);

}  // namespace halvera
