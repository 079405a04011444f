#include "export/html_writer.h"

#include <cstdio>

#include "base/text_codec.h"
#include "base/text_helpers.h"
#include "lists/list_tables.h"
#include "lists/prompt.h"

namespace halvera {
namespace {

const char* const HEADER_CELL = "<td bgcolor=#c0c0c0 nowrap>";

std::string FontTag(std::int32_t colorRef) {
    return "<font color=\"" + HtmlColour(colorRef) + "\">";
}

std::int32_t RowColour(NodeRowColour colour, const AppSettings& settings) {
    switch (colour) {
        case NodeRowColour::Unmonitored:
            return settings.NCOLOR;
        case NodeRowColour::Sniffing:
            return settings.PCOLOR;
        case NodeRowColour::Stopped:
            return settings.SCOLOR;
        case NodeRowColour::Up:
            break;
    }
    return settings.FCOLOR;
}

}  // namespace

std::string HtmlColour(std::int32_t colorRef) {
    const auto value = static_cast<std::uint32_t>(colorRef);
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", value & 0xFF, (value >> 8) & 0xFF,
                  (value >> 16) & 0xFF);
    return text;
}

std::string HtmlText(ExportList list, const ExportTable& table, std::string_view dateTime,
                     const AppSettings& colours) {
    std::string out = "<html>\r\n<head>\r\n";
    out += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\r\n";
    out += "<title>";
    out += PROMPT_CAPTION;
    out += "</title>\r\n</head>\r\n";
    out += "<body bgcolor=\"" + HtmlColour(colours.BCOLOR) + "\">\r\n";
    out += "<table cellpadding=3 border=1><tr>";
    out += HEADER_CELL + Sjis("出力日時") + "</td><td>" + FontTag(colours.FCOLOR);
    out += dateTime;
    out += "</font></td></table><br>";
    out += "<table cellpadding=3 border=1>\r\n";
    out += "<tr>";
    for (const std::string& header : table.header) {
        out += HEADER_CELL + MarkupEscaped(header) + "</td>";
    }
    out += "\r\n";
    for (const ExportTable::Row& row : table.rows) {
        const std::string font = FontTag(RowColour(row.colour, colours));
        out += "<tr>";
        for (std::size_t i = 0; i < row.cells.size(); ++i) {
            const bool emptyHost =
                list == ExportList::EventLog && i == EVENTLOG_COL_HOST && row.cells[i].empty();
            out += "<td>" + font + (emptyHost ? Sjis("　") : MarkupEscaped(row.cells[i])) +
                   "</font></td>";
        }
        out += "\r\n";
    }
    out += "</table>\r\n</body>\r\n</html>\r\n";
    return out;
}

}  // namespace halvera
