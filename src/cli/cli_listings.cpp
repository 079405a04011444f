#include "cli/cli_listings.h"

#include <span>
#include <string>

#include "base/text_codec.h"
#include "lists/list_columns.h"
#include "lists/list_tables.h"
#include "lists/node_cells.h"
#include "store/event_kind.h"

namespace halvera {
namespace {

// The fields of a list of the program under its column headers, named in JSON by the keys.
std::vector<ListField> Fields(std::span<const ListColumn> columns,
                              std::initializer_list<const char*> keys) {
    std::vector<ListField> fields;
    std::size_t i = 0;
    for (const char* key : keys) {
        fields.push_back({key, std::string(columns[i++].header)});
    }
    return fields;
}

std::string Utf8(const std::string& cp932) {
    return Cp932ToUtf8Lossy(cp932);
}

ListCell BitCell(TestBits bits, TestBits bit) {
    return MarkCell((bits & bit) != 0, Utf8(TestBitMark(bits, bit)));
}

ListCell StatusCell(NodeMark mark) {
    return {NodeMarkText(mark), mark == NodeMark::Up         ? "up"
                                : mark == NodeMark::Sniffing ? "sniffing"
                                                             : "down"};
}

}  // namespace

Listing NodeListing(const std::vector<NodeEntry>& nodes) {
    Listing listing{
        Fields(NodeListColumns(), {"monitored", "label", "b47", "b16", "b8", "address", "mac",
                                   "host", "domain", "vendor", "detected", "updated", "status"}),
        {}};
    for (const NodeEntry& node : nodes) {
        listing.rows.push_back(
            {FlagCell(node.monitored), TextCell(Utf8(node.label)), BitCell(node.testBits, TEST_B47),
             BitCell(node.testBits, TEST_B16), BitCell(node.testBits, TEST_B8),
             TextCell(FormatIp(node.ip)), MacCell(node.mac), TextCell(Utf8(node.host)),
             TextCell(Utf8(node.domain)), TextCell(Utf8(node.vendor)), TimeCell(node.detected),
             TimeCell(node.updated), StatusCell(node.mark)});
    }
    return listing;
}

Listing EventLogListing(const std::vector<ListRow>& rows) {
    Listing listing{Fields(EventLogColumns(), {"kind", "time", "address", "host", "information"}),
                    {}};
    for (const ListRow& row : rows) {
        listing.rows.push_back({EventKindCell(row.image),
                                TimeCell(LocalStamp::Read(Utf8(row.cells[1]))),
                                TextCell(Utf8(row.cells[2])), TextCell(Utf8(row.cells[3])),
                                TextCell(Utf8(row.cells[4]))});
    }
    return listing;
}

Listing ErrorLogListing(const std::vector<ListRow>& rows) {
    Listing listing{Fields(ErrorLogColumns(), {"action", "time", "information"}), {}};
    for (const ListRow& row : rows) {
        listing.rows.push_back({TextCell(Utf8(row.cells[0])),
                                TimeCell(LocalStamp::Read(Utf8(row.cells[1]))),
                                TextCell(Utf8(row.cells[2]))});
    }
    return listing;
}

Listing RangeListing(const std::vector<IpRange>& ranges) {
    Listing listing{{{"start", "開始アドレス"}, {"end", "終了アドレス"}}, {}};
    for (const IpRange& range : ranges) {
        listing.rows.push_back({TextCell(FormatIp(range.start)), TextCell(FormatIp(range.end))});
    }
    return listing;
}

Listing AdapterListing(const std::vector<CaptureAdapter>& adapters) {
    Listing listing{{{"adpnum", "ADPNUM"},
                     {"name", "ネットワークアダプタ"},
                     {"address", "アドレス"},
                     {"mask", "サブネットマスク"}},
                    {}};
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        listing.rows.push_back({NumberCell(static_cast<std::int64_t>(i)),
                                TextCell(Utf8(AdapterDisplayName(adapters[i]))),
                                TextCell(FormatIp(adapters[i].address)),
                                TextCell(FormatIp(adapters[i].mask))});
    }
    return listing;
}

Listing EventSettingsListing(const std::vector<EventSettings>& records) {
    Listing listing{{{"kind", "KIND"},
                     {"name", "NAME"},
                     {"enabled", "enabled"},
                     {"screen", "screen"},
                     {"log", "log"},
                     {"message", "message"},
                     {"popup", "popup"},
                     {"file", "file"},
                     {"mail", "mail"},
                     {"beep", "beep"},
                     {"sound", "sound"}},
                    {}};
    for (std::size_t kind = 0; kind < records.size(); ++kind) {
        const EventSettings& record = records[kind];
        listing.rows.push_back({NumberCell(static_cast<std::int64_t>(kind)),
                                TextCell(Utf8(EventKindText(static_cast<int>(kind)))),
                                FlagCell(record.enabled != 0), FlagCell(record.screen != 0),
                                FlagCell(record.log != 0), TextCell(Utf8(record.message)),
                                TextCell(Utf8(record.popupText)), TextCell(Utf8(record.filePath)),
                                TextCell(Utf8(record.mailText)), FlagCell(record.beep != 0),
                                TextCell(Utf8(record.soundFile))});
    }
    return listing;
}

}  // namespace halvera
